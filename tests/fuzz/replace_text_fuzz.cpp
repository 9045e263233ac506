// replace_subtext and replace_at on arbitrary bytes: an absent sought text
// and a replacement by the sought text itself leave the text as it was, the
// bytes before the start are kept, and replace_at splices exactly its span.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstdint>
#include <string>

#include "host/text.h"
#include "tests/fuzz/fuzz_check.h"

namespace {

std::optional<int> maybe(FuzzedDataProvider& input, int low, int high) {
    const bool given = input.ConsumeBool();
    const int value = input.ConsumeIntegralInRange<int>(low, high);
    return given ? std::optional<int>(value) : std::nullopt;
}

void check_replace_subtext(const qv::Text& text, const qv::Text& sought, const qv::Text& replacement,
                           std::optional<int> start, std::optional<int> count, bool case_sensitive) {
    const qv::Text result = qv::replace_subtext(text, sought, replacement, start, count, case_sensitive);
    const size_t offset = (!start || *start < 1) ? 0 : static_cast<size_t>(*start - 1);

    if (qv::find_text(text, sought, start, !case_sensitive) == -1 || sought.empty() || (count && *count == 0))
        QV_FUZZ_CHECK(result == text);
    if (case_sensitive) QV_FUZZ_CHECK(qv::replace_subtext(text, sought, sought, start, count, true) == text);
    if (offset < text.view().size())
        QV_FUZZ_CHECK(result.view().substr(0, offset) == text.view().substr(0, offset));

    // One replacement at most: the result is the text with the first match
    // from the start spliced out, which find_text locates independently.
    if (count && *count == 1 && !sought.empty() && offset < text.view().size()) {
        const int found = qv::find_text(text, sought, start, !case_sensitive);
        const qv::Text expected =
            found == -1 ? text : qv::replace_at(text, found, sought.size(), replacement);
        QV_FUZZ_CHECK(result == expected);
    }
}

void check_replace_at(const qv::Text& text, int start, int length, const qv::Text& replacement) {
    const qv::Text result = qv::replace_at(text, start, length, replacement);
    const size_t size = text.view().size();
    const size_t offset = std::min(static_cast<size_t>(std::max(start - 1, 0)), size);
    const size_t removed = length > 0 ? std::min(static_cast<size_t>(length), size - offset) : 0;
    QV_FUZZ_CHECK(result.view().size() == size - removed + replacement.view().size());
    QV_FUZZ_CHECK(result.view().substr(0, offset) == text.view().substr(0, offset));
    QV_FUZZ_CHECK(result.view().substr(offset, replacement.view().size()) == replacement.view());
    QV_FUZZ_CHECK(result.view().substr(offset + replacement.view().size()) == text.view().substr(offset + removed));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
    FuzzedDataProvider input(data, size);
    const bool case_sensitive = input.ConsumeBool();
    const std::optional<int> start = maybe(input, -3, 200);
    const std::optional<int> count = maybe(input, -2, 5);
    const int at = input.ConsumeIntegralInRange<int>(-3, 300);
    const int length = input.ConsumeIntegralInRange<int>(-3, 300);
    const qv::Text sought(input.ConsumeRandomLengthString(8));
    const qv::Text replacement(input.ConsumeRandomLengthString(8));
    const qv::Text text(input.ConsumeRemainingBytesAsString());

    check_replace_subtext(text, sought, replacement, start, count, case_sensitive);
    check_replace_at(text, at, length, replacement);
    return 0;
}
