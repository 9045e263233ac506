#include "host/win32/host_rules.h"

#include <windows.h>

#include <charconv>

namespace qv::win32_rules {

int show_command(std::optional<int> show_mode) {
    static constexpr int kCommands[] = {SW_HIDE,           SW_SHOWNORMAL,     SW_SHOWMINIMIZED,
                                        SW_SHOWMAXIMIZED,  SW_SHOWNOACTIVATE, SW_MINIMIZE};
    int mode = show_mode.value_or(2);
    if (mode > 6) mode = 6;
    if (mode < 1) mode = 1;
    return kCommands[mode - 1];
}

int answer_code(int message_box_result) {
    if (message_box_result >= IDOK && message_box_result <= IDNO) return message_box_result - IDOK;
    return 0;
}

unsigned message_box_flags(int flags) {
    unsigned result = static_cast<unsigned>(flags);
    if ((result & MB_SYSTEMMODAL) == 0) result |= MB_TASKMODAL;
    return result;
}

unsigned long read_chunk_size(const std::optional<Text>& content_length) {
    constexpr unsigned long kUnknown = 10240;
    constexpr unsigned long kLargest = 102400;
    if (!content_length) return kUnknown;
    std::string_view digits = content_length->view();
    while (!digits.empty() && (digits.front() == ' ' || digits.front() == '\t')) digits.remove_prefix(1);
    while (!digits.empty() && (digits.back() == ' ' || digits.back() == '\t')) digits.remove_suffix(1);
    unsigned long long length = 0;
    const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), length);
    if (digits.empty() || error == std::errc::invalid_argument || end != digits.data() + digits.size()) {
        return kUnknown;
    }
    // A value too large to parse is still a large positive number.
    if (error == std::errc::result_out_of_range || length >= kLargest) return kLargest;
    if (length == 0) return kUnknown;
    return static_cast<unsigned long>(length) + 1;
}

Text deletable_folder(const Text& path) {
    std::string_view rest = path.view();
    while (!rest.empty() && rest.front() == ' ') rest.remove_prefix(1);
    const bool drive = rest.size() >= 2 && rest[1] == ':' &&
                       ((rest[0] >= 'A' && rest[0] <= 'Z') || (rest[0] >= 'a' && rest[0] <= 'z'));
    if (drive && (rest.size() == 2 || (rest.size() == 3 && rest[2] == '\\'))) return {};
    return Text(rest);
}

Text without_fragment(const Text& path) {
    const size_t hash = path.view().find('#');
    return hash == std::string_view::npos ? path : Text(path.view().substr(0, hash));
}

size_t grown_capacity(size_t current, size_t needed) {
    size_t capacity = current < 4096 ? 4096 : current;
    while (capacity < needed) capacity *= 2;
    return capacity;
}

}  // namespace qv::win32_rules
