// The start-up services, run on the window's created event while the window
// is still hidden: first the update check and announcement, then the source
// list and voice-server address.
#pragma once

#include "host/host.h"
#include "host/program_state.h"

namespace qv {

void update_check_and_announcement(Host& host, ProgramState& state);
void load_sources_and_voice_server(Host& host);
// Both halves in order; the second never runs when the first ends the program.
void run_startup_services(Host& host, ProgramState& state);

}  // namespace qv
