// Game maintenance: ending the game's process and removing its local data.
#pragma once

#include "host/host.h"

namespace qv {

void force_close_click(Host& host);
void roll_back_click(Host& host);

}  // namespace qv
