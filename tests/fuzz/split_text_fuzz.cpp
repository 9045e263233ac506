// split_text on arbitrary bytes: the pieces joined with the delimiter give
// back the text up to a trailing delimiter, no piece holds the delimiter, and
// a count keeps the leading pieces of the unlimited split.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <string>

#include "host/text.h"
#include "tests/fuzz/fuzz_check.h"

namespace {

std::string join(const qv::TextArray& pieces, std::string_view delimiter) {
    std::string joined;
    for (size_t i = 0; i < pieces.size(); ++i) {
        if (i > 0) joined.append(delimiter);
        joined.append(pieces[i].view());
    }
    return joined;
}

bool ends_with(std::string_view text, std::string_view tail) {
    return text.size() >= tail.size() && text.substr(text.size() - tail.size()) == tail;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
    FuzzedDataProvider input(data, size);
    // Half the runs use the source list's own delimiter, the two bytes A1 EC.
    const qv::Text delimiter = input.ConsumeBool() ? qv::Text("\xA1\xEC") : qv::Text(input.ConsumeRandomLengthString(4));
    const int count = input.ConsumeIntegralInRange<int>(-2, 12);
    const qv::Text text(input.ConsumeRemainingBytesAsString());

    const qv::TextArray pieces = qv::split_text(text, delimiter);
    if (text.empty()) {
        QV_FUZZ_CHECK(pieces.empty());
    } else if (delimiter.empty()) {
        QV_FUZZ_CHECK(pieces.size() == 1 && pieces[0] == text);
    } else {
        const std::string joined = join(pieces, delimiter.view());
        if (joined != text.view()) {
            QV_FUZZ_CHECK(joined + delimiter.str() == text.str());
            QV_FUZZ_CHECK(ends_with(text.view(), delimiter.view()));
        }
        for (const qv::Text& piece : pieces) QV_FUZZ_CHECK(qv::find_text(piece, delimiter) == -1);
        // The two operations scan alike: replacing every delimiter is the
        // join with the replacement, plus one for a trailing delimiter.
        const std::string mark = "<|>";
        const std::string expected = join(pieces, mark) + (joined == text.view() ? "" : mark);
        QV_FUZZ_CHECK(qv::replace_subtext(text, delimiter, qv::Text(mark), std::nullopt, std::nullopt, true).str() ==
                      expected);
    }

    const qv::TextArray limited = qv::split_text(text, delimiter, count);
    if (count <= 0) {
        QV_FUZZ_CHECK(limited.empty());
    } else {
        const size_t kept = std::min(pieces.size(), static_cast<size_t>(count));
        QV_FUZZ_CHECK(limited.size() == kept);
        for (size_t i = 0; i < kept; ++i) QV_FUZZ_CHECK(limited[i] == pieces[i]);
    }
    return 0;
}
