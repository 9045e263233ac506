#include "host/win32/host_rules.h"

#include <gtest/gtest.h>
#include <windows.h>

#include "tests/support/case_name.h"

namespace qv::win32_rules {
namespace {

TEST(ShowCommand, ClampsIntoTheSixModes) {
    struct Row {
        std::optional<int> mode;
        int expected;
    };
    const Row rows[] = {{std::nullopt, SW_SHOWNORMAL}, {-3, SW_HIDE},          {0, SW_HIDE},
                        {1, SW_HIDE},                  {2, SW_SHOWNORMAL},     {3, SW_SHOWMINIMIZED},
                        {4, SW_SHOWMAXIMIZED},         {5, SW_SHOWNOACTIVATE}, {6, SW_MINIMIZE},
                        {9, SW_MINIMIZE}};
    for (const Row& row : rows) {
        EXPECT_EQ(show_command(row.mode), row.expected) << "mode " << row.mode.value_or(-99);
    }
}

TEST(AnswerCode, ButtonIdsBecomeCodesAndTheRestIsOk) {
    const std::pair<int, int> rows[] = {{IDOK, 0},    {IDCANCEL, 1}, {IDABORT, 2}, {IDRETRY, 3},
                                        {IDIGNORE, 4}, {IDYES, 5},    {IDNO, 6},    {0, 0},
                                        {IDCLOSE, 0},  {IDHELP, 0},   {IDTRYAGAIN, 0}, {-1, 0}};
    for (const auto& [result, code] : rows) EXPECT_EQ(answer_code(result), code) << "result " << result;
}

TEST(MessageBoxFlags, TaskModalUnlessSystemModal) {
    EXPECT_EQ(message_box_flags(16), 16u | MB_TASKMODAL);
    EXPECT_EQ(message_box_flags(65), 65u | MB_TASKMODAL);
    EXPECT_EQ(message_box_flags(48 | MB_SYSTEMMODAL), 48u | MB_SYSTEMMODAL);
    EXPECT_EQ(message_box_flags(36 | MB_TASKMODAL), 36u | MB_TASKMODAL);
}

struct ChunkCase {
    const char* name;
    std::optional<Text> content_length;
    unsigned long expected;
};

class ReadChunkSize : public ::testing::TestWithParam<ChunkCase> {};

TEST_P(ReadChunkSize, FollowsContentLength) {
    EXPECT_EQ(read_chunk_size(GetParam().content_length), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ReadChunkSize,
    ::testing::Values(ChunkCase{"missing", std::nullopt, 10240}, ChunkCase{"zero", Text("0"), 10240},
                      ChunkCase{"negative", Text("-5"), 10240}, ChunkCase{"not_a_number", Text("abc"), 10240},
                      ChunkCase{"trailing_garbage", Text("12x"), 10240}, ChunkCase{"empty", Text(""), 10240},
                      ChunkCase{"one", Text("1"), 2}, ChunkCase{"small", Text("1000"), 1001},
                      ChunkCase{"largest_exact", Text("102399"), 102400},
                      ChunkCase{"first_capped", Text("102400"), 102400},
                      ChunkCase{"five_mebibytes", Text("5242880"), 102400},
                      ChunkCase{"beyond_64_bits", Text("99999999999999999999999"), 102400},
                      ChunkCase{"padded", Text(" 42 "), 43}),
    qv::testing::CaseName());

TEST(DeletableFolder, RefusesEmptyAndDriveRootsAndSkipsLeadingSpaces) {
    const std::pair<const char*, const char*> rows[] = {
        {"", ""},           {"   ", ""},         {"C:", ""},           {"c:\\", ""},
        {"   C:\\", ""},    {" D:", ""},         {"C:\\x", "C:\\x"},   {"  C:\\x y", "C:\\x y"},
        {"C:\\\\", "C:\\\\"}, {"relative", "relative"}, {"1:", "1:"}};
    for (const auto& [path, expected] : rows) {
        EXPECT_EQ(deletable_folder(path).str(), expected) << "path [" << path << "]";
    }
}

TEST(WithoutFragment, CutsAtTheFirstHash) {
    EXPECT_EQ(without_fragment("/a?b=1#c#d").str(), "/a?b=1");
    EXPECT_EQ(without_fragment("/a").str(), "/a");
    EXPECT_EQ(without_fragment("#top").str(), "");
}

TEST(GrownCapacity, AtLeastDoublesSoAppendingStaysLinear) {
    EXPECT_EQ(grown_capacity(0, 10), 4096u);
    EXPECT_EQ(grown_capacity(4096, 4097), 8192u);
    EXPECT_EQ(grown_capacity(8192, 100000), 131072u);
    // Many small appends need only a logarithmic number of growths.
    size_t capacity = 0;
    int growths = 0;
    for (size_t needed = 10241; needed <= 5 * 1024 * 1024; needed += 10240) {
        if (capacity < needed) {
            capacity = grown_capacity(capacity, needed);
            ++growths;
        }
    }
    EXPECT_LE(growths, 12);
}

}  // namespace
}  // namespace qv::win32_rules
