#include <gtest/gtest.h>

#include "host/win32/win32_host.h"
#include "tests/support/case_name.h"

namespace qv {
namespace {

struct ConversionCase {
    const char* name;
    std::string input;
    const char* from;
    const char* to;
    std::string expected;  // empty: the conversion must give nothing
};

class ConvertEncoding : public ::testing::TestWithParam<ConversionCase> {
protected:
    Win32Host host;
};

TEST_P(ConvertEncoding, WholeOrNothing) {
    const ConversionCase& c = GetParam();
    const ByteBuffer result = host.convert_encoding(ByteBuffer(c.input), c.from, c.to);
    EXPECT_EQ(result.str(), c.expected);
}

// A long run of ASCII turned into UTF-16: the output is twice the input, so
// the output area grows several times before it is large enough.
std::string ascii_run(size_t size) { return std::string(size, 'a'); }
std::string utf16_run(size_t size) {
    std::string bytes;
    for (size_t i = 0; i < size; ++i) bytes.append("a\0", 2);
    return bytes;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ConvertEncoding,
    ::testing::Values(
        ConversionCase{"chinese", "\xE8\x87\xAA\xE5\xAE\x9A\xE4\xB9\x89", "UTF-8", "GB2312", "\xD7\xD4\xB6\xA8\xD2\xE5"},
        ConversionCase{"mixed_json", "{\"name\":\"\xE4\xBA\x9A\xE6\xB4\xB2\"}", "UTF-8", "GB2312",
                       "{\"name\":\"\xD1\xC7\xD6\xDE\"}"},
        ConversionCase{"emoji_has_no_gb2312", "ok \xF0\x9F\x98\x80", "UTF-8", "GB2312", ""},
        ConversionCase{"same_without_emoji", "ok ", "UTF-8", "GB2312", "ok "},
        ConversionCase{"invalid_utf8", "a\xFF" "b", "UTF-8", "GB2312", ""},
        ConversionCase{"cut_off_utf8", "a\xE8\x87", "UTF-8", "GB2312", ""},
        ConversionCase{"empty", "", "UTF-8", "GB2312", ""},
        ConversionCase{"unknown_set", "abc", "UTF-8", "NO-SUCH-SET", ""},
        ConversionCase{"output_twice_the_input", ascii_run(10000), "UTF-8", "UTF-16LE", utf16_run(10000)},
        ConversionCase{"short_output_grows_too", "ab", "UTF-8", "UTF-32LE",
                       std::string("a\0\0\0b\0\0\0", 8)}),
    qv::testing::CaseName());

}  // namespace
}  // namespace qv
