// The small fixed rules of the Win32 host, kept free of system calls so that
// they can be checked case by case.
#pragma once

#include <optional>

#include "host/text.h"

namespace qv::win32_rules {

// The window state (SW_*) for the program's show modes 1..6; an omitted
// mode is 2, and the rest are clamped into range.
int show_command(std::optional<int> show_mode);

// MessageBoxA's button IDs (IDOK = 1 .. IDNO = 7) as the program's codes
// 0..6; anything else, a failure included, counts as OK.
int answer_code(int message_box_result);

// The flags handed to MessageBoxA: task-modal unless system-modal.
unsigned message_box_flags(int flags);

// The read size for a body with the given Content-Length header value
// (absent when the header is missing).
unsigned long read_chunk_size(const std::optional<Text>& content_length);

// The path with its leading spaces skipped; empty when delete_folder must
// refuse it (empty, or a drive root such as "C:" or "C:\").
Text deletable_folder(const Text& path);

// The request path without its fragment.
Text without_fragment(const Text& path);

// The next capacity of a buffer that must hold `needed` bytes: at least
// doubled, so that appending chunks costs linear time overall.
size_t grown_capacity(size_t current, size_t needed);

}  // namespace qv::win32_rules
