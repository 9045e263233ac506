// The Install, voice-chat patch and Uninstall click handlers.
#pragma once

#include "host/host.h"
#include "host/program_state.h"

namespace qv {

void install_click(Host& host, ProgramState& state);
void uninstall_click(Host& host);

}  // namespace qv
