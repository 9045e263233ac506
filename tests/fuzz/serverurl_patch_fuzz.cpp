// The voice-chat patch on arbitrary config files and voice-server bodies:
// when the file changes, every byte before the key and after the old string
// value's closing quote is kept, the key is followed by a string value, and a file that was
// valid JSON is valid JSON afterwards. The Install button is idle at the end.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstdint>

#include "app/layouts.h"
#include "host/program_state.h"
#include "host/site.h"
#include "install/install.h"
#include "install/locations.h"
#include "tests/fuzz/fuzz_check.h"
#include "tests/fuzz/strict_json.h"
#include "tests/support/fake_host.h"

namespace {

constexpr std::string_view kKey = "\"serverURL\": ";
constexpr std::string_view kMemberHead = "\"serverURL\": \"";
constexpr const char kVoiceServerAddress[] = "https://localhost:8443/voice";

size_t common_prefix(std::string_view a, std::string_view b) {
    return static_cast<size_t>(std::mismatch(a.begin(), a.begin() + std::min(a.size(), b.size()), b.begin()).first -
                               a.begin());
}

size_t common_suffix(std::string_view a, std::string_view b, size_t prefix) {
    size_t length = 0;
    while (length + prefix < a.size() && length + prefix < b.size() &&
           a[a.size() - 1 - length] == b[b.size() - 1 - length])
        ++length;
    return length;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
    FuzzedDataProvider input(data, size);
    const std::string server_body = input.ConsumeRandomLengthString(48);
    const std::string before = input.ConsumeRemainingBytesAsString();

    qv::testing::FakeHost host;
    const qv::Text config_path = qv::locations::bettercrewlink_config_file(host);
    host.add_file(config_path, before);
    host.add_folder(qv::locations::game_data_folder(host));
    host.numbers[{qv::control::kVoiceChatCheckBox, qv::property::kTicked.number}] = 1;
    host.texts[{qv::control::kVoiceServerBox, qv::property::kContentText.number}] = kVoiceServerAddress;
    host.respond(kVoiceServerAddress, server_body);
    host.combo_items[qv::control::kSourceSelector] = {"A", qv::kCustomEntry};
    host.numbers[{qv::control::kSourceSelector, qv::property::kSelectedIndex.number}] = 0;
    host.respond(qv::site_address("/Quorvane/scrbase/0.json"), "[]");

    qv::ProgramState state;
    qv::install_click(host, state);
    const std::string after = host.file(config_path);

    QV_FUZZ_CHECK(host.number(qv::control::kInstallButton, qv::property::kDisabled) == 0);
    QV_FUZZ_CHECK(host.text(qv::control::kInstallButton, qv::property::kCaption) == qv::Text("安装"));
    if (qv::fuzz::StrictJson::valid(before)) QV_FUZZ_CHECK(qv::fuzz::StrictJson::valid(after));
    if (after == before) return 0;

    // The handler searches the config as text, which ends at a NUL byte.
    const qv::Text config_text(before);
    const int key = qv::find_text(config_text, qv::Text(kKey));
    QV_FUZZ_CHECK(key > 0);
    const size_t key_offset = static_cast<size_t>(key - 1);
    const size_t prefix = common_prefix(before, after);
    QV_FUZZ_CHECK(prefix >= key_offset);
    QV_FUZZ_CHECK(std::string_view(after).substr(key_offset, kMemberHead.size()) == kMemberHead);

    // The old value is a JSON string: find its closing quote past escapes.
    size_t closing = key_offset + kMemberHead.size();
    while (closing < before.size() && before[closing] != '"') closing += before[closing] == '\\' ? 2 : 1;
    QV_FUZZ_CHECK(closing < before.size());
    const size_t suffix = common_suffix(before, after, prefix);
    QV_FUZZ_CHECK(before.size() - suffix <= closing + 1);
    return 0;
}
