#include "maintenance/maintenance.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "install/locations.h"
#include "maintenance/force_close.h"
#include "maintenance/roll_back.h"
#include "tests/support/case_name.h"
#include "tests/support/fake_host.h"

namespace qv {
namespace {

using testing::FakeHost;

FakeHost::Process process(const char* exe_file, std::uint32_t id, bool can_open = true) {
    return {exe_file, id, can_open, true, std::nullopt};
}

struct ForceCloseCase {
    const char* name;
    std::vector<FakeHost::Process> processes;
    bool snapshot_fails;
    std::vector<std::uint32_t> ended;
};

class ForceClose : public ::testing::TestWithParam<ForceCloseCase> {};

TEST_P(ForceClose, EndsFirstWholeNameMatchOnly) {
    const ForceCloseCase& c = GetParam();
    FakeHost host;
    host.processes = c.processes;
    host.snapshot_fails = c.snapshot_fails;

    force_close_click(host);

    std::vector<std::uint32_t> ended;
    for (const FakeHost::Process& process : host.processes) {
        if (process.running) continue;
        ended.push_back(process.id);
        EXPECT_EQ(process.exit_code, 0u);
    }
    EXPECT_EQ(ended, c.ended);
    EXPECT_TRUE(host.boxes.empty());
    EXPECT_TRUE(host.commands.empty()) << "no taskkill";
    EXPECT_TRUE(host.property_writes.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ForceClose,
    ::testing::Values(
        ForceCloseCase{"game_not_running", {process("explorer.exe", 4)}, false, {}},
        ForceCloseCase{"exact_name", {process("explorer.exe", 4), process("Among Us.exe", 70)}, false, {70}},
        ForceCloseCase{"other_letter_case", {process("among us.EXE", 71)}, false, {71}},
        ForceCloseCase{"name_with_more_after_it", {process("Among Us.exe.bak", 72)}, false, {}},
        ForceCloseCase{"name_without_extension", {process("Among Us", 73)}, false, {}},
        ForceCloseCase{"name_with_more_before_it", {process("Not Among Us.exe", 74)}, false, {}},
        ForceCloseCase{"first_of_two_matches_only", {process("Among Us.exe", 80), process("AMONG US.EXE", 81)},
                       false, {80}},
        ForceCloseCase{"cannot_be_opened", {process("Among Us.exe", 90, false)}, false, {}},
        ForceCloseCase{"no_snapshot", {process("Among Us.exe", 91)}, true, {}}),
    testing::CaseName());

TEST(ForceClose, SecondClickEndsTheOther) {
    FakeHost host;
    host.processes = {process("Among Us.exe", 80), process("Among Us.exe", 81)};
    force_close_click(host);
    force_close_click(host);
    EXPECT_FALSE(host.processes[0].running);
    EXPECT_FALSE(host.processes[1].running);
}

TEST(ForceClose, TerminateByNameReportsWhetherItEnded) {
    FakeHost host;
    host.processes = {process("Among Us.exe", 80, false), process("game.exe", 81)};
    EXPECT_FALSE(terminate_by_name(host, "Among Us.exe"));
    EXPECT_TRUE(terminate_by_name(host, "GAME.exe"));
    EXPECT_EQ(find_process(host, "missing.exe"), 0u);
}

struct ScriptCase {
    const char* name;
    std::string folder;
    std::string script;
};

class RemovalScript : public ::testing::TestWithParam<ScriptCase> {};

TEST_P(RemovalScript, ExactBytes) {
    const ScriptCase& c = GetParam();
    const Text script = folder_removal_script(Text(c.folder));
    EXPECT_EQ(script.str(), c.script);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RemovalScript,
    ::testing::Values(
        ScriptCase{"sample_path", "C:\\Users\\player\\AppData\\Roaming\\..\\LocalLow\\Unity\\",
                   "Rd /s /q \"C:\\Users\\player\\AppData\\Roaming\\..\\LocalLow\\Unity\\\"\r\n"
                   "Del /f /q \"Speed.bat\""},
        ScriptCase{"path_with_blank", "C:\\Users\\Li Hua\\AppData\\Roaming\\..\\LocalLow\\Unity\\",
                   "Rd /s /q \"C:\\Users\\Li Hua\\AppData\\Roaming\\..\\LocalLow\\Unity\\\"\r\n"
                   "Del /f /q \"Speed.bat\""},
        ScriptCase{"percent_sign_doubled", "C:\\Users\\100%ok%\\Unity\\",
                   "Rd /s /q \"C:\\Users\\100%%ok%%\\Unity\\\"\r\nDel /f /q \"Speed.bat\""},
        ScriptCase{"chinese_user_name", "C:\\Users\\玩家\\Unity\\",
                   "Rd /s /q \"C:\\Users\\玩家\\Unity\\\"\r\nDel /f /q \"Speed.bat\""},
        ScriptCase{"path_holding_placeholder_text", "C:\\Users\\执行文件名\\Unity\\",
                   "Rd /s /q \"C:\\Users\\执行文件名\\Unity\\\"\r\nDel /f /q \"Speed.bat\""}),
    testing::CaseName());

TEST(RemovalScript, ThirtyFourBytesMoreThanThePath) {
    const Text folder = "C:\\Users\\player\\AppData\\Roaming\\..\\LocalLow\\Unity\\";
    EXPECT_EQ(folder_removal_script(folder).size(), 34 + folder.size());
}

enum class Unity { kFolder, kFile, kMissing };

struct RollBackCase {
    const char* name;
    Unity unity;
    bool settings_present;
    std::string temporary_folder;
    bool script_runs;
};

class RollBack : public ::testing::TestWithParam<RollBackCase> {};

TEST_P(RollBack, ScriptThenSettingsDelete) {
    const RollBackCase& c = GetParam();
    FakeHost host;
    host.temporary_folder = c.temporary_folder;
    if (!c.temporary_folder.empty()) host.add_folder(Text(c.temporary_folder));
    const Text unity = locations::unity_folder(host);
    const Text settings = locations::game_settings_file(host);
    if (c.unity == Unity::kFolder) host.add_file(concat_text({unity, "\\data.cache"}), "cache");
    if (c.unity == Unity::kFile) host.add_file(unity, "not a folder");
    if (c.settings_present) host.add_file(settings, "settings");

    roll_back_click(host);

    const std::string script_path = c.temporary_folder + "Speed.bat";
    const std::string delete_settings = "delete " + FakeHost::resolve(settings);
    if (c.script_runs) {
        EXPECT_EQ(host.file(Text(script_path)), folder_removal_script(concat_text({unity, "\\"})).str());
        ASSERT_EQ(host.commands.size(), 1u);
        EXPECT_EQ(host.commands[0].line, Text("\"" + script_path + "\""));
        EXPECT_TRUE(host.commands[0].wait);
        EXPECT_EQ(host.commands[0].show_mode, show::kHidden);
        EXPECT_EQ(host.commands[0].working_folder, Text(c.temporary_folder));
        EXPECT_EQ(host.file_operations,
                  (std::vector<std::string>{"write " + FakeHost::resolve(Text(script_path)), delete_settings}));
    } else {
        EXPECT_TRUE(host.commands.empty());
        EXPECT_EQ(host.file_operations, std::vector<std::string>{delete_settings});
    }
    EXPECT_FALSE(host.has_file(settings));
    EXPECT_TRUE(host.boxes.empty());
    EXPECT_TRUE(host.property_writes.empty());
}

const std::string kTemp = "C:\\Users\\player\\AppData\\Local\\Temp\\";
const std::string kTempWithBlank = "C:\\Users\\Li Hua\\AppData\\Local\\Temp\\";

INSTANTIATE_TEST_SUITE_P(
    Cases, RollBack,
    ::testing::Values(RollBackCase{"unity_and_settings", Unity::kFolder, true, kTemp, true},
                      RollBackCase{"unity_without_settings", Unity::kFolder, false, kTemp, true},
                      RollBackCase{"settings_without_unity", Unity::kMissing, true, kTemp, false},
                      RollBackCase{"neither", Unity::kMissing, false, kTemp, false},
                      RollBackCase{"unity_is_a_file", Unity::kFile, true, kTemp, true},
                      RollBackCase{"temporary_folder_with_blank", Unity::kFolder, true, kTempWithBlank, true},
                      RollBackCase{"no_temporary_folder", Unity::kFolder, true, "", false}),
    testing::CaseName());

TEST(RollBack, FolderPathWithFinalBackslashGetsNoSecond) {
    FakeHost host;
    host.add_folder("C:\\Data\\Cache");
    remove_folder_through_script(host, "C:\\Data\\Cache\\");
    EXPECT_EQ(host.file(Text(host.temporary_folder.str() + "Speed.bat")),
              "Rd /s /q \"C:\\Data\\Cache\\\"\r\nDel /f /q \"Speed.bat\"");
}

}  // namespace
}  // namespace qv
