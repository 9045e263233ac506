// Rewriting BetterCrewLink's "serverURL" to the community voice server.
#pragma once

#include <optional>

#include "host/host.h"
#include "host/program_state.h"

namespace qv {

// The 1-based span [start, end) of the JSON string value, quotes included,
// that follows the first "\"serverURL\": " in the text; empty when the key
// is absent or its value is not a complete JSON string.
struct ValueSpan {
    int key_position;
    int start;
    int end;
};
std::optional<ValueSpan> find_server_url_value(const Text& config_text);

// The fetched server text, trimmed of ASCII white space and escaped for a
// JSON string; empty when it is not an absolute http(s) address.
Text server_url_json_string(const Text& server_text);

// The voice-chat half of Install, entered with the button busy. Either ends
// the handler itself (no config file) or runs the install core.
void voice_chat_install(Host& host, ProgramState& state);

}  // namespace qv
