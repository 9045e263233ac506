// The program's own version, as the update check compares it byte for byte
// with the published one and as the version resource shows it.
#pragma once

namespace qv {

inline constexpr const char kProgramVersion[] = "2.2025.6.15";

}  // namespace qv
