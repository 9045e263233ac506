#include "host/win32/win32_host.h"

#include <shellapi.h>
#include <tlhelp32.h>
#include <new>
#include <string>

#include "host/win32/host_rules.h"

namespace qv {

Win32Host* Win32Host::instance_ = nullptr;

Win32Host::Win32Host() {
    instance_ = this;
    previous_new_handler_ = std::set_new_handler(&Win32Host::out_of_memory);
}

Win32Host::~Win32Host() {
    release_resources();
    std::set_new_handler(previous_new_handler_);
    if (instance_ == this) instance_ = nullptr;
}

void Win32Host::out_of_memory() {
    // Nothing here may allocate: the box's texts are literals and clearing a
    // std::function only frees.
    if (instance_) instance_->exit_cleanup_ = nullptr;
    MessageBoxA(nullptr, "内存不足，程序无法继续运行。", "Quorvane", MB_OK | MB_ICONERROR | MB_TASKMODAL);
    ExitProcess(static_cast<UINT>(-1));
}

void Win32Host::set_exit_cleanup(std::function<void()> cleanup) { exit_cleanup_ = std::move(cleanup); }

void Win32Host::run_exit_cleanup() {
    // Cleared before it runs, so that a nested exit cannot run it twice.
    std::function<void()> cleanup = std::move(exit_cleanup_);
    exit_cleanup_ = nullptr;
    if (cleanup) cleanup();
}

void Win32Host::exit_program(int exit_code) {
    run_exit_cleanup();
    release_resources();
    ExitProcess(static_cast<UINT>(exit_code));
}

bool Win32Host::run_command(const Text& command_line, bool wait, std::optional<int> show_mode,
                            const Text& working_folder) {
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = static_cast<WORD>(win32_rules::show_command(show_mode));
    PROCESS_INFORMATION process = {};
    // CreateProcessA may write into the command line, so it gets a copy.
    std::string line = command_line.str();
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        working_folder.empty() ? nullptr : working_folder.c_str(), &startup, &process)) {
        return false;
    }
    if (wait) {
        WaitForSingleObject(process.hProcess, INFINITE);
    } else {
        WaitForInputIdle(process.hProcess, 1000);
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return true;
}

void Win32Host::open_url(const Text& address) {
    ShellExecuteA(nullptr, "open", address.c_str(), nullptr, nullptr, SW_SHOWNORMAL);
}

namespace {

void dispatch_pending_messages() {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE) && message.message != WM_QUIT) {
        if (!PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) break;
        if (message.message == WM_QUIT) {
            // Arrived between the two peeks: it belongs to the main loop.
            PostQuitMessage(static_cast<int>(message.wParam));
            break;
        }
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

}  // namespace

void Win32Host::pause(int milliseconds) {
    if (milliseconds <= 0) return;
    // Unsigned differences stay right across the tick count's wrap.
    const DWORD start = GetTickCount();
    const DWORD duration = static_cast<DWORD>(milliseconds);
    for (;;) {
        dispatch_pending_messages();
        dispatch_pending_messages();
        if (GetTickCount() - start > duration) return;
        dispatch_pending_messages();
        dispatch_pending_messages();
    }
}

bool Win32Host::walk_processes(const std::function<bool(const Text& exe_file, std::uint32_t id)>& visit) {
    struct Snapshot {
        HANDLE handle = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
        ~Snapshot() {
            if (handle != INVALID_HANDLE_VALUE) CloseHandle(handle);
        }
    } snapshot;
    if (snapshot.handle == INVALID_HANDLE_VALUE) return false;
    PROCESSENTRY32 entry = {};
    entry.dwSize = sizeof entry;
    bool more = Process32First(snapshot.handle, &entry) != 0;
    while (more) {
        if (visit(Text(entry.szExeFile), entry.th32ProcessID)) break;
        more = Process32Next(snapshot.handle, &entry) != 0;
    }
    return true;
}

bool Win32Host::terminate_process(std::uint32_t id, unsigned exit_code) {
    HANDLE process = OpenProcess(PROCESS_TERMINATE, FALSE, id);
    if (!process) return false;
    const bool ended = TerminateProcess(process, exit_code) != 0;
    CloseHandle(process);
    return ended;
}

}  // namespace qv
