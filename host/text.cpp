#include "host/text.h"

#include <cmath>
#include <cstring>
#include <limits>

namespace qv {
namespace {

bool is_lead_byte(unsigned char byte) { return byte >= 0x80; }

unsigned char ascii_lower(unsigned char byte) {
    return (byte >= 'A' && byte <= 'Z') ? static_cast<unsigned char>(byte + 0x20) : byte;
}

bool matches_at(std::string_view text, size_t offset, std::string_view sought, bool ignore_case) {
    if (!ignore_case) return text.compare(offset, sought.size(), sought) == 0;
    for (size_t i = 0; i < sought.size(); ++i) {
        if (ascii_lower(static_cast<unsigned char>(text[offset + i])) !=
            ascii_lower(static_cast<unsigned char>(sought[i])))
            return false;
    }
    return true;
}

// Offset of the first match of `sought` at a character boundary at or after
// `offset`, or npos. A lead byte as the text's last byte ends the scan.
size_t scan_for(std::string_view text, std::string_view sought, size_t offset, bool ignore_case) {
    while (offset < text.size() && text.size() - offset >= sought.size()) {
        if (matches_at(text, offset, sought, ignore_case)) return offset;
        if (is_lead_byte(static_cast<unsigned char>(text[offset]))) {
            if (offset + 1 >= text.size()) return std::string_view::npos;
            offset += 2;
        } else {
            offset += 1;
        }
    }
    return std::string_view::npos;
}

size_t start_offset(std::optional<int> start) {
    if (!start || *start - 1 < 0) return 0;
    return static_cast<size_t>(*start - 1);
}

}  // namespace

bool operator==(const ByteBuffer& a, const ByteBuffer& b) {
    return a.size() == b.size() && (a.size() == 0 || compare_bytes(a.data(), b.data(), a.size()) == 0);
}

int text_length(const Text& text) { return text.size(); }

Text left_text(const Text& text, int count) {
    if (count <= 0) return {};
    return Text(text.view().substr(0, static_cast<size_t>(count)));
}

Text right_text(const Text& text, int count) {
    if (count <= 0) return {};
    if (count >= text.size()) return text;
    return Text(text.view().substr(static_cast<size_t>(text.size() - count)));
}

int find_text(const Text& text, const Text& sought, std::optional<int> start, bool ignore_case) {
    const size_t offset = start_offset(start);
    if (offset >= text.view().size()) return -1;
    if (sought.empty()) return 1;
    const size_t found = scan_for(text.view(), sought.view(), offset, ignore_case);
    return found == std::string_view::npos ? -1 : static_cast<int>(found) + 1;
}

Text to_lower(const Text& text) {
    std::string lowered(text.view());
    for (size_t i = 0; i < lowered.size(); ++i) {
        const auto byte = static_cast<unsigned char>(lowered[i]);
        if (is_lead_byte(byte)) {
            ++i;  // the second byte of a pair is never a letter
        } else {
            lowered[i] = static_cast<char>(ascii_lower(byte));
        }
    }
    return Text(lowered);
}

Text replace_at(const Text& text, int start, int length, const Text& replacement) {
    const std::string_view bytes = text.view();
    size_t offset = start - 1 < 0 ? 0 : static_cast<size_t>(start - 1);
    if (offset > bytes.size()) offset = bytes.size();
    size_t removed = 0;
    if (length > 0) removed = std::min(static_cast<size_t>(length), bytes.size() - offset);
    std::string result;
    result.reserve(bytes.size() - removed + replacement.view().size());
    result.append(bytes.substr(0, offset));
    result.append(replacement.view());
    result.append(bytes.substr(offset + removed));
    return Text(result);
}

Text replace_subtext(const Text& text, const Text& sought, const Text& replacement, std::optional<int> start,
                     std::optional<int> count, bool case_sensitive) {
    const std::string_view bytes = text.view();
    const size_t offset = start_offset(start);
    if (bytes.empty() || sought.empty() || offset >= bytes.size() || (count && *count == 0)) return text;

    std::string result(bytes.substr(0, offset));
    size_t position = offset;
    int replaced = 0;
    while (position < bytes.size()) {
        const size_t found = scan_for(bytes, sought.view(), position, !case_sensitive);
        if (found == std::string_view::npos) break;
        result.append(bytes.substr(position, found - position));
        result.append(replacement.view());
        position = found + sought.view().size();
        if (count && *count > 0 && ++replaced >= *count) break;
    }
    result.append(bytes.substr(position));
    return Text(result);
}

TextArray split_text(const Text& text, const Text& delimiter, std::optional<int> count) {
    TextArray pieces;
    if (text.empty() || (count && *count <= 0)) return pieces;
    if (delimiter.empty()) {
        pieces.push_back(text);
        return pieces;
    }
    const std::string_view bytes = text.view();
    size_t piece_start = 0;
    while (true) {
        const size_t found = scan_for(bytes, delimiter.view(), piece_start, false);
        if (found == std::string_view::npos) break;
        pieces.emplace_back(bytes.substr(piece_start, found - piece_start));
        piece_start = found + delimiter.view().size();
        if (count && static_cast<int>(pieces.size()) >= *count) return pieces;
    }
    if (piece_start < bytes.size()) pieces.emplace_back(bytes.substr(piece_start));
    return pieces;
}

ByteBuffer to_bytes(const Text& text) { return ByteBuffer(text.str()); }

Text to_text(const ByteBuffer& bytes) { return Text(bytes.view()); }

Text to_text(std::int64_t number) { return Text(std::to_string(number)); }

Text blank_text(int count) {
    if (count < 1) return {};
    return Text(std::string(static_cast<size_t>(count), ' '));
}

Text concat_text(std::initializer_list<Text> texts) {
    size_t total = 0;
    for (const Text& text : texts) total += text.view().size();
    std::string joined;
    joined.reserve(total);
    for (const Text& text : texts) joined.append(text.view());
    return Text(joined);
}

int compare_text(const Text& a, const Text& b) {
    const int order = a.view().compare(b.view());  // char_traits<char> compares as unsigned char
    return order < 0 ? -1 : (order > 0 ? 1 : 0);
}

int compare_bytes(const unsigned char* a, const unsigned char* b, int count) {
    if (count <= 0) return 0;
    const int order = std::memcmp(a, b, static_cast<size_t>(count));
    return order < 0 ? -1 : (order > 0 ? 1 : 0);
}

std::int64_t truncate_to_int64(double real) {
    if (std::isnan(real)) return 0;
    if (real >= 9223372036854775807.0) return std::numeric_limits<std::int64_t>::max();
    if (real <= -9223372036854775808.0) return std::numeric_limits<std::int64_t>::min();
    return static_cast<std::int64_t>(std::trunc(real));
}

}  // namespace qv
