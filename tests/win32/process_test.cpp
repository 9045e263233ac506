#include <gtest/gtest.h>

#include "host/win32/win32_host.h"
#include "install/locations.h"
#include "tests/win32/support.h"

namespace qv {
namespace {

using win32_testing::child_command;
using win32_testing::exists;
using win32_testing::file_content;
using win32_testing::put_file;
using win32_testing::running_on_wine;
using win32_testing::ScratchFolder;

// Starts the child directly, not through the host under test.
bool spawn_child(const std::string& arguments, PROCESS_INFORMATION& child) {
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    std::string line = child_command(arguments);
    return CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &child) != 0;
}

class Processes : public ::testing::Test {
protected:
    Win32Host host;
    ScratchFolder scratch;
};

TEST_F(Processes, ShowModeReachesTheChildClamped) {
    const std::pair<std::optional<int>, int> rows[] = {
        {std::nullopt, SW_SHOWNORMAL}, {0, SW_HIDE},          {1, SW_HIDE},           {2, SW_SHOWNORMAL},
        {3, SW_SHOWMINIMIZED},        {4, SW_SHOWMAXIMIZED}, {5, SW_SHOWNOACTIVATE}, {6, SW_MINIMIZE},
        {9, SW_MINIMIZE}};
    for (const auto& [mode, expected] : rows) {
        const std::string report = scratch / ("show-" + std::to_string(mode.value_or(-1)));
        ASSERT_TRUE(host.run_command(child_command("show-mode \"" + report + "\""), true, mode));
        EXPECT_EQ(file_content(report), std::to_string(expected) + "\n") << "mode " << mode.value_or(-1);
    }
}

TEST_F(Processes, WaitHoldsTheCallerUntilTheChildEnds) {
    HANDLE go = CreateEventA(nullptr, TRUE, TRUE, "qv-test-go-now");
    const std::string report = scratch / "waited";
    ASSERT_TRUE(host.run_command(child_command("wait-for qv-test-go-now \"" + report + "\""), true, 1));
    EXPECT_EQ(file_content(report), "signalled\n");
    CloseHandle(go);
}

TEST_F(Processes, NoWaitReturnsWhileTheChildStillRuns) {
    // The child cannot finish before the event is set, which happens only
    // after run_command has returned.
    HANDLE go = CreateEventA(nullptr, TRUE, FALSE, "qv-test-go-later");
    const std::string report = scratch / "not-waited";
    ASSERT_TRUE(host.run_command(child_command("wait-for qv-test-go-later \"" + report + "\""), false, 1));
    EXPECT_FALSE(exists(report));
    SetEvent(go);
    for (int tries = 0; tries < 500 && file_content(report).empty(); ++tries) Sleep(20);
    EXPECT_EQ(file_content(report), "signalled\n");
    CloseHandle(go);
}

TEST_F(Processes, RunCommandPutsNoInterpreterInFront) {
    // "echo" is a command of the interpreter, not a program: started as it
    // stands it cannot be found.
    EXPECT_FALSE(host.run_command("echo hello", true, 1));
    EXPECT_FALSE(host.run_command("", true, 1));
    EXPECT_FALSE(host.run_command("\"C:\\no such program.exe\"", false, 1));
}

TEST_F(Processes, WorkingFolderIsPassedOrInherited) {
    put_file(scratch / "here.txt", "x");
    EXPECT_TRUE(host.run_command("cmd /c if exist here.txt (echo found> seen.txt)", true, 1, Text(scratch.path())));
    EXPECT_EQ(file_content(scratch / "seen.txt"), "found\r\n");
}

TEST_F(Processes, WalkFindsThisProcessAndStopsWhenAsked) {
    const DWORD own = GetCurrentProcessId();
    Text own_name;
    int visited = 0;
    EXPECT_TRUE(host.walk_processes([&](const Text& exe_file, std::uint32_t id) {
        ++visited;
        if (id != own) return false;
        own_name = exe_file;
        return true;
    }));
    EXPECT_EQ(own_name.str(), "qv_win32_tests.exe");
    int after_stop = 0;
    host.walk_processes([&](const Text&, std::uint32_t) { return ++after_stop == 1; });
    EXPECT_EQ(after_stop, 1);
    EXPECT_GE(visited, 1);
}

TEST_F(Processes, TerminateEndsAProcessWithTheCode) {
    HANDLE never = CreateEventA(nullptr, TRUE, FALSE, "qv-test-never");
    PROCESS_INFORMATION child = {};
    ASSERT_TRUE(spawn_child("wait-for qv-test-never \"" + (scratch / "ignored") + "\"", child));
    EXPECT_TRUE(host.terminate_process(child.dwProcessId, 1));
    EXPECT_EQ(WaitForSingleObject(child.hProcess, 10000), WAIT_OBJECT_0);
    DWORD code = 0;
    GetExitCodeProcess(child.hProcess, &code);
    EXPECT_EQ(code, 1u);
    CloseHandle(child.hThread);
    CloseHandle(child.hProcess);
    CloseHandle(never);
    EXPECT_FALSE(host.terminate_process(0xFFFFFFF0u, 1));
}

// Runs the child to its end, at most 30 s, and gives its exit code.
DWORD run_child(const std::string& arguments) {
    PROCESS_INFORMATION child = {};
    if (!spawn_child(arguments, child)) return 0xDEAD;
    if (WaitForSingleObject(child.hProcess, 30000) != WAIT_OBJECT_0) TerminateProcess(child.hProcess, 0xDEAD);
    DWORD code = 0;
    GetExitCodeProcess(child.hProcess, &code);
    CloseHandle(child.hThread);
    CloseHandle(child.hProcess);
    return code;
}

TEST_F(Processes, ExitProgramRunsTheCleanUpOnceAndEndsWithTheCode) {
    const std::pair<const char*, const char*> rows[] = {{"0", ""}, {"7", ""}, {"3", " again"}};
    for (const auto& [code, again] : rows) {
        const std::string marker = scratch / (std::string("exit-") + code);
        EXPECT_EQ(run_child(std::string("exit ") + code + " \"" + marker + "\"" + again),
                  static_cast<DWORD>(std::atoi(code)));
        EXPECT_EQ(file_content(marker), "clean-up\n") << "code " << code << again;
    }
}

TEST_F(Processes, OutOfMemoryShowsABoxAndEndsWithMinusOneWithoutCleanUp) {
    const std::string marker = scratch / "oom";
    PROCESS_INFORMATION child = {};
    ASSERT_TRUE(spawn_child("out-of-memory \"" + marker + "\"", child));
    HWND box = win32_testing::wait_for_box(child.dwProcessId, "Quorvane");
    EXPECT_NE(box, nullptr);
    if (box) {
        EXPECT_EQ(win32_testing::box_text(box), "内存不足，程序无法继续运行。");
        PostMessageA(box, WM_COMMAND, IDOK, 0);
    }
    if (WaitForSingleObject(child.hProcess, 30000) != WAIT_OBJECT_0) TerminateProcess(child.hProcess, 0xDEAD);
    DWORD code = 0;
    GetExitCodeProcess(child.hProcess, &code);
    CloseHandle(child.hThread);
    CloseHandle(child.hProcess);
    EXPECT_EQ(code, static_cast<DWORD>(-1));
    EXPECT_FALSE(exists(marker));
}

// The attribute-clearing command, run for real on a region list file below
// a scratch roaming folder.
class ScratchRoamingHost : public Win32Host {
public:
    explicit ScratchRoamingHost(std::string roaming) : roaming_(std::move(roaming)) {}
    Text special_folder(int) override { return Text(roaming_); }

private:
    std::string roaming_;
};

TEST_F(Processes, AttributeClearingCommandClearsTheRegionListsAttributes) {
    const std::string roaming = scratch / "Roaming in space";
    CreateDirectoryA(roaming.c_str(), nullptr);
    for (const char* folder : {"\\LocalLow", "\\LocalLow\\Innersloth", "\\LocalLow\\Innersloth\\Among Us"}) {
        CreateDirectoryA((scratch.path() + folder).c_str(), nullptr);
    }
    const std::string region_list = scratch / "LocalLow\\Innersloth\\Among Us\\regionInfo.json";
    put_file(region_list, "{}", FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE);
    ScratchRoamingHost roaming_host(roaming + "\\");
    ASSERT_TRUE(roaming_host.run_command(locations::attribute_clearing_command(roaming_host), true, show::kHidden));
    const DWORD attributes = GetFileAttributesA(region_list.c_str());
    EXPECT_EQ(attributes & FILE_ATTRIBUTE_READONLY, 0u);
    if (running_on_wine() && (attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE))) {
        GTEST_SKIP() << "Wine's attrib clears only the read-only mark";
    }
    EXPECT_EQ(attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE | FILE_ATTRIBUTE_SYSTEM), 0u);
}

}  // namespace
}  // namespace qv
