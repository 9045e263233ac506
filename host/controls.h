// The main window's vocabulary: the window and control numbers and the
// property numbers through which handlers read and write controls. The Win32
// control ID of a child control is the low 16 bits of its number.
#pragma once

#include <cstdint>

#include "host/text.h"

namespace qv {

using ControlNumber = std::uint32_t;

namespace window {
inline constexpr ControlNumber kMain = 0x52010001;
// The main window addressed as a control of itself, for its own properties.
inline constexpr ControlNumber kSelf = 0x06010000;
}  // namespace window

namespace control {
inline constexpr ControlNumber kInstallButton = 0x16010006;
inline constexpr ControlNumber kUninstallButton = 0x1601005E;
inline constexpr ControlNumber kForceCloseButton = 0x16015768;
inline constexpr ControlNumber kRollBackButton = 0x1601576A;
inline constexpr ControlNumber kVoiceChatCheckBox = 0x1601006A;
inline constexpr ControlNumber kCreditLabel = 0x16010053;
inline constexpr ControlNumber kSourceGroupBox = 0x16010005;
inline constexpr ControlNumber kSourceSelector = 0x16015756;
inline constexpr ControlNumber kCustomSourceBox = 0x16015755;
inline constexpr ControlNumber kSourceHintLabel = 0x16015767;
inline constexpr ControlNumber kVoiceServerGroupBox = 0x1601006F;
inline constexpr ControlNumber kVoiceServerBox = 0x16010070;
}  // namespace control

constexpr int control_id(ControlNumber number) { return static_cast<int>(number & 0xFFFF); }

// A property number tagged with its value type, so that reading a text
// property as an integer does not compile.
template <class Value>
struct Property {
    int number;
};

namespace property {
inline constexpr Property<int> kTop{1};
inline constexpr Property<int> kHeight{3};
inline constexpr Property<int> kVisible{5};
inline constexpr Property<int> kDisabled{6};
inline constexpr Property<Text> kContentText{8};
inline constexpr Property<Text> kSelectedText{9};
inline constexpr Property<Text> kCaption{10};
inline constexpr Property<int> kTicked{18};
inline constexpr Property<int> kSelectedIndex{19};
}  // namespace property

}  // namespace qv
