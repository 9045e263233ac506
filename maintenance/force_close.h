// Ending a process by its executable file name.
#pragma once

#include <cstdint>

#include "host/host.h"

namespace qv {

// The id of the first process in the snapshot whose executable file name is
// the name, ASCII letters compared without case; 0 when there is none.
std::uint32_t find_process(Host& host, const Text& exe_file);

// True when a process of that name was found and terminated with code 0.
bool terminate_by_name(Host& host, const Text& exe_file);

}  // namespace qv
