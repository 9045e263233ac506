#include "host/text.h"

#include <gtest/gtest.h>

#include "tests/support/case_name.h"

#include <climits>

namespace qv {
namespace {

Text bytes(std::string_view raw) { return Text(raw); }

TEST(GbkLiterals, SourceLiteralsAreGbkBytes) {
    EXPECT_EQ(std::string("自定义"), std::string("\xD7\xD4\xB6\xA8\xD2\xE5"));
    EXPECT_EQ(std::string("§"), std::string("\xA1\xEC"));
    EXPECT_EQ(std::string("安装"), std::string("\xB0\xB2\xD7\xB0"));
}

TEST(TextType, StopsAtFirstNulAndAbsentIsEmpty) {
    EXPECT_EQ(Text(std::string_view("ab\0cd", 5)).size(), 2);
    EXPECT_EQ(Text(static_cast<const char*>(nullptr)), Text(""));
    EXPECT_TRUE(Text().empty());
}

struct FindCase {
    const char* name;
    std::string_view text;
    std::string_view sought;
    std::optional<int> start;
    bool ignore_case;
    int expected;
};

class FindText : public ::testing::TestWithParam<FindCase> {};

TEST_P(FindText, Position) {
    const FindCase& c = GetParam();
    EXPECT_EQ(find_text(bytes(c.text), bytes(c.sought), c.start, c.ignore_case), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FindText,
    ::testing::Values(
        FindCase{"first", "abcabc", "c", {}, false, 3},
        FindCase{"absent", "abcabc", "x", {}, false, -1},
        FindCase{"second_byte_of_pair_never_matches", "\x81\x41", "A", {}, false, -1},
        FindCase{"pair_itself_matches", "x\x81\x41", "\x81\x41", {}, false, 2},
        FindCase{"empty_sought_something_left", "abc", "", 3, false, 1},
        FindCase{"empty_sought_nothing_left", "abc", "", 4, false, -1},
        FindCase{"empty_sought_empty_text", "", "", {}, false, -1},
        FindCase{"start_beyond_end", "abc", "a", 9, false, -1},
        FindCase{"start_zero_searches_from_first", "abc", "a", 0, false, 1},
        FindCase{"start_negative_searches_from_first", "abc", "a", -5, false, 1},
        FindCase{"position_from_whole_text_after_start", "ab,de,gh", ",", 5, false, 6},
        FindCase{"start_on_match", "ab,de,gh", ",", 3, false, 3},
        FindCase{"case_sensitive_by_default", "ABC", "b", {}, false, -1},
        FindCase{"ignore_case", "ABC", "b", {}, true, 2},
        FindCase{"ignore_case_only_ascii", "\xC4", "\xE4", {}, true, -1},
        FindCase{"sought_longer_than_rest", "abc", "bcd", {}, false, -1},
        FindCase{"lead_byte_before_end_stops", "a\x81", "b", {}, false, -1},
        FindCase{"key_text", "{\"a\": 1, \"serverURL\": \"x\"}", "\"serverURL\": ", {}, false, 10}),
    qv::testing::CaseName());

TEST(ToLower, AsciiOnlyAndPairsUntouched) {
    EXPECT_EQ(to_lower("Among Us.EXE"), Text("among us.exe"));
    EXPECT_EQ(to_lower(bytes("\x81\x41Z")), bytes("\x81\x41z"));
    EXPECT_EQ(to_lower(""), Text(""));
}

struct ReplaceAtCase {
    const char* name;
    std::string_view text;
    int start;
    int length;
    std::string_view replacement;
    std::string_view expected;
};

class ReplaceAt : public ::testing::TestWithParam<ReplaceAtCase> {};

TEST_P(ReplaceAt, Result) {
    const ReplaceAtCase& c = GetParam();
    EXPECT_EQ(replace_at(bytes(c.text), c.start, c.length, bytes(c.replacement)).str(), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ReplaceAt,
    ::testing::Values(ReplaceAtCase{"replace_middle", "abcdef", 2, 3, "XY", "aXYef"},
                      ReplaceAtCase{"length_zero_inserts", "abc", 2, 0, "X", "aXbc"},
                      ReplaceAtCase{"length_beyond_end_removes_rest", "abcdef", 3, 99, "", "ab"},
                      ReplaceAtCase{"start_beyond_end_appends", "abc", 10, 2, "X", "abcX"},
                      ReplaceAtCase{"start_negative_is_first", "abc", -3, 1, "X", "Xbc"},
                      ReplaceAtCase{"omitted_replacement_only_removes", "abcdef", 1, 2, "", "cdef"},
                      ReplaceAtCase{"cuts_a_pair_by_raw_bytes", "\xB0\xB2", 2, 1, "", "\xB0"}),
    qv::testing::CaseName());

struct ReplaceSubtextCase {
    const char* name;
    std::string_view text;
    std::string_view sought;
    std::string_view replacement;
    std::optional<int> start;
    std::optional<int> count;
    bool case_sensitive;
    std::string_view expected;
};

class ReplaceSubtext : public ::testing::TestWithParam<ReplaceSubtextCase> {};

TEST_P(ReplaceSubtext, Result) {
    const ReplaceSubtextCase& c = GetParam();
    EXPECT_EQ(replace_subtext(bytes(c.text), bytes(c.sought), bytes(c.replacement), c.start, c.count,
                              c.case_sensitive)
                  .str(),
              c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ReplaceSubtext,
    ::testing::Values(
        ReplaceSubtextCase{"never_rescans_replacement", "aaaa", "aa", "a", {}, {}, true, "aa"},
        ReplaceSubtextCase{"all_occurrences", "x-y-z", "-", "+", {}, {}, true, "x+y+z"},
        ReplaceSubtextCase{"count_limits", "x-y-z", "-", "+", {}, 1, true, "x+y-z"},
        ReplaceSubtextCase{"count_zero_is_copy", "x-y", "-", "+", {}, 0, true, "x-y"},
        ReplaceSubtextCase{"start_skips_earlier", "x-y-z", "-", "+", 3, {}, true, "x-y+z"},
        ReplaceSubtextCase{"start_beyond_end_is_copy", "x-y", "-", "+", 9, {}, true, "x-y"},
        ReplaceSubtextCase{"empty_sought_is_copy", "x-y", "", "+", {}, {}, true, "x-y"},
        ReplaceSubtextCase{"case_insensitive_default", "aXbx", "x", "-", {}, {}, false, "a-b-"},
        ReplaceSubtextCase{"case_sensitive", "aXbx", "x", "-", {}, {}, true, "aXb-"},
        ReplaceSubtextCase{"second_byte_not_matched", "\x81\x41" "A", "A", "b", {}, {}, true, "\x81\x41" "b"},
        ReplaceSubtextCase{"omitted_replacement_removes", "a-b", "-", "", {}, {}, true, "ab"},
        ReplaceSubtextCase{"gbk_placeholder", "Rd \"根目录\"", "根目录", "C:\\U\\", {}, {}, true,
                           "Rd \"C:\\U\\\""}),
    qv::testing::CaseName());

struct SplitCase {
    const char* name;
    std::string_view text;
    std::string_view delimiter;
    std::optional<int> count;
    std::vector<std::string> expected;
};

class SplitText : public ::testing::TestWithParam<SplitCase> {};

TEST_P(SplitText, Pieces) {
    const SplitCase& c = GetParam();
    std::vector<std::string> pieces;
    for (const Text& piece : split_text(bytes(c.text), bytes(c.delimiter), c.count)) pieces.push_back(piece.str());
    EXPECT_EQ(pieces, c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SplitText,
    ::testing::Values(
        SplitCase{"three", "A§B§C", "§", {}, {"A", "B", "C"}},
        SplitCase{"trailing_adds_nothing", "A§B§", "§", {}, {"A", "B"}},
        SplitCase{"leading_gives_empty_first", "§A", "§", {}, {"", "A"}},
        SplitCase{"adjacent_give_empty", "A§§B", "§", {}, {"A", "", "B"}},
        SplitCase{"first_two_delims_second_trailing", "A§§B§", "§", {}, {"A", "", "B"}},
        SplitCase{"no_delimiter", "A", "§", {}, {"A"}},
        SplitCase{"empty_text", "", "§", {}, {}},
        SplitCase{"count_zero", "A§B", "§", 0, {}},
        SplitCase{"count_negative", "A§B", "§", -1, {}},
        SplitCase{"count_drops_rest", "A§B§C", "§", 2, {"A", "B"}},
        SplitCase{"empty_delimiter_whole", "A§B", "", {}, {"A§B"}},
        // B0 A1 then EC A1: a naive byte search would see A1 EC across the two.
        SplitCase{"second_byte_equal_to_delimiter_lead", "\xB0\xA1\xEC\xA1§B", "§", {}, {"\xB0\xA1\xEC\xA1", "B"}},
        SplitCase{"line_break_belongs_to_name", "A§B\r\n", "§", {}, {"A", "B\r\n"}},
        SplitCase{"lead_byte_at_end_stays", "A§\x81", "§", {}, {"A", "\x81"}}),
    qv::testing::CaseName());

TEST(Conversions, ToTextStopsAtFirstNul) {
    EXPECT_EQ(to_text(ByteBuffer(std::string("ab\0cd", 5))), Text("ab"));
    EXPECT_EQ(to_text(ByteBuffer(std::string("\0ab", 3))), Text(""));
    EXPECT_EQ(to_text(ByteBuffer()), Text(""));
    EXPECT_EQ(to_text(ByteBuffer(std::string("abc"))), Text("abc"));
}

TEST(Conversions, ToTextOfIntegers) {
    EXPECT_EQ(to_text(-1), Text("-1"));
    EXPECT_EQ(to_text(0), Text("0"));
    EXPECT_EQ(to_text(1234567), Text("1234567"));
    EXPECT_EQ(to_text(INT_MIN), Text("-2147483648"));
}

TEST(Conversions, ToBytesAndBlankText) {
    EXPECT_TRUE(to_bytes("").empty());
    EXPECT_EQ(to_bytes("ab").size(), 2);
    EXPECT_TRUE(blank_text(0).empty());
    EXPECT_TRUE(blank_text(-3).empty());
    EXPECT_EQ(blank_text(3), Text("   "));
}

TEST(Cutting, LeftAndRightCountRawBytes) {
    EXPECT_EQ(left_text("abc", 2), Text("ab"));
    EXPECT_EQ(left_text("abc", 9), Text("abc"));
    EXPECT_EQ(left_text("abc", 0), Text(""));
    EXPECT_EQ(right_text("abc", 1), Text("c"));
    EXPECT_EQ(right_text("abc", 9), Text("abc"));
    EXPECT_EQ(right_text("abc", -1), Text(""));
    EXPECT_EQ(right_text(bytes("\xB0\xB2"), 1), bytes("\xB2"));
    EXPECT_EQ(text_length("\xB0\xB2x"), 3);
}

TEST(Comparison, UnsignedBytesAndPrefixes) {
    EXPECT_EQ(compare_text(Text(), ""), 0);
    EXPECT_EQ(compare_text("ab", "abc"), -1);
    EXPECT_EQ(compare_text("abc", "ab"), 1);
    EXPECT_EQ(compare_text(bytes("\x80"), "a"), 1);  // 0x80 is above 'a' as unsigned
    EXPECT_EQ(compare_text("自定义", "自定义"), 0);
    const unsigned char a[] = {0x01, 0xFF}, b[] = {0x01, 0x02};
    EXPECT_EQ(compare_bytes(a, b, 2), 1);
    EXPECT_EQ(compare_bytes(a, b, 0), 0);
    EXPECT_EQ(ByteBuffer(std::string("a\0b", 3)), ByteBuffer(std::string("a\0b", 3)));
    EXPECT_FALSE(ByteBuffer(std::string("a\0b", 3)) == ByteBuffer(std::string("a\0c", 3)));
    EXPECT_EQ(ByteBuffer(), ByteBuffer(std::string()));
}

TEST(Concat, AbsentCountsAsEmpty) {
    EXPECT_EQ(concat_text({"a", Text(), "b"}), Text("ab"));
    EXPECT_EQ(concat_text({Text()}), Text(""));
}

TEST(Truncate, TowardZero) {
    EXPECT_EQ(truncate_to_int64(2.9), 2);
    EXPECT_EQ(truncate_to_int64(-2.9), -2);
    EXPECT_EQ(truncate_to_int64(1e30), INT64_MAX);
    EXPECT_EQ(truncate_to_int64(-1e30), INT64_MIN);
}

}  // namespace
}  // namespace qv
