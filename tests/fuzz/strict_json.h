// A small strict JSON validator (RFC 8259: one value, no trailing commas, no
// comments, strings of valid UTF-8 without raw control characters) for the
// fuzz targets. A leading UTF-8 byte-order mark is allowed, since editors
// write one into config files. Nesting deeper than 200 counts as invalid.
#pragma once

#include <cstddef>
#include <string_view>

namespace qv::fuzz {

class StrictJson {
public:
    static bool valid(std::string_view text) {
        if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
        StrictJson parser(text);
        parser.skip_blanks();
        if (!parser.value(0)) return false;
        parser.skip_blanks();
        return parser.at_ == text.size();
    }

private:
    explicit StrictJson(std::string_view text) : text_(text) {}

    bool more() const { return at_ < text_.size(); }
    unsigned char peek() const { return static_cast<unsigned char>(text_[at_]); }
    bool eat(char c) {
        if (!more() || text_[at_] != c) return false;
        ++at_;
        return true;
    }
    void skip_blanks() {
        while (more() && (peek() == ' ' || peek() == '\t' || peek() == '\n' || peek() == '\r')) ++at_;
    }
    bool literal(std::string_view word) {
        if (text_.substr(at_, word.size()) != word) return false;
        at_ += word.size();
        return true;
    }

    bool value(int depth) {
        if (!more() || depth > 200) return false;
        switch (peek()) {
            case '{': return object(depth + 1);
            case '[': return array(depth + 1);
            case '"': return string();
            case 't': return literal("true");
            case 'f': return literal("false");
            case 'n': return literal("null");
            default: return number();
        }
    }

    bool object(int depth) {
        ++at_;
        skip_blanks();
        if (eat('}')) return true;
        for (;;) {
            skip_blanks();
            if (!more() || peek() != '"' || !string()) return false;
            skip_blanks();
            if (!eat(':')) return false;
            skip_blanks();
            if (!value(depth)) return false;
            skip_blanks();
            if (eat('}')) return true;
            if (!eat(',')) return false;
        }
    }

    bool array(int depth) {
        ++at_;
        skip_blanks();
        if (eat(']')) return true;
        for (;;) {
            skip_blanks();
            if (!value(depth)) return false;
            skip_blanks();
            if (eat(']')) return true;
            if (!eat(',')) return false;
        }
    }

    bool digits() {
        const size_t begin = at_;
        while (more() && peek() >= '0' && peek() <= '9') ++at_;
        return at_ > begin;
    }

    bool number() {
        eat('-');
        if (eat('0')) {
            if (more() && peek() >= '0' && peek() <= '9') return false;
        } else if (!digits()) {
            return false;
        }
        if (eat('.') && !digits()) return false;
        if (more() && (peek() == 'e' || peek() == 'E')) {
            ++at_;
            if (!eat('+')) eat('-');
            if (!digits()) return false;
        }
        return true;
    }

    bool hex4() {
        for (int i = 0; i < 4; ++i, ++at_) {
            if (!more()) return false;
            const unsigned char c = peek();
            if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'))) return false;
        }
        return true;
    }

    // One UTF-8 character of two to four bytes: no overlong forms, no
    // surrogates, nothing above U+10FFFF.
    bool utf8_sequence() {
        const unsigned char lead = peek();
        int length;
        unsigned char low = 0x80, high = 0xBF;
        if (lead >= 0xC2 && lead <= 0xDF) {
            length = 2;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            length = 3;
            if (lead == 0xE0) low = 0xA0;
            if (lead == 0xED) high = 0x9F;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            length = 4;
            if (lead == 0xF0) low = 0x90;
            if (lead == 0xF4) high = 0x8F;
        } else {
            return false;
        }
        ++at_;
        for (int i = 1; i < length; ++i, ++at_) {
            if (!more()) return false;
            const unsigned char c = peek();
            if (c < (i == 1 ? low : 0x80) || c > (i == 1 ? high : 0xBF)) return false;
        }
        return true;
    }

    bool string() {
        ++at_;
        while (more()) {
            const unsigned char c = peek();
            if (c == '"') {
                ++at_;
                return true;
            }
            if (c < 0x20) return false;
            if (c == '\\') {
                ++at_;
                if (!more()) return false;
                const char escaped = text_[at_++];
                if (escaped == 'u') {
                    if (!hex4()) return false;
                } else if (std::string_view("\"\\/bfnrt").find(escaped) == std::string_view::npos) {
                    return false;
                }
            } else if (c >= 0x80) {
                if (!utf8_sequence()) return false;
            } else {
                ++at_;
            }
        }
        return false;
    }

    std::string_view text_;
    size_t at_ = 0;
};

}  // namespace qv::fuzz
