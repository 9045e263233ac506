#include "install/voice_chat_patch.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host/site.h"
#include "install/install.h"
#include "install/locations.h"
#include "tests/support/case_name.h"
#include "tests/support/fake_host.h"
#include "tests/support/install_texts.h"

namespace qv {
namespace {

using testing::FakeHost;
using testing::kContentHeading;
using testing::kPatchFailureText;
using namespace std::string_literals;

constexpr const char kVoiceServerAddress[] = "https://localhost:8443/Quorvane/voice";
constexpr const char kRegions[] = "[]";

const std::string kUsual = R"({"serverURL": "https://bettercrewl.ink", "natFix": false})";

struct PatchFixture {
    FakeHost host;
    ProgramState state;
    Text config_path;

    explicit PatchFixture(std::optional<std::string> config) {
        config_path = locations::bettercrewlink_config_file(host);
        if (config) host.add_file(config_path, *config);
        host.add_folder(locations::game_data_folder(host));
        host.numbers[{control::kVoiceChatCheckBox, property::kTicked.number}] = 1;
        host.texts[{control::kVoiceServerBox, property::kContentText.number}] = kVoiceServerAddress;
        host.combo_items[control::kSourceSelector] = {"A", "自定义"};
        host.numbers[{control::kSourceSelector, property::kSelectedIndex.number}] = 0;
        host.respond(site_address("/Quorvane/scrbase/0.json"), kRegions);
    }
};

struct PatchCase {
    const char* name;
    std::string config;
    std::optional<std::string> server_body;  // nullopt: the fetch fails
    int status;
    std::optional<std::string> patched;  // nullopt: the file stays as it was
};

class VoiceChatPatch : public ::testing::TestWithParam<PatchCase> {};

TEST_P(VoiceChatPatch, ConfigAndBoxes) {
    const PatchCase& c = GetParam();
    PatchFixture f(c.config);
    if (c.server_body) f.host.respond(kVoiceServerAddress, *c.server_body, c.status);

    install_click(f.host, f.state);

    EXPECT_EQ(f.host.file(f.config_path), c.patched.value_or(c.config));
    EXPECT_EQ(f.host.file(locations::region_list_file(f.host)), kRegions) << "the region list is installed either way";
    EXPECT_EQ(f.host.number(control::kInstallButton, property::kDisabled), 0);
    EXPECT_EQ(f.host.text(control::kInstallButton, property::kCaption), Text("安装"));
    EXPECT_EQ(f.host.number(control::kVoiceChatCheckBox, property::kTicked), 1);

    const FakeHost::Box& last = f.host.boxes.back();
    EXPECT_EQ(last.title, Text("安装结果："));
    EXPECT_EQ(last.flags, box::kExclamation);
    if (c.patched) {
        ASSERT_EQ(f.host.boxes.size(), 1u);
        EXPECT_EQ(last.text, Text("安装成功!\r\n\r\nBetterCrewLink服务器地址已更改为："s + kVoiceServerAddress +
                                  kContentHeading + kRegions));
        EXPECT_EQ(f.state.patched_config_bytes.str(), *c.patched);
    } else {
        ASSERT_EQ(f.host.boxes.size(), 2u);
        EXPECT_EQ(f.host.boxes[0].text, Text(kPatchFailureText));
        EXPECT_EQ(f.host.boxes[0].title, Text("错误!"));
        EXPECT_EQ(f.host.boxes[0].flags, box::kError);
        EXPECT_EQ(last.text, Text("安装成功!"s + kContentHeading + kRegions));
    }
}

const std::string kNew = "https://voice.localhost:9736";

INSTANTIATE_TEST_SUITE_P(
    Cases, VoiceChatPatch,
    ::testing::Values(
        PatchCase{"key_with_one_blank", kUsual, kNew, 200,
                  R"({"serverURL": "https://voice.localhost:9736", "natFix": false})"},
        PatchCase{"key_with_no_blank", R"({"serverURL":"https://old", "a": 1})", kNew, 200, std::nullopt},
        PatchCase{"key_with_two_blanks", R"({"serverURL":  "https://old", "a": 1})", kNew, 200, std::nullopt},
        PatchCase{"key_with_tab", "{\"serverURL\":\t\"https://old\", \"a\": 1}", kNew, 200, std::nullopt},
        PatchCase{"key_twice_first_only", R"({"serverURL": "https://a", "o": {"serverURL": "https://b"}})", kNew, 200,
                  R"({"serverURL": "https://voice.localhost:9736", "o": {"serverURL": "https://b"}})"},
        PatchCase{"member_last_in_object", "{\"a\": [1, 2],\n  \"serverURL\": \"https://old\"\n}\n", kNew, 200,
                  "{\"a\": [1, 2],\n  \"serverURL\": \"https://voice.localhost:9736\"\n}\n"},
        PatchCase{"member_last_then_more_objects", R"({"o": {"serverURL": "https://old"}, "b": 2})", kNew, 200,
                  R"({"o": {"serverURL": "https://voice.localhost:9736"}, "b": 2})"},
        PatchCase{"value_with_comma", R"({"serverURL": "https://old/a,b", "a": 1})", kNew, 200,
                  R"({"serverURL": "https://voice.localhost:9736", "a": 1})"},
        PatchCase{"value_with_escaped_quote", R"({"serverURL": "https://old\"x\\", "a": 1})", kNew, 200,
                  R"({"serverURL": "https://voice.localhost:9736", "a": 1})"},
        PatchCase{"blank_before_comma_kept", R"({"serverURL": "https://old" , "a": 1})", kNew, 200,
                  R"({"serverURL": "https://voice.localhost:9736" , "a": 1})"},
        PatchCase{"server_text_longer", R"({"serverURL": "http://o", "a": 1})", "https://a-much-longer.localhost/x", 200,
                  R"({"serverURL": "https://a-much-longer.localhost/x", "a": 1})"},
        PatchCase{"server_text_shorter", kUsual, "http://v", 200, R"({"serverURL": "http://v", "natFix": false})"},
        PatchCase{"same_value_still_written", kUsual, "https://bettercrewl.ink", 200, kUsual},
        PatchCase{"server_text_final_line_break", kUsual, "https://v.localhost\r\n", 200,
                  R"({"serverURL": "https://v.localhost", "natFix": false})"},
        PatchCase{"server_text_with_quote_escaped", kUsual, "https://v.localhost/\"q", 200,
                  R"({"serverURL": "https://v.localhost/\"q", "natFix": false})"},
        PatchCase{"server_text_with_backslash_escaped", kUsual, "https://v.localhost/a\\b", 200,
                  R"({"serverURL": "https://v.localhost/a\\b", "natFix": false})"},
        PatchCase{"server_text_up_to_nul", kUsual, "https://v.localhost\0junk"s, 200,
                  R"({"serverURL": "https://v.localhost", "natFix": false})"},
        PatchCase{"bytes_after_nul_in_config_kept", kUsual + "\0tail"s, kNew, 200,
                  R"({"serverURL": "https://voice.localhost:9736", "natFix": false})" + "\0tail"s},
        PatchCase{"failed_fetch", kUsual, std::nullopt, 0, std::nullopt},
        PatchCase{"empty_server_text", kUsual, "", 200, std::nullopt},
        PatchCase{"server_error_page", kUsual, "https://v.localhost", 503, std::nullopt},
        PatchCase{"server_text_not_an_address", kUsual, "hello", 200, std::nullopt},
        PatchCase{"server_text_with_blank", kUsual, "https://v.localhost/a b", 200, std::nullopt},
        PatchCase{"server_text_not_ascii", kUsual, "https://语音.localhost", 200, std::nullopt},
        PatchCase{"key_missing", R"({"natFix": false})", kNew, 200, std::nullopt},
        PatchCase{"value_not_a_string", R"({"serverURL": null, "a": 1})", kNew, 200, std::nullopt},
        PatchCase{"value_unterminated", R"({"serverURL": "https://old)", kNew, 200, std::nullopt},
        PatchCase{"value_with_raw_line_break", "{\"serverURL\": \"https://o\nld\", \"a\": 1}", kNew, 200,
                  std::nullopt},
        PatchCase{"empty_config", "", kNew, 200, std::nullopt}),
    testing::CaseName());

TEST(VoiceChatPatch, KeepsPositionsAndWritesAtomically) {
    PatchFixture f(kUsual);
    f.host.respond(kVoiceServerAddress, kNew);
    install_click(f.host, f.state);
    EXPECT_EQ(f.state.config_bytes.str(), kUsual);
    EXPECT_EQ(f.state.key_position, 2);
    EXPECT_EQ(f.state.comma_position, 40) << "just past the closing quote, here the first comma";
    const std::string config = FakeHost::resolve(f.config_path);
    EXPECT_EQ(f.host.file_operations[0], "read " + config);
    EXPECT_EQ(f.host.file_operations[1], "replace " + config);
}

TEST(VoiceChatPatch, UnwritableConfigStaysAndIsReported) {
    PatchFixture f(kUsual);
    f.host.respond(kVoiceServerAddress, kNew);
    f.host.set_read_only(f.config_path);
    install_click(f.host, f.state);
    EXPECT_EQ(f.host.file(f.config_path), kUsual);
    ASSERT_EQ(f.host.boxes.size(), 2u);
    EXPECT_EQ(f.host.boxes[0].text, Text(kPatchFailureText));
    EXPECT_TRUE(f.state.patched_config_bytes.empty());
}

TEST(VoiceChatPatch, LockedConfigCannotBeReadAndStays) {
    PatchFixture f(kUsual);
    f.host.respond(kVoiceServerAddress, kNew);
    f.host.set_locked(f.config_path);
    install_click(f.host, f.state);
    EXPECT_EQ(f.host.file(f.config_path), kUsual);
    EXPECT_EQ(f.host.boxes[0].text, Text(kPatchFailureText));
}

TEST(VoiceChatPatch, PatchStaysWhenRegionListDownloadIsEmpty) {
    PatchFixture f(kUsual);
    f.host.respond(kVoiceServerAddress, kNew);
    f.host.respond(site_address("/Quorvane/scrbase/0.json"), "");
    install_click(f.host, f.state);
    EXPECT_EQ(f.host.file(f.config_path), R"({"serverURL": "https://voice.localhost:9736", "natFix": false})");
    ASSERT_EQ(f.host.boxes.size(), 1u);
    EXPECT_EQ(f.host.boxes[0].title, Text("错误！"));
    EXPECT_EQ(f.host.requests, (std::vector<Text>{kVoiceServerAddress, site_address("/Quorvane/scrbase/0.json")}));
}

TEST(VoiceChatPatch, MissingConfigUnticksCollapsesAndInstallsNothing) {
    PatchFixture f(std::nullopt);
    f.host.numbers[{window::kSelf, property::kHeight.number}] = 241;
    f.host.numbers[{control::kVoiceServerGroupBox, property::kVisible.number}] = 1;

    install_click(f.host, f.state);

    EXPECT_EQ(f.host.number(control::kVoiceChatCheckBox, property::kTicked), 0);
    EXPECT_EQ(f.host.number(window::kSelf, property::kHeight), 160);
    EXPECT_EQ(f.host.number(control::kInstallButton, property::kTop), 96);
    EXPECT_EQ(f.host.number(control::kUninstallButton, property::kTop), 96);
    EXPECT_EQ(f.host.number(control::kVoiceServerGroupBox, property::kVisible), 0);
    ASSERT_EQ(f.host.boxes.size(), 1u);
    EXPECT_EQ(f.host.boxes[0].text,
              Text("您尚未安装BetterCrewLink,请安装BetterCrewLink并运行一次后再尝试安装BetterCrewLink私服！"));
    EXPECT_EQ(f.host.boxes[0].title, Text("错误!"));
    EXPECT_EQ(f.host.boxes[0].flags, box::kError);
    EXPECT_EQ(f.host.number(control::kInstallButton, property::kDisabled), 0);
    EXPECT_EQ(f.host.text(control::kInstallButton, property::kCaption), Text("安装"));
    EXPECT_TRUE(f.host.requests.empty());
    EXPECT_FALSE(f.host.has_file(locations::region_list_file(f.host)));
    ASSERT_EQ(f.host.commands.size(), 1u) << "the attribute-clearing command has been started all the same";
}

struct AddressCase {
    const char* name;
    std::string server_text;
    std::string json_string;  // empty: refused
};

class ServerUrlJsonString : public ::testing::TestWithParam<AddressCase> {};

TEST_P(ServerUrlJsonString, TrimsChecksAndEscapes) {
    EXPECT_EQ(server_url_json_string(Text(GetParam().server_text)), Text(GetParam().json_string));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ServerUrlJsonString,
    ::testing::Values(AddressCase{"http", "http://a", "http://a"},
                      AddressCase{"https_with_port_and_path", "https://a:1/b?c=d", "https://a:1/b?c=d"},
                      AddressCase{"scheme_any_case", "HTTPS://A", "HTTPS://A"},
                      AddressCase{"white_space_trimmed", " \t https://a\r\n\n", "https://a"},
                      AddressCase{"quote_and_backslash_escaped", "https://a/\"\\", "https://a/\\\"\\\\"},
                      AddressCase{"other_scheme", "ftp://a", ""},
                      AddressCase{"relative", "/voice", ""},
                      AddressCase{"scheme_only", "https://", ""},
                      AddressCase{"no_host", "https:///path", ""},
                      AddressCase{"inner_blank", "https://a b", ""},
                      AddressCase{"inner_control", "https://a\x01", ""},
                      AddressCase{"delete_byte", "https://a\x7F", ""},
                      AddressCase{"non_ascii", "https://\xD3\xEF", ""},
                      AddressCase{"only_blanks", "  \r\n", ""}),
    testing::CaseName());

}  // namespace
}  // namespace qv
