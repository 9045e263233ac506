// The program that the Windows host tests start through run_command, and in
// which they let the host end a process:
//   show-mode FILE              writes the STARTUPINFO show state it got
//   wait-for EVENT FILE         waits (10 s at most) for the named event, then writes FILE
//   exit CODE FILE [again]      registers a clean-up that appends to FILE and exits with CODE
//                               (with "again", after running the clean-up itself first)
//   out-of-memory FILE          registers that clean-up, then asks for more memory than exists
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <new>
#include <string>
#include <vector>

#include "host/win32/win32_host.h"

namespace {

void append(const char* path, const std::string& line) { std::ofstream(path, std::ios::app | std::ios::binary) << line << "\n"; }

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (args.size() == 2 && args[0] == "show-mode") {
        STARTUPINFOA startup = {};
        startup.cb = sizeof startup;
        GetStartupInfoA(&startup);
        const bool uses_show = (startup.dwFlags & STARTF_USESHOWWINDOW) != 0;
        append(args[1].c_str(), uses_show ? std::to_string(startup.wShowWindow) : std::string("unset"));
        return 0;
    }
    if (args.size() == 3 && args[0] == "wait-for") {
        HANDLE event = OpenEventA(SYNCHRONIZE, FALSE, args[1].c_str());
        const DWORD waited = event ? WaitForSingleObject(event, 10000) : WAIT_FAILED;
        append(args[2].c_str(), waited == WAIT_OBJECT_0 ? "signalled" : "timed out");
        return 0;
    }
    if ((args.size() == 3 || args.size() == 4) && args[0] == "exit") {
        qv::Win32Host host;
        const std::string marker = args[2];
        host.set_exit_cleanup([marker] { append(marker.c_str(), "clean-up"); });
        if (args.size() == 4) host.run_exit_cleanup();
        host.exit_program(std::atoi(args[1].c_str()));
    }
    if (args.size() == 2 && args[0] == "out-of-memory") {
        qv::Win32Host host;
        const std::string marker = args[1];
        host.set_exit_cleanup([marker] { append(marker.c_str(), "clean-up"); });
        // Larger than any address space can give, so operator new fails for real.
        void* hoard = ::operator new(static_cast<std::size_t>(-1) / 4);
        append(marker.c_str(), hoard ? "allocated" : "null");
        return 0;
    }
    std::fprintf(stderr, "qv_win32_child: unknown command\n");
    return 2;
}
