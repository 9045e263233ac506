#include <gtest/gtest.h>

#include <shlobj.h>

#include <array>

#include "host/win32/win32_host.h"
#include "tests/support/case_name.h"
#include "tests/win32/support.h"

namespace qv {
namespace {

using win32_testing::exists;
using win32_testing::file_content;
using win32_testing::put_file;
using win32_testing::running_on_wine;
using win32_testing::ScratchFolder;

class Files : public ::testing::Test {
protected:
    Win32Host host;
    ScratchFolder scratch;
};

TEST_F(Files, SpecialFolderEndsInOneBackslash) {
    const Text roaming = host.special_folder(folder::kRoamingAppData);
    ASSERT_FALSE(roaming.empty());
    EXPECT_EQ(roaming.view().back(), '\\');
    EXPECT_NE(roaming.view().substr(roaming.view().size() - 2), "\\\\");
    EXPECT_TRUE(exists(roaming.str()));
    char appdata[MAX_PATH + 1] = {};
    ASSERT_TRUE(SHGetSpecialFolderPathA(nullptr, appdata, CSIDL_APPDATA, FALSE));
    EXPECT_EQ(roaming.str(), std::string(appdata) + "\\");
}

TEST_F(Files, TempFolderIsTheSystemsWithItsBackslash) {
    char expected[MAX_PATH + 1] = {};
    GetTempPathA(sizeof expected, expected);
    EXPECT_EQ(host.temp_folder().str(), expected);
    EXPECT_EQ(host.temp_folder().view().back(), '\\');
}

TEST_F(Files, TempFolderFollowsALongTmpVariable) {
    // Longer than MAX_PATH: the host must ask with the size the system names.
    std::string deep = scratch.path();
    while (deep.size() < 300) deep += "\\" + std::string(40, 'd');
    const std::string previous = [] {
        char value[32768] = {};
        return std::string(value, GetEnvironmentVariableA("TMP", value, sizeof value));
    }();
    SetEnvironmentVariableA("TMP", deep.c_str());
    const Text folder = host.temp_folder();
    SetEnvironmentVariableA("TMP", previous.empty() ? nullptr : previous.c_str());
    if (running_on_wine() && folder.size() < 300) {
        GTEST_SKIP() << "Wine's GetTempPathA does not follow a TMP beyond MAX_PATH (gave " << folder.str() << ")";
    }
    EXPECT_EQ(folder.str(), deep + "\\");
}

TEST_F(Files, WriteWithOneEmptyBufferCreatesOrEmpties) {
    const std::string fresh = scratch / "fresh.json";
    const std::string full = scratch / "full.json";
    put_file(full, "old content");
    for (const std::string& path : {fresh, full}) {
        EXPECT_TRUE(host.write_file(path, ByteBuffer())) << path;
        EXPECT_TRUE(exists(path)) << path;
        EXPECT_EQ(file_content(path), "") << path;
    }
}

TEST_F(Files, WriteJoinsEveryBufferInOrderAndKeepsNuls) {
    const std::string path = scratch / "parts.bin";
    const std::array buffers{ByteBuffer(std::string("ab\0", 3)), ByteBuffer(), ByteBuffer(std::string("cd"))};
    EXPECT_TRUE(host.write_file(path, buffers));
    EXPECT_EQ(file_content(path), std::string("ab\0cd", 5));
}

TEST_F(Files, WriteFailsWithoutTouchingAnything) {
    EXPECT_FALSE(host.write_file("", ByteBuffer(std::string("x"))));
    EXPECT_FALSE(host.write_file(scratch / "no-such-folder\\file.json", ByteBuffer(std::string("x"))));
    EXPECT_FALSE(exists(scratch / "no-such-folder"));
}

struct MarkedFileCase {
    const char* name;
    DWORD attributes;
};

class WriteOverMarkedFile : public Files, public ::testing::WithParamInterface<MarkedFileCase> {};

TEST_P(WriteOverMarkedFile, FailsAndKeepsTheContent) {
    const std::string path = scratch / "marked.json";
    put_file(path, "kept", GetParam().attributes);
    const bool wrote = host.write_file(path, ByteBuffer(std::string("x")));
    if (running_on_wine() && wrote) {
        GTEST_SKIP() << "Wine lets CREATE_ALWAYS replace a hidden, system or read-only file";
    }
    EXPECT_FALSE(wrote);
    EXPECT_EQ(file_content(path), "kept");
}

INSTANTIATE_TEST_SUITE_P(Cases, WriteOverMarkedFile,
                         ::testing::Values(MarkedFileCase{"hidden", FILE_ATTRIBUTE_HIDDEN},
                                           MarkedFileCase{"system", FILE_ATTRIBUTE_SYSTEM},
                                           MarkedFileCase{"read_only", FILE_ATTRIBUTE_READONLY}),
                         qv::testing::CaseName());

TEST_F(Files, WriteFailsOnAFileOpenElsewhere) {
    const std::string path = scratch / "open.json";
    put_file(path, "kept");
    HANDLE other = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(other, INVALID_HANDLE_VALUE);
    EXPECT_FALSE(host.write_file(path, ByteBuffer(std::string("x"))));
    CloseHandle(other);
    EXPECT_EQ(file_content(path), "kept");
}

TEST_F(Files, ReadGivesTheWholeFileOrNothing) {
    const std::string empty = scratch / "empty.json";
    const std::string data = scratch / "data.bin";
    put_file(empty, "");
    put_file(data, std::string("x\0y\xFF", 4));
    EXPECT_TRUE(host.read_file(empty).empty());
    EXPECT_TRUE(host.read_file(scratch / "missing.json").empty());
    EXPECT_TRUE(host.read_file("").empty());
    EXPECT_EQ(host.read_file(data).str(), std::string("x\0y\xFF", 4));
}

TEST_F(Files, ReadFailsWhileAnotherProcessWrites) {
    const std::string path = scratch / "busy.json";
    put_file(path, "content");
    HANDLE writer = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(writer, INVALID_HANDLE_VALUE);
    EXPECT_TRUE(host.read_file(path).empty());
    CloseHandle(writer);
    EXPECT_EQ(host.read_file(path).str(), "content");
}

TEST_F(Files, FileExistsFindsFoldersOnlyWithoutATrailingBackslash) {
    CreateDirectoryA((scratch / "folder").c_str(), nullptr);
    put_file(scratch / "file.txt", "x");
    const std::pair<std::string, bool> rows[] = {
        {scratch / "folder", true},   {scratch / "folder\\", false}, {scratch / "file.txt", true},
        {scratch / "f*.txt", true},   {scratch / "fil?.txt", true},  {scratch / "missing", false},
        {"", false}};
    for (const auto& [path, expected] : rows) EXPECT_EQ(host.file_exists(path), expected) << "[" << path << "]";
}

TEST_F(Files, CreateFolderMakesOneLevelOnly) {
    const std::string existing = scratch / "existing";
    CreateDirectoryA(existing.c_str(), nullptr);
    EXPECT_TRUE(host.create_folder(scratch / "new"));
    EXPECT_TRUE(exists(scratch / "new"));
    EXPECT_FALSE(host.create_folder(existing));
    EXPECT_FALSE(host.create_folder(scratch / "missing\\child"));
    EXPECT_FALSE(exists(scratch / "missing"));
}

TEST_F(Files, DeleteFileRemovesOnlyWhatItMay) {
    put_file(scratch / "plain", "x");
    put_file(scratch / "read-only", "x", FILE_ATTRIBUTE_READONLY);
    EXPECT_TRUE(host.delete_file(scratch / "plain"));
    EXPECT_FALSE(exists(scratch / "plain"));
    EXPECT_FALSE(host.delete_file(scratch / "plain"));
    EXPECT_FALSE(host.delete_file(scratch / "read-only"));
    EXPECT_TRUE(exists(scratch / "read-only"));
}

TEST_F(Files, DeleteFolderRefusesDriveRootsAndEmptyPaths) {
    for (const char* path : {"", "   ", "C:", "C:\\", "   C:\\", "c:"}) {
        EXPECT_FALSE(host.delete_folder(path)) << "[" << path << "]";
    }
    // The root's own content is untouched: Windows itself is still there.
    EXPECT_TRUE(exists("C:\\windows\\system32"));
}

TEST_F(Files, DeleteFolderRemovesATreeAndSkipsLeadingSpaces) {
    const std::string tree = scratch / "tree";
    CreateDirectoryA(tree.c_str(), nullptr);
    CreateDirectoryA((tree + "\\inner").c_str(), nullptr);
    CreateDirectoryA((tree + "\\inner\\deeper").c_str(), nullptr);
    put_file(tree + "\\a.txt", "a");
    put_file(tree + "\\inner\\deeper\\b.txt", "b");
    EXPECT_TRUE(host.delete_folder("  " + tree));
    EXPECT_FALSE(exists(tree));
    EXPECT_FALSE(host.delete_folder(tree));
}

TEST_F(Files, DeleteFolderLeavesAReadOnlyFileAndItsFolder) {
    const std::string tree = scratch / "tree";
    CreateDirectoryA(tree.c_str(), nullptr);
    CreateDirectoryA((tree + "\\inner").c_str(), nullptr);
    put_file(tree + "\\plain.txt", "a");
    put_file(tree + "\\inner\\kept.txt", "k", FILE_ATTRIBUTE_READONLY);
    put_file(tree + "\\inner\\gone.txt", "g");
    EXPECT_FALSE(host.delete_folder(tree));
    EXPECT_FALSE(exists(tree + "\\plain.txt"));
    EXPECT_FALSE(exists(tree + "\\inner\\gone.txt"));
    EXPECT_EQ(file_content(tree + "\\inner\\kept.txt"), "k");
}

TEST_F(Files, DeleteFolderSkipsEntriesThatBeginWithADot) {
    const std::string tree = scratch / "tree";
    CreateDirectoryA(tree.c_str(), nullptr);
    put_file(tree + "\\.hidden-by-name", "x");
    EXPECT_FALSE(host.delete_folder(tree));
    EXPECT_TRUE(exists(tree + "\\.hidden-by-name"));
}

TEST_F(Files, ReplaceFileSwapsContentAndLeavesNoTemporaryFile) {
    const std::string path = scratch / "config.json";
    put_file(path, "old");
    EXPECT_TRUE(host.replace_file(path, ByteBuffer(std::string("new"))));
    EXPECT_EQ(file_content(path), "new");
    EXPECT_TRUE(host.replace_file(scratch / "created.json", ByteBuffer(std::string("first"))));
    EXPECT_EQ(file_content(scratch / "created.json"), "first");
    WIN32_FIND_DATAA entry;
    HANDLE search = FindFirstFileA((scratch / "*.tmp").c_str(), &entry);
    EXPECT_EQ(search, INVALID_HANDLE_VALUE) << "left behind: " << entry.cFileName;
    if (search != INVALID_HANDLE_VALUE) FindClose(search);
}

TEST_F(Files, ReplaceFileFailureKeepsTheOldContent) {
    const std::string path = scratch / "locked.json";
    put_file(path, "old");
    HANDLE other = CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(other, INVALID_HANDLE_VALUE);
    EXPECT_FALSE(host.replace_file(path, ByteBuffer(std::string("new"))));
    CloseHandle(other);
    EXPECT_EQ(file_content(path), "old");
    EXPECT_FALSE(host.replace_file(scratch / "missing\\x.json", ByteBuffer(std::string("new"))));
    WIN32_FIND_DATAA entry;
    HANDLE search = FindFirstFileA((scratch / "*.tmp").c_str(), &entry);
    EXPECT_EQ(search, INVALID_HANDLE_VALUE) << "left behind: " << entry.cFileName;
    if (search != INVALID_HANDLE_VALUE) FindClose(search);
}

}  // namespace
}  // namespace qv
