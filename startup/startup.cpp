#include "startup/startup.h"

#include "startup/update_check.h"

namespace qv {

void run_startup_services(Host& host, ProgramState& state) {
    if (!check_for_update_then_announce(host, state)) return;
    load_sources_and_voice_server(host);
}

}  // namespace qv
