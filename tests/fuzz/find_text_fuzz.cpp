// find_text and to_lower on arbitrary bytes: every position is in range and
// lies on a character boundary reached from the start, nothing earlier
// matches, and on ASCII text the result agrees with std::string_view::find.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <string>

#include "host/text.h"
#include "tests/fuzz/fuzz_check.h"

namespace {

unsigned char lower(unsigned char byte) { return (byte >= 'A' && byte <= 'Z') ? byte + 0x20 : byte; }

bool matches_at(std::string_view text, size_t offset, std::string_view sought, bool ignore_case) {
    if (text.size() - offset < sought.size()) return false;
    for (size_t i = 0; i < sought.size(); ++i) {
        const auto a = static_cast<unsigned char>(text[offset + i]);
        const auto b = static_cast<unsigned char>(sought[i]);
        if (ignore_case ? lower(a) != lower(b) : a != b) return false;
    }
    return true;
}

bool is_ascii(std::string_view bytes) {
    for (const char c : bytes)
        if (static_cast<unsigned char>(c) >= 0x80) return false;
    return true;
}

std::string lowered(std::string_view bytes) {
    std::string copy(bytes);
    for (char& c : copy) c = static_cast<char>(lower(static_cast<unsigned char>(c)));
    return copy;
}

void check_find(const qv::Text& text, const qv::Text& sought, std::optional<int> start, bool ignore_case) {
    const int found = qv::find_text(text, sought, start, ignore_case);
    const std::string_view bytes = text.view();
    const size_t offset = (!start || *start < 1) ? 0 : static_cast<size_t>(*start - 1);

    QV_FUZZ_CHECK(found == -1 || (found >= 1 && found <= text.size()));
    if (offset >= bytes.size()) {
        QV_FUZZ_CHECK(found == -1);
        return;
    }
    if (sought.empty()) {
        QV_FUZZ_CHECK(found == 1);
        return;
    }
    // Walk the character boundaries from the start: the result is the first
    // boundary holding a match, or -1 when the walk ends without one.
    int expected = -1;
    for (size_t at = offset; at < bytes.size();) {
        if (matches_at(bytes, at, sought.view(), ignore_case)) {
            expected = static_cast<int>(at) + 1;
            break;
        }
        if (static_cast<unsigned char>(bytes[at]) >= 0x80) {
            if (at + 1 >= bytes.size()) break;
            at += 2;
        } else {
            at += 1;
        }
    }
    QV_FUZZ_CHECK(found == expected);

    if (is_ascii(bytes) && is_ascii(sought.view())) {
        const size_t floor = ignore_case ? std::string_view(lowered(bytes)).find(lowered(sought.view()), offset)
                                         : bytes.find(sought.view(), offset);
        QV_FUZZ_CHECK(found == (floor == std::string_view::npos ? -1 : static_cast<int>(floor) + 1));
    }
}

void check_to_lower(const qv::Text& text) {
    const qv::Text result = qv::to_lower(text);
    QV_FUZZ_CHECK(result.size() == text.size());
    for (int i = 0; i < text.size(); ++i) {
        const unsigned char byte = text.byte(i);
        if (byte >= 0x80 && i + 1 < text.size()) {
            QV_FUZZ_CHECK(result.byte(i) == byte && result.byte(i + 1) == text.byte(i + 1));
            ++i;
        } else {
            QV_FUZZ_CHECK(result.byte(i) == lower(byte));
        }
    }
    QV_FUZZ_CHECK(qv::to_lower(result) == result);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
    FuzzedDataProvider input(data, size);
    const bool ignore_case = input.ConsumeBool();
    const bool has_start = input.ConsumeBool();
    const int start = input.ConsumeIntegralInRange<int>(-4, 300);
    const qv::Text sought(input.ConsumeRandomLengthString(16));
    const qv::Text text(input.ConsumeRemainingBytesAsString());

    check_find(text, sought, has_start ? std::optional<int>(start) : std::nullopt, ignore_case);
    check_to_lower(text);
    return 0;
}
