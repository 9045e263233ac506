#include "app/layouts.h"

namespace qv {

void source_box_swap(Host& host) {
    const Text selected = host.read_property(window::kMain, control::kSourceSelector, property::kSelectedText);
    const bool custom = compare_text(selected, kCustomEntry) == 0;
    host.write_property(window::kMain, control::kCustomSourceBox, property::kVisible, custom ? 1 : 0);
    host.write_property(window::kMain, control::kSourceHintLabel, property::kVisible, custom ? 0 : 1);
}

void apply_layout(Host& host, bool expanded) {
    host.write_property(window::kMain, window::kSelf, property::kHeight, expanded ? 241 : 160);
    host.write_property(window::kMain, control::kInstallButton, property::kTop, expanded ? 176 : 96);
    host.write_property(window::kMain, control::kUninstallButton, property::kTop, expanded ? 176 : 96);
    host.write_property(window::kMain, control::kVoiceServerGroupBox, property::kVisible, expanded ? 1 : 0);
}

void layout_toggle(Host& host) {
    apply_layout(host, host.read_property(window::kMain, control::kVoiceChatCheckBox, property::kTicked) == 1);
}

}  // namespace qv
