// Helpers of the Windows host tests: scratch folders on the real file
// system, the child program, the local site server's ports and a finder
// for message boxes.
#pragma once

#include <windows.h>

#include <string>

#include "host/text.h"

namespace qv::win32_testing {

bool running_on_wine();

// A fresh folder under the system's temporary folder, removed with all it
// holds (attributes cleared first) when the test is done.
class ScratchFolder {
public:
    ScratchFolder();
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const std::string& path() const { return path_; }
    std::string operator/(const std::string& name) const { return path_ + "\\" + name; }

private:
    std::string path_;
};

void put_file(const std::string& path, const std::string& bytes, DWORD attributes = FILE_ATTRIBUTE_NORMAL);
std::string file_content(const std::string& path);  // empty when missing
bool exists(const std::string& path);

// The command line that starts qv_win32_child.exe (beside this program).
std::string child_command(const std::string& arguments);

// The port the test wrapper's site server listens on for a listener, from
// QV_TEST_<NAME>_PORT; 0 when the tests were started without it.
int site_port(const char* name);
// A loopback port on which nothing listens.
int closed_port();

// The first message box (dialog class #32770) of the process with this
// title, waited for at most `timeout_ms`; null when none appeared.
HWND wait_for_box(DWORD process_id, const std::string& title, DWORD timeout_ms = 10000);
// The texts of a box's static controls, joined: what the box says.
std::string box_text(HWND box);

}  // namespace qv::win32_testing
