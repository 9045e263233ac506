#pragma once

#include "host/host.h"
#include "host/program_state.h"

namespace qv {

// The update check and announcement; false when the user accepted the update
// and exit_program was called, so that nothing else may run.
bool check_for_update_then_announce(Host& host, ProgramState& state);

}  // namespace qv
