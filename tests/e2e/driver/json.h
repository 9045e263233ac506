// A JSON writer just big enough for the driver's replies: objects, arrays,
// UTF-8 strings, integers and flags, written in order.
#pragma once

#include <cstdio>
#include <string>
#include <type_traits>
#include <vector>

namespace qv::e2e {

class JsonWriter {
public:
    JsonWriter& begin_object() { return open('{'); }
    JsonWriter& end_object() { return close('}'); }
    JsonWriter& begin_array() { return open('['); }
    JsonWriter& end_array() { return close(']'); }

    JsonWriter& key(const std::string& name) {
        separate();
        write_string(name);
        out_ += ':';
        after_key_ = true;
        return *this;
    }

    JsonWriter& value(const std::string& text) {
        separate();
        write_string(text);
        return *this;
    }
    JsonWriter& value(const char* text) { return value(std::string(text)); }
    template <class Integer>
        requires(std::is_integral_v<Integer> && !std::is_same_v<Integer, bool>)
    JsonWriter& value(Integer number) {
        separate();
        out_ += std::to_string(number);
        return *this;
    }
    JsonWriter& value(bool flag) {
        separate();
        out_ += flag ? "true" : "false";
        return *this;
    }

    const std::string& str() const { return out_; }

private:
    JsonWriter& open(char bracket) {
        separate();
        out_ += bracket;
        first_.push_back(true);
        return *this;
    }
    JsonWriter& close(char bracket) {
        out_ += bracket;
        first_.pop_back();
        return *this;
    }
    // A comma before every member but the first, and none after a key.
    void separate() {
        if (after_key_) {
            after_key_ = false;
            return;
        }
        if (first_.empty()) return;
        if (!first_.back()) out_ += ',';
        first_.back() = false;
    }
    void write_string(const std::string& text) {
        out_ += '"';
        for (unsigned char c : text) {
            switch (c) {
            case '"': out_ += "\\\""; break;
            case '\\': out_ += "\\\\"; break;
            case '\n': out_ += "\\n"; break;
            case '\r': out_ += "\\r"; break;
            case '\t': out_ += "\\t"; break;
            default:
                if (c < 0x20) {
                    char escaped[8];
                    std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
                    out_ += escaped;
                } else {
                    out_ += static_cast<char>(c);
                }
            }
        }
        out_ += '"';
    }

    std::string out_;
    std::vector<bool> first_;
    bool after_key_ = false;
};

}  // namespace qv::e2e
