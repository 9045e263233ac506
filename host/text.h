// Texts and byte buffers in the system's ANSI code page (GBK), and the pure
// operations every handler is written on. Positions are 1-based byte
// positions; a failed search is -1. A byte of 0x80 or above starts a
// two-byte character, which the scanning operations step over as one unit.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qv {

// A byte string that never holds a NUL: building one from bytes stops at the
// first NUL, as a C string would. Absent and empty are the same value.
class Text {
public:
    Text() = default;
    Text(const char* c_string) : bytes_(c_string ? c_string : "") {}
    Text(std::string_view bytes) : bytes_(bytes.substr(0, bytes.find('\0'))) {}
    Text(const std::string& bytes) : Text(std::string_view(bytes)) {}

    const char* c_str() const { return bytes_.c_str(); }
    const char* data() const { return bytes_.data(); }
    int size() const { return static_cast<int>(bytes_.size()); }
    bool empty() const { return bytes_.empty(); }
    std::string_view view() const { return bytes_; }
    const std::string& str() const { return bytes_; }
    unsigned char byte(int offset) const { return static_cast<unsigned char>(bytes_[offset]); }

    friend bool operator==(const Text& a, const Text& b) { return a.bytes_ == b.bytes_; }

private:
    std::string bytes_;
};

// A counted run of bytes that may hold NULs.
class ByteBuffer {
public:
    ByteBuffer() = default;
    explicit ByteBuffer(std::string bytes) : bytes_(std::move(bytes)) {}
    ByteBuffer(const void* data, int length)
        : bytes_(static_cast<const char*>(data), length > 0 ? static_cast<size_t>(length) : 0) {}

    const unsigned char* data() const { return reinterpret_cast<const unsigned char*>(bytes_.data()); }
    int size() const { return static_cast<int>(bytes_.size()); }
    bool empty() const { return bytes_.empty(); }
    std::string_view view() const { return bytes_; }
    const std::string& str() const { return bytes_; }
    void clear() { std::string().swap(bytes_); }

    friend bool operator==(const ByteBuffer& a, const ByteBuffer& b);

private:
    std::string bytes_;
};

using TextArray = std::vector<Text>;

int text_length(const Text& text);
Text left_text(const Text& text, int count);
Text right_text(const Text& text, int count);
int find_text(const Text& text, const Text& sought, std::optional<int> start = std::nullopt,
              bool ignore_case = false);
Text to_lower(const Text& text);
Text replace_at(const Text& text, int start, int length, const Text& replacement = {});
Text replace_subtext(const Text& text, const Text& sought, const Text& replacement = {},
                     std::optional<int> start = std::nullopt, std::optional<int> count = std::nullopt,
                     bool case_sensitive = false);
TextArray split_text(const Text& text, const Text& delimiter, std::optional<int> count = std::nullopt);
ByteBuffer to_bytes(const Text& text);
Text to_text(const ByteBuffer& bytes);
Text to_text(std::int64_t number);
Text blank_text(int count);
Text concat_text(std::initializer_list<Text> texts);
int compare_text(const Text& a, const Text& b);
int compare_bytes(const unsigned char* a, const unsigned char* b, int count);
std::int64_t truncate_to_int64(double real);

}  // namespace qv
