#include "maintenance/force_close.h"

#include "maintenance/maintenance.h"

namespace qv {

std::uint32_t find_process(Host& host, const Text& exe_file) {
    const Text wanted = to_lower(exe_file);
    std::uint32_t found = 0;
    host.walk_processes([&](const Text& entry_exe_file, std::uint32_t id) {
        if (compare_text(to_lower(entry_exe_file), wanted) != 0) return false;
        found = id;
        return true;
    });
    return found;
}

bool terminate_by_name(Host& host, const Text& exe_file) {
    const std::uint32_t id = find_process(host, exe_file);
    return id != 0 && host.terminate_process(id, 0);
}

void force_close_click(Host& host) { terminate_by_name(host, "Among Us.exe"); }

}  // namespace qv
