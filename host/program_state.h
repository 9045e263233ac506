// The values that outlive a single event. One object owns them (the main
// window); handlers receive it by reference. Assigning a buffer releases the
// old one; release_all is the exit clean-up.
#pragma once

#include "host/text.h"

namespace qv {

struct ProgramState {
    ByteBuffer version_bytes;         // body of the update check's version download
    ByteBuffer region_list_bytes;     // body of the last region list download
    ByteBuffer config_bytes;          // BetterCrewLink's config as last read
    ByteBuffer patched_config_bytes;  // the config as last written back
    int key_position = -1;            // 1-based position of "serverURL": in the config text
    int comma_position = -1;

    void release_all() {
        config_bytes.clear();
        patched_config_bytes.clear();
        region_list_bytes.clear();
        version_bytes.clear();
    }
};

}  // namespace qv
