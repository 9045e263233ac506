// Where the game and BetterCrewLink keep their files. Every location is
// composed afresh at its use from the roaming folder; nothing is cached. The
// game's LocalLow folder is reached through a parent step from Roaming.
#pragma once

#include "host/host.h"

namespace qv::locations {

Text region_list_file(Host& host);
Text game_data_folder(Host& host);
Text innersloth_folder(Host& host);
Text game_settings_file(Host& host);
Text unity_folder(Host& host);
Text bettercrewlink_config_file(Host& host);
Text attribute_clearing_command(Host& host);

// Starts the attribute-clearing command hidden, without waiting for it.
void start_attribute_clearing(Host& host);

}  // namespace qv::locations
