// Hostile remote and local input on the fake host: huge and odd bodies,
// broken encodings, long source lists and config files in unusual shapes or
// held by other processes. Each case asserts the user's outcome (one clear
// box or the specified silence), that no byte is lost, and that Install ends
// idle.
#include <gtest/gtest.h>

#include <string>

#include "app/layouts.h"
#include "host/program_state.h"
#include "host/site.h"
#include "install/install.h"
#include "install/locations.h"
#include "startup/startup.h"
#include "tests/support/case_name.h"
#include "tests/support/fake_host.h"
#include "tests/support/install_texts.h"

namespace qv {
namespace {

using testing::FakeHost;
using testing::kContentHeading;
using testing::kEmptyDownloadText;
using testing::kWriteFailureText;

constexpr const char kVoiceServerAddress[] = "https://localhost:8443/voice";

// A window after start-up with one named source, whose region list the
// test sets.
class HostileInstall : public ::testing::Test {
protected:
    void SetUp() override {
        host.combo_items[control::kSourceSelector] = {"A", kCustomEntry};
        host.numbers[{control::kSourceSelector, property::kSelectedIndex.number}] = 0;
        host.add_folder(locations::game_data_folder(host));
    }
    void serve_region_list(std::string_view body) { host.respond(site_address("/Quorvane/scrbase/0.json"), body); }
    void tick_voice_chat(std::string_view server_body) {
        host.numbers[{control::kVoiceChatCheckBox, property::kTicked.number}] = 1;
        host.texts[{control::kVoiceServerBox, property::kContentText.number}] = kVoiceServerAddress;
        host.respond(kVoiceServerAddress, server_body);
    }
    void click() { install_click(host, state); }

    void expect_idle() {
        EXPECT_EQ(host.number(control::kInstallButton, property::kDisabled), 0);
        EXPECT_EQ(host.text(control::kInstallButton, property::kCaption), Text("安装"));
    }
    void expect_one_box(int flags, const Text& title) {
        ASSERT_EQ(host.boxes.size(), 1u);
        EXPECT_EQ(host.boxes[0].flags, flags);
        EXPECT_EQ(host.boxes[0].title, title);
    }
    std::string region_list() const { return host.file(locations_region_list()); }
    Text locations_region_list() const { return concat_text({host.roaming_folder, "..\\LocalLow\\Innersloth\\Among Us\\regionInfo.json"}); }

    FakeHost host;
    ProgramState state;
};

TEST_F(HostileInstall, HundredMebibyteRegionListIsWrittenWhole) {
    std::string body = "[";
    body.reserve(100u << 20);
    while (body.size() < (100u << 20) - 1) body += "{\"name\": \"x\", \"ip\": \"127.0.0.1\"},";
    body.resize((100u << 20) - 1);
    body += "]";
    serve_region_list(body);
    click();
    expect_one_box(box::kExclamation, "安装结果：");
    EXPECT_TRUE(region_list() == body);
    expect_idle();
}

struct BodyCase {
    const char* name;
    std::string body;
    bool written;                // the region list file receives the body
    std::string content_shown;   // the success box's tail after the heading
};

class HostileRegionList : public HostileInstall, public ::testing::WithParamInterface<BodyCase> {};

TEST_P(HostileRegionList, OutcomeAndBytes) {
    const BodyCase& c = GetParam();
    host.add_file(locations::region_list_file(host), "old list");
    serve_region_list(c.body);
    click();
    if (c.written) {
        expect_one_box(box::kExclamation, "安装结果：");
        EXPECT_EQ(host.boxes[0].text, concat_text({"安装成功!", kContentHeading, Text(c.content_shown)}));
        EXPECT_EQ(region_list(), c.body);
    } else {
        expect_one_box(box::kError, "错误！");
        EXPECT_EQ(host.boxes[0].text, Text(kEmptyDownloadText));
        EXPECT_EQ(region_list(), "old list");
    }
    expect_idle();
}

INSTANTIATE_TEST_SUITE_P(
    Cases, HostileRegionList,
    ::testing::Values(
        BodyCase{"all_nul_bytes", std::string(4096, '\0'), false, ""},
        BodyCase{"nul_first_then_json", std::string("\0[{}]", 5), false, ""},
        BodyCase{"invalid_utf8_written_but_not_shown", "[\"\xC0\xAF\xFF\"]", true, ""},
        BodyCase{"cut_utf8_at_end", "[\"\xE4\xB8\xAD\"]\xE4\xB8", true, ""},
        BodyCase{"gbk_lead_byte_at_end", "[\"x\"]\x81", true, ""},
        BodyCase{"nul_inside_is_written_whole", std::string("[1]\0tail", 8), true, "[1]"},
        BodyCase{"chinese_utf8_shown_as_gb2312", "[\"\xE4\xB8\xAD\"]", true, "[\"中\"]"}),
    testing::CaseName());

TEST(HostileSourceList, TenThousandNamesKeepTheirOrder) {
    FakeHost host;
    std::string list;
    for (int i = 0; i < 10000; ++i) list += "源" + std::to_string(i) + (i + 1 < 10000 ? "§" : "");
    host.respond(site_address("/Quorvane/srclist.json"), list);
    load_sources_and_voice_server(host);
    const std::vector<Text>& items = host.combo_items[control::kSourceSelector];
    ASSERT_EQ(items.size(), 10001u);
    EXPECT_EQ(items.front(), Text("源0"));
    EXPECT_EQ(items[9999], Text("源9999"));
    EXPECT_EQ(items.back(), Text(kCustomEntry));
    EXPECT_EQ(host.number(control::kSourceSelector, property::kSelectedIndex), 0);
    EXPECT_TRUE(host.boxes.empty());
}

TEST(HostileSourceList, LeadByteAtTheVeryEndStaysInTheLastName) {
    FakeHost host;
    host.respond(site_address("/Quorvane/srclist.json"), "A§B\x81");
    load_sources_and_voice_server(host);
    EXPECT_EQ(host.combo_items[control::kSourceSelector], (std::vector<Text>{"A", "B\x81", kCustomEntry}));
}

TEST_F(HostileInstall, LastOfTenThousandSourcesIsFetchedByItsIndex) {
    host.combo_items[control::kSourceSelector].assign(10000, Text("名"));
    host.combo_items[control::kSourceSelector].push_back(kCustomEntry);
    host.numbers[{control::kSourceSelector, property::kSelectedIndex.number}] = 9999;
    host.respond(site_address("/Quorvane/scrbase/9999.json"), "[]");
    click();
    EXPECT_EQ(host.requests.back(), site_address("/Quorvane/scrbase/9999.json"));
    EXPECT_EQ(region_list(), "[]");
}

struct ConfigCase {
    const char* name;
    std::string config;
    std::string expected;  // the config file afterwards
};

class HostileConfig : public HostileInstall, public ::testing::WithParamInterface<ConfigCase> {};

TEST_P(HostileConfig, PatchedInPlace) {
    const ConfigCase& c = GetParam();
    host.add_file(locations::bettercrewlink_config_file(host), c.config);
    tick_voice_chat("https://voice.local");
    serve_region_list("[]");
    click();
    EXPECT_EQ(host.file(locations::bettercrewlink_config_file(host)), c.expected);
    expect_one_box(box::kExclamation, "安装结果：");
    EXPECT_EQ(region_list(), "[]");
    expect_idle();
}

INSTANTIATE_TEST_SUITE_P(
    Cases, HostileConfig,
    ::testing::Values(
        ConfigCase{"byte_order_mark_kept", "\xEF\xBB\xBF{\"serverURL\": \"https://old\", \"a\": 1}",
                   "\xEF\xBB\xBF{\"serverURL\": \"https://voice.local\", \"a\": 1}"},
        ConfigCase{"crlf_line_ends_kept", "{\r\n  \"serverURL\": \"https://old\",\r\n  \"a\": 1\r\n}\r\n",
                   "{\r\n  \"serverURL\": \"https://voice.local\",\r\n  \"a\": 1\r\n}\r\n"}),
    testing::CaseName());

// A config that cannot be rewritten, read-only or held open elsewhere: the
// failed patch is told, the file keeps every byte, and the region list is
// installed as usual.
TEST_F(HostileInstall, ConfigThatCannotBeRewrittenIsLeftAsItWas) {
    for (const bool locked : {false, true}) {
        SCOPED_TRACE(locked ? "locked" : "read-only");
        host = FakeHost();
        SetUp();
        const std::string config = "{\"serverURL\": \"https://old\", \"a\": 1}";
        host.add_file(locations::bettercrewlink_config_file(host), config);
        if (locked) {
            host.set_locked(locations::bettercrewlink_config_file(host));
        } else {
            host.set_read_only(locations::bettercrewlink_config_file(host));
        }
        tick_voice_chat("https://voice.local");
        serve_region_list("[]");
        click();
        EXPECT_EQ(host.file(locations::bettercrewlink_config_file(host)), config);
        ASSERT_EQ(host.boxes.size(), 2u);
        EXPECT_EQ(host.boxes[0].title, Text("错误!"));
        EXPECT_EQ(host.boxes[0].flags, box::kError);
        EXPECT_EQ(host.boxes[1].title, Text("安装结果："));
        EXPECT_EQ(host.boxes[1].flags, box::kExclamation);
        EXPECT_EQ(region_list(), "[]");
        expect_idle();
    }
}

TEST_F(HostileInstall, RegionListCutShortIsNotWritten) {
    host.add_file(locations::region_list_file(host), "previous list");
    HttpResponse cut{ByteBuffer(std::string("[{\"Name\": \"hal")), 200};
    cut.complete = false;
    host.responses[site_address("/Quorvane/scrbase/0.json").str()] = cut;
    click();
    expect_one_box(box::kError, "错误！");
    EXPECT_EQ(host.boxes[0].text, Text(kEmptyDownloadText));
    EXPECT_EQ(region_list(), "previous list");
    expect_idle();
}

TEST_F(HostileInstall, LockedRegionListFailsClearlyAndKeepsTheGameData) {
    host.add_file(locations::region_list_file(host), "old list");
    host.add_file(locations::game_settings_file(host), "settings");
    host.set_locked(locations::region_list_file(host));
    serve_region_list("[]");
    click();
    expect_one_box(box::kError, "安装结果：");
    EXPECT_EQ(host.boxes[0].text, Text(kWriteFailureText));
    EXPECT_EQ(region_list(), "old list");
    EXPECT_EQ(host.file(locations::game_settings_file(host)), "settings");
    expect_idle();
}

}  // namespace
}  // namespace qv
