// The start-up's source list and voice-server address on arbitrary bodies:
// the selector holds exactly the names split at "§" followed by the custom
// entry, item 0 is selected with the matching box shown, the voice-server
// box holds the body's text, and nothing is reported or written.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>

#include "app/layouts.h"
#include "host/site.h"
#include "startup/startup.h"
#include "tests/fuzz/fuzz_check.h"
#include "tests/support/fake_host.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
    FuzzedDataProvider input(data, size);
    const std::string voice_server_body = input.ConsumeRandomLengthString(64);
    const std::string list_body = input.ConsumeRemainingBytesAsString();

    qv::testing::FakeHost host;
    host.respond(qv::site_address("/Quorvane/bcl.ini"), voice_server_body);
    host.respond(qv::site_address("/Quorvane/srclist.json"), list_body);
    qv::load_sources_and_voice_server(host);

    qv::TextArray expected = qv::split_text(qv::to_text(qv::ByteBuffer(list_body)), "§");
    expected.push_back(qv::kCustomEntry);
    const std::vector<qv::Text>& items = host.combo_items[qv::control::kSourceSelector];
    QV_FUZZ_CHECK(items == expected);
    QV_FUZZ_CHECK(host.number(qv::control::kSourceSelector, qv::property::kSelectedIndex) == 0);

    const bool custom_first = items.front() == qv::Text(qv::kCustomEntry);
    QV_FUZZ_CHECK(host.number(qv::control::kCustomSourceBox, qv::property::kVisible) == (custom_first ? 1 : 0));
    QV_FUZZ_CHECK(host.number(qv::control::kSourceHintLabel, qv::property::kVisible) == (custom_first ? 0 : 1));
    QV_FUZZ_CHECK(host.text(qv::control::kVoiceServerBox, qv::property::kContentText) ==
                  qv::to_text(qv::ByteBuffer(voice_server_body)));

    QV_FUZZ_CHECK(host.boxes.empty());
    QV_FUZZ_CHECK(host.file_operations.empty());
    QV_FUZZ_CHECK(host.commands.empty());
    return 0;
}
