#include "install/install.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/layouts.h"
#include "host/site.h"
#include "install/locations.h"
#include "tests/support/case_name.h"
#include "tests/support/fake_host.h"
#include "tests/support/install_texts.h"

namespace qv {
namespace {

using testing::FakeHost;
using testing::kContentHeading;
using testing::kEmptyDownloadText;
using testing::kWriteFailureText;
using namespace std::string_literals;

constexpr const char kCustomAddress[] = "https://localhost:8443/my/list.json";

enum class Outcome { kSuccess, kEmptyDownload, kWriteFailure };

enum class World {
    kGameFolder,     // the game has run: its data folder exists
    kNoGameFolder,   // LocalLow exists, Innersloth does not
    kNoLocalLow,     // the folder chain cannot be rebuilt one level at a time
    kLockedFile,     // regionInfo.json held open by another process
    kReadOnlyFile,   // cleared by attrib before the write
    kStuckReadOnly,  // attrib does not get to clear it
};

struct InstallCase {
    const char* name;
    int selected_index;  // 11 is the custom entry
    std::string custom_text;
    std::string requested;
    std::optional<std::string> body;  // nullopt: no response
    int status;
    World world;
    Outcome outcome;
    std::optional<std::string> content_text;  // nullopt: not examined
    std::vector<std::string> recovery;        // file operations after the first write
};

// A window after start-up: sources 0 to 10, then the custom entry.
void set_up_window(FakeHost& host, int selected_index, const std::string& custom_text) {
    auto& items = host.combo_items[control::kSourceSelector];
    for (int i = 0; i <= 10; ++i) items.push_back(Text("源" + std::to_string(i)));
    items.push_back(kCustomEntry);
    host.numbers[{control::kSourceSelector, property::kSelectedIndex.number}] = selected_index;
    host.texts[{control::kCustomSourceBox, property::kContentText.number}] = custom_text;
}

void set_up_world(FakeHost& host, World world) {
    const Text region_list = locations::region_list_file(host);
    switch (world) {
        case World::kGameFolder: host.add_folder(locations::game_data_folder(host)); break;
        case World::kNoGameFolder: break;
        case World::kNoLocalLow:
            host.roaming_folder = "C:\\Users\\other\\AppData\\Roaming\\";
            host.add_folder(host.roaming_folder);
            break;
        case World::kLockedFile:
            host.add_file(region_list, "old");
            host.set_locked(region_list);
            break;
        case World::kReadOnlyFile:
            host.add_file(region_list, "old");
            host.set_read_only(region_list);
            break;
        case World::kStuckReadOnly:
            host.add_file(region_list, "old");
            host.set_read_only(region_list);
            host.attrib_clears_attributes = false;
            break;
    }
}

void expect_button_busy_then_idle(const FakeHost& host) {
    const std::string button = "16010006 ";
    ASSERT_GE(host.property_writes.size(), 2u);
    EXPECT_EQ(host.property_writes[0], button + "6=1");
    EXPECT_EQ(host.property_writes[1], button + "10=安装中...");
    EXPECT_EQ(host.number(control::kInstallButton, property::kDisabled), 0);
    EXPECT_EQ(host.text(control::kInstallButton, property::kCaption), Text("安装"));
}

class Install : public ::testing::TestWithParam<InstallCase> {};

TEST_P(Install, Outcome) {
    const InstallCase& c = GetParam();
    FakeHost host;
    set_up_window(host, c.selected_index, c.custom_text);
    set_up_world(host, c.world);
    if (c.body) host.respond(c.requested, *c.body, c.status);
    const Text region_list = locations::region_list_file(host);
    const std::string before = host.file(region_list);
    ProgramState state;

    install_click(host, state);

    expect_button_busy_then_idle(host);
    ASSERT_FALSE(host.commands.empty());
    EXPECT_EQ(host.commands[0].line, locations::attribute_clearing_command(host));
    EXPECT_FALSE(host.commands[0].wait);
    EXPECT_EQ(host.commands[0].show_mode, show::kHidden);
    EXPECT_EQ(host.requests, std::vector<Text>{c.requested});
    ASSERT_EQ(host.boxes.size(), 1u);
    const FakeHost::Box& shown = host.boxes[0];

    switch (c.outcome) {
        case Outcome::kSuccess:
            EXPECT_EQ(host.file(region_list), *c.body) << "the downloaded bytes, unchanged";
            EXPECT_EQ(state.region_list_bytes.str(), *c.body);
            EXPECT_EQ(shown.title, Text("安装结果："));
            EXPECT_EQ(shown.flags, box::kExclamation);
            if (c.content_text) {
                EXPECT_EQ(shown.text, Text("安装成功!"s + kContentHeading + *c.content_text));
            }
            break;
        case Outcome::kEmptyDownload:
            EXPECT_EQ(host.file(region_list), before);
            EXPECT_EQ(host.has_file(region_list), !before.empty());
            EXPECT_TRUE(host.file_operations.empty()) << "nothing is written";
            EXPECT_EQ(shown.text, Text(kEmptyDownloadText));
            EXPECT_EQ(shown.title, Text("错误！"));
            EXPECT_EQ(shown.flags, box::kError);
            break;
        case Outcome::kWriteFailure:
            EXPECT_EQ(host.file(region_list), before);
            EXPECT_EQ(shown.text, Text(kWriteFailureText));
            EXPECT_EQ(shown.title, Text("安装结果："));
            EXPECT_EQ(shown.flags, box::kError);
            break;
    }
    if (c.outcome != Outcome::kEmptyDownload) {
        const std::string write = "write " + FakeHost::resolve(region_list);
        std::vector<std::string> expected = {write};
        for (const std::string& step : c.recovery) expected.push_back(step);
        EXPECT_EQ(host.file_operations, expected);
    }
}

const std::string kSource0 = site_address("/Quorvane/scrbase/0.json").str();
const std::string kSource10 = site_address("/Quorvane/scrbase/10.json").str();
const std::string kRegions = R"({"CurrentRegionIdx":0,"Regions":[]})";
const std::string kInnersloth = "create_folder c:\\users\\player\\appdata\\locallow\\innersloth";
const std::string kGameData = "create_folder c:\\users\\player\\appdata\\locallow\\innersloth\\among us";
const std::string kWrite = "write c:\\users\\player\\appdata\\locallow\\innersloth\\among us\\regioninfo.json";
const std::string kOtherInnersloth = "create_folder c:\\users\\other\\appdata\\locallow\\innersloth";
const std::string kOtherGameData = "create_folder c:\\users\\other\\appdata\\locallow\\innersloth\\among us";
const std::string kOtherWrite = "write c:\\users\\other\\appdata\\locallow\\innersloth\\among us\\regioninfo.json";

INSTANTIATE_TEST_SUITE_P(
    Cases, Install,
    ::testing::Values(
        InstallCase{"first_source", 0, "", kSource0, kRegions, 200, World::kGameFolder, Outcome::kSuccess, kRegions, {}},
        InstallCase{"eleventh_source", 10, "", kSource10, kRegions, 200, World::kGameFolder, Outcome::kSuccess,
                    kRegions, {}},
        InstallCase{"custom_source", 11, kCustomAddress, kCustomAddress, kRegions, 200, World::kGameFolder,
                    Outcome::kSuccess, kRegions, {}},
        InstallCase{"custom_text_untrimmed", 11, " https://localhost/x.json ", " https://localhost/x.json ", "[1]",
                    200, World::kGameFolder, Outcome::kSuccess, "[1]", {}},
        InstallCase{"custom_text_not_an_address", 11, "不是地址", "不是地址", std::nullopt, 0, World::kGameFolder,
                    Outcome::kEmptyDownload, {}, {}},
        InstallCase{"failed_download", 0, "", kSource0, std::nullopt, 0, World::kGameFolder, Outcome::kEmptyDownload,
                    {}, {}},
        InstallCase{"empty_body", 0, "", kSource0, "", 200, World::kGameFolder, Outcome::kEmptyDownload, {}, {}},
        InstallCase{"body_starting_with_nul", 0, "", kSource0, "\0[]"s, 200, World::kGameFolder,
                    Outcome::kEmptyDownload, {}, {}},
        InstallCase{"not_found_page", 0, "", kSource0, "<h1>404 Not Found</h1>", 404, World::kLockedFile,
                    Outcome::kEmptyDownload, {}, {}},
        InstallCase{"server_error_page", 0, "", kSource0, "Internal Server Error", 500, World::kReadOnlyFile,
                    Outcome::kEmptyDownload, {}, {}},
        InstallCase{"first_write_fails_recovery_succeeds", 0, "", kSource0, kRegions, 200, World::kNoGameFolder,
                    Outcome::kSuccess, kRegions, {kInnersloth, kGameData, kWrite}},
        InstallCase{"both_writes_fail_no_locallow", 0, "", kSource0, kRegions, 200, World::kNoLocalLow,
                    Outcome::kWriteFailure, {}, {kOtherInnersloth, kOtherGameData, kOtherWrite}},
        InstallCase{"both_writes_fail_file_locked", 0, "", kSource0, kRegions, 200, World::kLockedFile,
                    Outcome::kWriteFailure, {}, {kInnersloth, kGameData, kWrite}},
        InstallCase{"read_only_file_cleared_first", 0, "", kSource0, kRegions, 200, World::kReadOnlyFile,
                    Outcome::kSuccess, kRegions, {}},
        InstallCase{"read_only_file_not_cleared", 0, "", kSource0, kRegions, 200, World::kStuckReadOnly,
                    Outcome::kWriteFailure, {}, {kInnersloth, kGameData, kWrite}},
        InstallCase{"bom_crlf_trailing_bytes_unchanged", 0, "", kSource0, "\xEF\xBB\xBF[\r\n]\r\n\0\xFF"s, 200,
                    World::kGameFolder, Outcome::kSuccess, std::nullopt, {}},
        InstallCase{"chinese_content_shown_as_gb2312", 0, "", kSource0, "{\"n\":\"\xE4\xB8\xAD\xE6\x96\x87\"}", 200,
                    World::kGameFolder, Outcome::kSuccess, "{\"n\":\"中文\"}", {}},
        InstallCase{"conversion_failure_empty_content", 0, "", kSource0, "[\xFF\xFE]", 200, World::kGameFolder,
                    Outcome::kSuccess, "", {}}),
    testing::CaseName());

TEST(Install, ErrorPageReplacesKeptRegionListBytes) {
    FakeHost host;
    set_up_window(host, 0, "");
    host.add_folder(locations::game_data_folder(host));
    ProgramState state;
    state.region_list_bytes = ByteBuffer(kRegions);
    host.respond(kSource0, "Not Found", 404);
    install_click(host, state);
    EXPECT_TRUE(state.region_list_bytes.empty());
}

TEST(Install, CustomEntryRecognisedByTextWhereverItStands) {
    FakeHost host;
    host.combo_items[control::kSourceSelector] = {"A", kCustomEntry, "B", kCustomEntry};
    host.numbers[{control::kSourceSelector, property::kSelectedIndex.number}] = 1;
    host.texts[{control::kCustomSourceBox, property::kContentText.number}] = kCustomAddress;
    host.add_folder(locations::game_data_folder(host));
    ProgramState state;
    install_click(host, state);
    EXPECT_EQ(host.requests, std::vector<Text>{kCustomAddress});
}

}  // namespace
}  // namespace qv
