// Times quorvane.exe from outside, in the same Wine, the way a user meets it:
//   ui_bench startup PROGRAM  from the process's creation to the first message
//                             box (the announcement), and to the main window
//                             being visible after that box was answered;
//   ui_bench install PROGRAM  from the Install click to the result box.
// The window lists are polled every millisecond; boxes are answered with
// Cancel (the announcement's Cancel leaves any game running) or OK. Prints:
//   mode=… first_box_ms=… box_closed_ms=… window_ms=… install_ms=… box_title=… error=…
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "host/controls.h"

namespace {

constexpr DWORD kWaitLimitMs = 120000;
constexpr char kResultTitle[] = "安装结果：";
constexpr char kSuccessHead[] = "安装成功!";

double now_ms() {
    LARGE_INTEGER counter, frequency;
    QueryPerformanceCounter(&counter);
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(counter.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

unsigned long long file_time_ticks(const FILETIME& time) {
    return (static_cast<unsigned long long>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

// Milliseconds since the given process was created, on the system clock: the
// floor program measures itself the same way.
double since_creation_ms(HANDLE process) {
    FILETIME created, exited, kernel, user, now;
    GetProcessTimes(process, &created, &exited, &kernel, &user);
    GetSystemTimePreciseAsFileTime(&now);
    return static_cast<double>(file_time_ticks(now) - file_time_ticks(created)) / 10000.0;
}

struct Found {
    DWORD pid;
    HWND box = nullptr;
    HWND main = nullptr;
};

std::string window_text(HWND window) {
    char text[512] = {};
    GetWindowTextA(window, text, sizeof text);
    return text;
}

BOOL CALLBACK collect(HWND window, LPARAM context) {
    auto& found = *reinterpret_cast<Found*>(context);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (pid != found.pid || !IsWindowVisible(window)) return TRUE;
    char class_name[64] = {};
    GetClassNameA(window, class_name, sizeof class_name);
    if (std::strcmp(class_name, "#32770") == 0) found.box = window;
    else if (window_text(window) == "Quorvane") found.main = window;
    return TRUE;
}

Found look(DWORD pid) {
    Found found{pid};
    EnumWindows(collect, reinterpret_cast<LPARAM>(&found));
    return found;
}

// Polls until `ready` holds for the process's visible windows; false when the
// process ends or the limit passes first.
template <class Ready>
bool wait_for(const PROCESS_INFORMATION& process, Ready ready, Found& found) {
    const double deadline = now_ms() + kWaitLimitMs;
    for (;;) {
        found = look(process.dwProcessId);
        if (ready(found)) return true;
        if (WaitForSingleObject(process.hProcess, 1) == WAIT_OBJECT_0 || now_ms() > deadline) return false;
    }
}

void answer(HWND box, int button_id) {
    PostMessageA(box, WM_COMMAND, MAKEWPARAM(button_id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(box, button_id)));
}

bool wait_box_gone(const PROCESS_INFORMATION& process, HWND box) {
    Found found;
    return wait_for(process, [box](const Found&) { return !IsWindow(box) || !IsWindowVisible(box); }, found);
}

struct Figures {
    double first_box_ms = 0, box_closed_ms = 0, window_ms = 0, install_ms = 0;
    bool title_ok = false;
    const char* error = "none";
};

// Start-up up to the shown main window; the one box on the way is answered
// with Cancel.
bool start_to_window(const PROCESS_INFORMATION& process, Figures& figures) {
    Found found;
    if (!wait_for(process, [](const Found& f) { return f.box != nullptr || f.main != nullptr; }, found)) {
        figures.error = "no-window";
        return false;
    }
    figures.first_box_ms = since_creation_ms(process.hProcess);
    if (found.box == nullptr) {
        figures.error = "no-announcement";
        return false;
    }
    answer(found.box, IDCANCEL);
    if (!wait_box_gone(process, found.box)) {
        figures.error = "box-stayed";
        return false;
    }
    figures.box_closed_ms = since_creation_ms(process.hProcess);
    if (!wait_for(process, [](const Found& f) { return f.main != nullptr && f.box == nullptr; }, found)) {
        figures.error = "no-main-window";
        return false;
    }
    figures.window_ms = since_creation_ms(process.hProcess);
    return true;
}

bool install(const PROCESS_INFORMATION& process, Figures& figures) {
    Found found;
    if (!wait_for(process, [](const Found& f) { return f.main != nullptr; }, found)) return false;
    WaitForInputIdle(process.hProcess, kWaitLimitMs);
    const HWND main = found.main;
    const int install_id = qv::control_id(qv::control::kInstallButton);
    const HWND button = GetDlgItem(main, install_id);
    const double clicked = now_ms();
    PostMessageA(main, WM_COMMAND, MAKEWPARAM(install_id, BN_CLICKED), reinterpret_cast<LPARAM>(button));
    if (!wait_for(process, [](const Found& f) { return f.box != nullptr; }, found)) {
        figures.error = "no-result-box";
        return false;
    }
    figures.install_ms = now_ms() - clicked;
    char body[64] = {};
    GetDlgItemTextA(found.box, 0xFFFF, body, sizeof body);
    figures.title_ok = window_text(found.box) == kResultTitle &&
                       std::strncmp(body, kSuccessHead, std::strlen(kSuccessHead)) == 0;
    answer(found.box, IDOK);
    return wait_box_gone(process, found.box);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3 || (std::strcmp(argv[1], "startup") != 0 && std::strcmp(argv[1], "install") != 0)) {
        std::fprintf(stderr, "usage: ui_bench startup|install PROGRAM\n");
        return 2;
    }
    const bool installing = std::strcmp(argv[1], "install") == 0;
    std::string command_line = std::string("\"") + argv[2] + "\"";
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(nullptr, command_line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process)) {
        std::fprintf(stderr, "cannot start %s (error %lu)\n", argv[2], GetLastError());
        return 3;
    }
    Figures figures;
    bool ok = start_to_window(process, figures);
    if (ok && installing) ok = install(process, figures);
    if (ok && installing && !figures.title_ok) {
        figures.error = "not-a-success-box";
        ok = false;
    }

    Found found = look(process.dwProcessId);
    if (found.main != nullptr) PostMessageA(found.main, WM_CLOSE, 0, 0);
    if (WaitForSingleObject(process.hProcess, 30000) != WAIT_OBJECT_0) {
        TerminateProcess(process.hProcess, 1);
        if (ok) figures.error = "did-not-close";
        ok = false;
    }
    std::printf("mode=%s first_box_ms=%.1f box_closed_ms=%.1f window_ms=%.1f install_ms=%.1f box_title=%d error=%s\n",
                argv[1], figures.first_box_ms, figures.box_closed_ms, figures.window_ms, figures.install_ms, figures.title_ok ? 1 : 0,
                figures.error);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return ok ? 0 : 1;
}
