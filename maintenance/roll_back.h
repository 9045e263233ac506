// Removing a folder through a throw-away batch script.
#pragma once

#include "host/host.h"

namespace qv {

inline constexpr const char kScriptFileName[] = "Speed.bat";

// The script that removes the folder (given with its final backslash) and
// then deletes itself from its working directory.
Text folder_removal_script(const Text& folder_with_backslash);

// Writes the script to the temporary folder and runs it hidden, waiting for
// it, when something of the folder's name exists.
void remove_folder_through_script(Host& host, const Text& folder);

}  // namespace qv
