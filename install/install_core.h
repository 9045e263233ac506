// The part of Install that both the plain and the voice-chat path run: from
// resolving the source to restoring the Install button.
#pragma once

#include "host/host.h"
#include "host/program_state.h"

namespace qv {

enum class SuccessText { kPlain, kVoiceChat };

Text resolve_source_url(Host& host);
void install_region_list(Host& host, ProgramState& state, SuccessText success_text);
void set_install_button_busy(Host& host, bool busy);

}  // namespace qv
