#include "startup/startup.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/layouts.h"
#include "host/site.h"
#include "tests/support/case_name.h"
#include "tests/support/fake_host.h"

namespace qv {
namespace {

using testing::FakeHost;
using namespace std::string_literals;

const std::string kVersionAddress = site_address("/Quorvane/versioninfo.json").str();
const std::string kAnnouncementAddress = site_address("/Quorvane/announcer.txt").str();
const std::string kVoiceServerAddress = site_address("/Quorvane/bcl.ini").str();
const std::string kSourceListAddress = site_address("/Quorvane/srclist.json").str();

Text new_version_text(const std::string& latest) {
    return Text("发现新版本！\r\n当前版本：2.2025.6.15\r\n最新版本："s + latest + "\r\n是否前往下载新版本安装器？");
}

// Runs both halves as the window's created event does; an accepted update
// ends the program, which the fake host reports by throwing.
void run_created_event(FakeHost& host, ProgramState& state) {
    try {
        run_startup_services(host, state);
    } catch (const testing::ProgramExited&) {
    }
}

struct UpdateCase {
    const char* name;
    std::optional<std::string> version_body;  // nullopt: the download fails
    int status;
    std::vector<int> answers;
    std::vector<std::string> titles;  // every box, in order
    std::optional<std::string> latest_shown;
    bool exits;
};

class UpdateCheck : public ::testing::TestWithParam<UpdateCase> {};

TEST_P(UpdateCheck, BoxesAndExit) {
    const UpdateCase& c = GetParam();
    FakeHost host;
    if (c.version_body) host.respond(kVersionAddress, *c.version_body, c.status);
    host.respond(kAnnouncementAddress, "公告内容");
    host.respond(kSourceListAddress, "A§B");
    host.answers.assign(c.answers.begin(), c.answers.end());
    ProgramState state;

    run_created_event(host, state);

    std::vector<std::string> titles;
    for (const FakeHost::Box& shown : host.boxes) titles.push_back(shown.title.str());
    EXPECT_EQ(titles, c.titles);
    EXPECT_EQ(state.version_bytes.str(), c.version_body.value_or(""));
    if (c.latest_shown) {
        ASSERT_FALSE(host.boxes.empty());
        EXPECT_EQ(host.boxes[0].text, new_version_text(*c.latest_shown));
        EXPECT_EQ(host.boxes[0].flags, box::kQuestionYesNo);
    }
    if (c.exits) {
        EXPECT_EQ(host.exit_code, 0);
        EXPECT_EQ(host.opened_urls, std::vector<Text>{site_address("/quorvane")});
        EXPECT_TRUE(host.combo_items.empty()) << "the source list must not load after an accepted update";
        EXPECT_EQ(host.requests, std::vector<Text>{kVersionAddress});
    } else {
        EXPECT_FALSE(host.exit_code.has_value());
        EXPECT_TRUE(host.opened_urls.empty());
        EXPECT_EQ(host.combo_items[control::kSourceSelector], (std::vector<Text>{"A", "B", kCustomEntry}));
    }
}

const std::vector<int> kNo = {answer::kNo};

INSTANTIATE_TEST_SUITE_P(
    Cases, UpdateCheck,
    ::testing::Values(
        UpdateCase{"equal_version", "2.2025.6.15", 200, {}, {"公告"}, {}, false},
        UpdateCase{"version_plus_line_break", "2.2025.6.15\r\n", 200, kNo, {"发现新版本：", "公告"}, "2.2025.6.15\r\n",
                   false},
        UpdateCase{"version_nul_and_more", "2.2025.6.15\0xyz"s, 200, kNo, {"发现新版本：", "公告"}, "2.2025.6.15",
                   false},
        UpdateCase{"body_starting_with_nul", "\0" "2.2025.6.15"s, 200, {}, {"网络错误！", "公告"}, {}, false},
        UpdateCase{"empty_body", "", 200, {}, {"网络错误！", "公告"}, {}, false},
        UpdateCase{"failed_download", std::nullopt, 0, {}, {"网络错误！", "公告"}, {}, false},
        UpdateCase{"older_version", "2.2025.6.14", 200, kNo, {"发现新版本：", "公告"}, "2.2025.6.14", false},
        UpdateCase{"version_prefix_only", "2.2025.6.1", 200, kNo, {"发现新版本：", "公告"}, "2.2025.6.1", false},
        UpdateCase{"error_page_status_ignored", "Not Found", 404, kNo, {"发现新版本：", "公告"}, "Not Found", false},
        UpdateCase{"equal_version_status_ignored", "2.2025.6.15", 500, {}, {"公告"}, {}, false},
        UpdateCase{"no_goes_on", "2.2026.1.1", 200, kNo, {"发现新版本：", "公告"}, "2.2026.1.1", false},
        UpdateCase{"yes_opens_page_and_exits", "2.2026.1.1", 200, {answer::kYes}, {"发现新版本："}, "2.2026.1.1",
                   true}),
    testing::CaseName());

TEST(UpdateCheck, NetworkErrorBoxText) {
    FakeHost host;
    ProgramState state;
    update_check_and_announcement(host, state);
    ASSERT_EQ(host.boxes.size(), 2u);
    EXPECT_EQ(host.boxes[0].text, Text("未能从服务器获得版本信息，请检查网络是否畅通。"));
    EXPECT_EQ(host.boxes[0].flags, box::kError);
}

struct AnnouncementCase {
    const char* name;
    std::optional<std::string> body;
    int answer;
    std::string shown;
    bool closes_game;
};

class Announcement : public ::testing::TestWithParam<AnnouncementCase> {};

TEST_P(Announcement, BoxAndGameClosing) {
    const AnnouncementCase& c = GetParam();
    FakeHost host;
    host.respond(kVersionAddress, "2.2025.6.15");
    if (c.body) host.respond(kAnnouncementAddress, *c.body);
    host.answers = {c.answer};
    ProgramState state;

    update_check_and_announcement(host, state);

    ASSERT_EQ(host.boxes.size(), 1u);
    EXPECT_EQ(host.boxes[0].text, Text(c.shown));
    EXPECT_EQ(host.boxes[0].title, Text("公告"));
    EXPECT_EQ(host.boxes[0].flags, box::kInformationOkCancel);
    if (c.closes_game) {
        ASSERT_EQ(host.commands.size(), 1u);
        EXPECT_EQ(host.commands[0].line, Text("taskkill /f /im \"Among Us.exe\""));
        EXPECT_FALSE(host.commands[0].wait);
        EXPECT_EQ(host.commands[0].show_mode, show::kHidden);
    } else {
        EXPECT_TRUE(host.commands.empty());
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Announcement,
    ::testing::Values(AnnouncementCase{"ok_closes_game", "今晚维护", answer::kOk, "今晚维护", true},
                      AnnouncementCase{"cancel_does_nothing", "今晚维护", answer::kCancel, "今晚维护", false},
                      AnnouncementCase{"empty_announcement_ok", "", answer::kOk, "", true},
                      AnnouncementCase{"failed_download_cancel", std::nullopt, answer::kCancel, "", false},
                      AnnouncementCase{"text_up_to_nul", "A\r\nB\0hidden"s, answer::kCancel, "A\r\nB", false}),
    testing::CaseName());

struct SourceListCase {
    const char* name;
    std::optional<std::string> list_body;  // nullopt: the download fails
    std::vector<std::string> items;
    bool custom_box_shown;
};

class SourceList : public ::testing::TestWithParam<SourceListCase> {};

TEST_P(SourceList, ItemsSelectionAndSwap) {
    const SourceListCase& c = GetParam();
    FakeHost host;
    if (c.list_body) host.respond(kSourceListAddress, *c.list_body);

    load_sources_and_voice_server(host);

    const std::vector<Text> expected(c.items.begin(), c.items.end());
    EXPECT_EQ(host.combo_items[control::kSourceSelector], expected);
    EXPECT_EQ(host.number(control::kSourceSelector, property::kSelectedIndex), 0);
    EXPECT_EQ(host.number(control::kCustomSourceBox, property::kVisible), c.custom_box_shown ? 1 : 0);
    EXPECT_EQ(host.number(control::kSourceHintLabel, property::kVisible), c.custom_box_shown ? 0 : 1);
    EXPECT_TRUE(host.boxes.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SourceList,
    ::testing::Values(
        SourceListCase{"three_names", "A§B§C", {"A", "B", "C", "自定义"}, false},
        SourceListCase{"final_delimiter_adds_nothing", "A§B§", {"A", "B", "自定义"}, false},
        SourceListCase{"leading_delimiter_gives_empty_first", "§A", {"", "A", "自定义"}, false},
        SourceListCase{"double_delimiter_gives_empty_item", "A§§B", {"A", "", "B", "自定义"}, false},
        SourceListCase{"single_name", "A", {"A", "自定义"}, false},
        SourceListCase{"line_break_belongs_to_name", "A§B\r\n", {"A", "B\r\n", "自定义"}, false},
        SourceListCase{"custom_entry_first_in_list", "自定义§A", {"自定义", "A", "自定义"}, true},
        SourceListCase{"custom_entry_later_in_list", "A§自定义", {"A", "自定义", "自定义"}, false},
        SourceListCase{"empty_list", "", {"自定义"}, true},
        SourceListCase{"list_starting_with_nul", "\0A§B"s, {"自定义"}, true},
        SourceListCase{"failed_list", std::nullopt, {"自定义"}, true},
        // 啊 is B0 A1: its second byte and the next lead byte EC are no delimiter.
        SourceListCase{"trail_byte_a1_before_ec_lead", "\xB0\xA1\xEC\xB0§B", {"\xB0\xA1\xEC\xB0", "B", "自定义"}, false},
        SourceListCase{"trail_byte_a1_next_to_delimiter", "\xB0\xA1§B", {"\xB0\xA1", "B", "自定义"}, false}),
    testing::CaseName());

struct VoiceServerCase {
    const char* name;
    std::optional<std::string> body;
    std::string box_text;
};

class VoiceServerAddress : public ::testing::TestWithParam<VoiceServerCase> {};

TEST_P(VoiceServerAddress, BoxTakesBodyWhole) {
    const VoiceServerCase& c = GetParam();
    FakeHost host;
    if (c.body) host.respond(kVoiceServerAddress, *c.body);
    load_sources_and_voice_server(host);
    EXPECT_EQ(host.text(control::kVoiceServerBox, property::kContentText), Text(c.box_text));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, VoiceServerAddress,
    ::testing::Values(VoiceServerCase{"address", "https://voice.localhost", "https://voice.localhost"},
                      VoiceServerCase{"untrimmed", " https://voice.localhost\r\n", " https://voice.localhost\r\n"},
                      VoiceServerCase{"up_to_nul", "https://v\0junk"s, "https://v"},
                      VoiceServerCase{"failed_download_empties_box", std::nullopt, ""}),
    testing::CaseName());

TEST(StartupServices, UpdateCheckAnnouncementThenSourcesInOrder) {
    FakeHost host;
    host.respond(kVersionAddress, "2.2025.6.15");
    ProgramState state;
    run_startup_services(host, state);
    EXPECT_EQ(host.requests, (std::vector<Text>{kVersionAddress, kAnnouncementAddress, kVoiceServerAddress,
                                                kSourceListAddress}));
}

}  // namespace
}  // namespace qv
