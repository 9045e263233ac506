// Drives a running program from outside, as a user would: reads its windows
// and controls, clicks, selects, types, and answers its message boxes.
//
// It reads one command per line on stdin (fields separated by tabs, texts in
// UTF-8) and answers each with one line of JSON on stdout. Every wait is
// bounded by a time-out given with the command.
#include <windows.h>
#include <tlhelp32.h>
#include <wincrypt.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "tests/e2e/driver/json.h"

namespace {

using qv::e2e::JsonWriter;

std::map<DWORD, HANDLE> g_processes;  // every process this driver started

std::vector<std::string> split_fields(const std::string& line) {
    std::vector<std::string> fields;
    std::string field;
    for (char c : line) {
        if (c == '\t') {
            fields.push_back(field);
            field.clear();
        } else if (c != '\r') {
            field += c;
        }
    }
    fields.push_back(field);
    return fields;
}

std::wstring to_wide(UINT code_page, const std::string& text) {
    if (text.empty()) return std::wstring();
    int length = MultiByteToWideChar(code_page, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<size_t>(length), L'\0');
    MultiByteToWideChar(code_page, 0, text.data(), static_cast<int>(text.size()), wide.data(), length);
    return wide;
}

std::wstring utf8_to_wide(const std::string& text) { return to_wide(CP_UTF8, text); }

std::string wide_to_utf8(const std::wstring& wide) {
    if (wide.empty()) return std::string();
    int length = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0,
                                     nullptr, nullptr);
    std::string text(static_cast<size_t>(length), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), text.data(), length, nullptr,
                        nullptr);
    return text;
}

// The program's texts are in the ANSI code page; the test side compares
// them with UTF-8 literals.
std::string ansi_to_utf8(const std::string& ansi) { return wide_to_utf8(to_wide(CP_ACP, ansi)); }

constexpr UINT kMessageTimeoutMs = 2000;

// WM_GETTEXT is sent rather than GetWindowText, which does not ask a control
// of another process for its text.
std::string window_text(HWND window) {
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutA(window, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, kMessageTimeoutMs, &length))
        return std::string();
    std::string ansi(static_cast<size_t>(length) + 1, '\0');
    DWORD_PTR copied = 0;
    if (!SendMessageTimeoutA(window, WM_GETTEXT, length + 1, reinterpret_cast<LPARAM>(ansi.data()),
                             SMTO_ABORTIFHUNG, kMessageTimeoutMs, &copied))
        return std::string();
    ansi.resize(static_cast<size_t>(copied));
    return ansi_to_utf8(ansi);
}

std::string class_name(HWND window) {
    char name[256] = {};
    GetClassNameA(window, name, sizeof name);
    return name;
}

std::string lower(std::string text) {
    for (char& c : text)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return text;
}

bool is_combo(HWND window) { return lower(class_name(window)).find("combobox") != std::string::npos; }
bool is_button(HWND window) { return lower(class_name(window)) == "button"; }

// Wide messages here: Wine's cross-process marshalling of the ANSI
// CB_GETLBTEXT counts characters where the text has bytes, and cuts
// double-byte items short.
std::vector<std::string> combo_items(HWND combo) {
    std::vector<std::string> items;
    DWORD_PTR count = 0;
    if (!SendMessageTimeoutW(combo, CB_GETCOUNT, 0, 0, SMTO_ABORTIFHUNG, kMessageTimeoutMs, &count)) return items;
    for (WPARAM i = 0; i < static_cast<WPARAM>(static_cast<LRESULT>(count)); ++i) {
        DWORD_PTR length = 0;
        SendMessageTimeoutW(combo, CB_GETLBTEXTLEN, i, 0, SMTO_ABORTIFHUNG, kMessageTimeoutMs, &length);
        if (static_cast<LRESULT>(length) < 0) length = 0;
        std::wstring wide(static_cast<size_t>(length) * 2 + 16, L'\0');
        DWORD_PTR copied = 0;
        SendMessageTimeoutW(combo, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(wide.data()), SMTO_ABORTIFHUNG,
                            kMessageTimeoutMs, &copied);
        if (static_cast<LRESULT>(copied) < 0) copied = 0;
        wide.resize(std::min(static_cast<size_t>(copied), wide.size()));
        items.push_back(wide_to_utf8(wide));
    }
    return items;
}

// An icon handle means nothing in another process, so the icon is told by
// its look: the control's pixels on the screen against each system icon
// drawn here on the same background.
std::vector<COLORREF> screen_pixels(const RECT& rect) {
    int width = rect.right - rect.left, height = rect.bottom - rect.top;
    std::vector<COLORREF> pixels;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) pixels.push_back(GetPixel(memory, x, y));
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return pixels;
}

std::vector<COLORREF> drawn_icon(HICON icon, int width, int height, COLORREF background) {
    std::vector<COLORREF> pixels;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ old = SelectObject(memory, bitmap);
    HBRUSH brush = CreateSolidBrush(background);
    RECT all = {0, 0, width, height};
    FillRect(memory, &all, brush);
    DeleteObject(brush);
    DrawIconEx(memory, 0, 0, icon, width, height, 0, nullptr, DI_NORMAL);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) pixels.push_back(GetPixel(memory, x, y));
    SelectObject(memory, old);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return pixels;
}

const char* icon_kind(HWND icon_control) {
    RECT rect = {};
    GetWindowRect(icon_control, &rect);
    int width = rect.right - rect.left, height = rect.bottom - rect.top;
    if (width <= 0 || height <= 0 || !IsWindowVisible(icon_control)) return "none";
    std::vector<COLORREF> shown = screen_pixels(rect);
    struct Known {
        LPCSTR id;
        const char* name;
    };
    const Known known[] = {{IDI_HAND, "error"},
                           {IDI_EXCLAMATION, "exclamation"},
                           {IDI_QUESTION, "question"},
                           {IDI_ASTERISK, "information"}};
    const char* best = "other";
    size_t best_mismatches = shown.size() / 20 + 1;
    for (const Known& k : known) {
        std::vector<COLORREF> expected = drawn_icon(LoadIconA(nullptr, k.id), width, height, shown[0]);
        size_t mismatches = 0;
        for (size_t i = 0; i < shown.size(); ++i) mismatches += shown[i] != expected[i];
        if (mismatches < best_mismatches) {
            best_mismatches = mismatches;
            best = k.name;
        }
    }
    return best;
}

void write_rect(JsonWriter& json, const char* key, const RECT& rect) {
    json.key(key).begin_object();
    json.key("left").value(rect.left).key("top").value(rect.top);
    json.key("width").value(rect.right - rect.left).key("height").value(rect.bottom - rect.top);
    json.end_object();
}

void write_window(JsonWriter& json, HWND window, HWND focus, int depth);

void write_children(JsonWriter& json, HWND parent, HWND focus, int depth) {
    json.key("children").begin_array();
    // GW_CHILD then GW_HWNDNEXT walks the children from the top of the
    // stacking order down, which is also the order Tab moves in.
    for (HWND child = GetWindow(parent, GW_CHILD); child != nullptr; child = GetWindow(child, GW_HWNDNEXT))
        write_window(json, child, focus, depth + 1);
    json.end_array();
}

void write_window(JsonWriter& json, HWND window, HWND focus, int depth) {
    LONG style = GetWindowLongA(window, GWL_STYLE);
    LONG ex_style = GetWindowLongA(window, GWL_EXSTYLE);
    json.begin_object();
    json.key("hwnd").value(static_cast<long long>(reinterpret_cast<uintptr_t>(window)));
    json.key("class").value(class_name(window));
    json.key("id").value(static_cast<long long>(GetDlgCtrlID(window)));
    json.key("text").value(window_text(window));
    json.key("style").value(static_cast<long long>(static_cast<DWORD>(style)));
    json.key("exstyle").value(static_cast<long long>(static_cast<DWORD>(ex_style)));
    json.key("visible").value(IsWindowVisible(window) != FALSE);
    json.key("own_visible").value((style & WS_VISIBLE) != 0);
    json.key("enabled").value(IsWindowEnabled(window) != FALSE);
    json.key("tabstop").value((style & WS_TABSTOP) != 0);
    json.key("focused").value(window == focus);

    RECT screen = {};
    GetWindowRect(window, &screen);
    write_rect(json, "screen", screen);
    HWND parent = (style & WS_CHILD) ? GetParent(window) : nullptr;
    if (parent != nullptr) {
        RECT place = screen;
        MapWindowPoints(HWND_DESKTOP, parent, reinterpret_cast<POINT*>(&place), 2);
        write_rect(json, "place", place);
        json.key("parent_id").value(static_cast<long long>(GetDlgCtrlID(parent)));
    } else {
        RECT client = {};
        GetClientRect(window, &client);
        write_rect(json, "client", client);
        DWORD pid = 0;
        GetWindowThreadProcessId(window, &pid);
        json.key("pid").value(static_cast<long long>(pid));
    }
    if (is_button(window)) {
        DWORD_PTR check = 0;
        SendMessageTimeoutA(window, BM_GETCHECK, 0, 0, SMTO_ABORTIFHUNG, kMessageTimeoutMs, &check);
        json.key("checked").value(static_cast<long long>(check));
    }
    if (is_combo(window)) {
        json.key("items").begin_array();
        for (const std::string& item : combo_items(window)) json.value(item);
        json.end_array();
        DWORD_PTR selected = 0;
        SendMessageTimeoutA(window, CB_GETCURSEL, 0, 0, SMTO_ABORTIFHUNG, kMessageTimeoutMs, &selected);
        json.key("selected").value(static_cast<long long>(static_cast<LRESULT>(selected)));
    }
    if (lower(class_name(window)) == "static" && (style & SS_TYPEMASK) == SS_ICON)
        json.key("icon").value(icon_kind(window));
    if (depth < 4) write_children(json, window, focus, depth);
    json.end_object();
}

struct TopLevelSearch {
    DWORD pid;
    std::vector<HWND> windows;
};

BOOL CALLBACK collect_top_level(HWND window, LPARAM context) {
    auto* search = reinterpret_cast<TopLevelSearch*>(context);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (pid == search->pid) search->windows.push_back(window);
    return TRUE;
}

std::vector<HWND> top_level_windows(DWORD pid) {
    TopLevelSearch search{pid, {}};
    EnumWindows(collect_top_level, reinterpret_cast<LPARAM>(&search));
    return search.windows;
}

HWND focus_of(DWORD pid) {
    for (HWND window : top_level_windows(pid)) {
        GUITHREADINFO info = {};
        info.cbSize = sizeof info;
        if (GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info) && info.hwndFocus != nullptr)
            return info.hwndFocus;
    }
    return nullptr;
}

bool process_running(DWORD pid) {
    auto found = g_processes.find(pid);
    if (found == g_processes.end()) return false;
    return WaitForSingleObject(found->second, 0) == WAIT_TIMEOUT;
}

HWND to_window(const std::string& field) {
    return reinterpret_cast<HWND>(static_cast<uintptr_t>(std::strtoull(field.c_str(), nullptr, 10)));
}

DWORD to_number(const std::string& field) { return static_cast<DWORD>(std::strtoul(field.c_str(), nullptr, 10)); }

void reply_error(const std::string& message) {
    JsonWriter json;
    json.begin_object().key("ok").value(false).key("error").value(message).end_object();
    std::cout << json.str() << std::endl;
}

void reply_ok(JsonWriter& json) {
    json.end_object();
    std::cout << json.str() << std::endl;
}

JsonWriter begin_reply() {
    JsonWriter json;
    json.begin_object().key("ok").value(true);
    return json;
}

// Starts a program in a working folder; the driver keeps its handle so that
// its exit code can be read however it ends.
void command_start(const std::vector<std::string>& fields) {
    if (fields.size() < 3) return reply_error("start needs a command line and a working folder");
    std::wstring command_line = utf8_to_wide(fields[1]);
    std::wstring folder = utf8_to_wide(fields[2]);
    // The program's own children (taskkill, attrib) would otherwise write
    // into the driver's replies.
    SECURITY_ATTRIBUTES inheritable = {sizeof inheritable, nullptr, TRUE};
    HANDLE nul = CreateFileW(L"NUL", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inheritable,
                             OPEN_EXISTING, 0, nullptr);
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = startup.hStdOutput = startup.hStdError = nul;
    PROCESS_INFORMATION process = {};
    BOOL started = CreateProcessW(nullptr, command_line.data(), nullptr, nullptr, TRUE, 0, nullptr,
                                  folder.empty() ? nullptr : folder.c_str(), &startup, &process);
    DWORD error = GetLastError();
    CloseHandle(nul);
    if (!started) return reply_error("CreateProcess failed: " + std::to_string(error));
    CloseHandle(process.hThread);
    g_processes[process.dwProcessId] = process.hProcess;
    JsonWriter json = begin_reply();
    json.key("pid").value(static_cast<long long>(process.dwProcessId));
    reply_ok(json);
}

void command_wait_exit(const std::vector<std::string>& fields) {
    if (fields.size() < 3) return reply_error("wait_exit needs a pid and a time-out");
    auto found = g_processes.find(to_number(fields[1]));
    if (found == g_processes.end()) return reply_error("not a process of this driver");
    DWORD waited = WaitForSingleObject(found->second, to_number(fields[2]));
    JsonWriter json = begin_reply();
    json.key("exited").value(waited == WAIT_OBJECT_0);
    DWORD code = 0;
    GetExitCodeProcess(found->second, &code);
    json.key("code").value(static_cast<long long>(static_cast<int>(code)));
    reply_ok(json);
}

void command_kill(const std::vector<std::string>& fields) {
    if (fields.size() < 2) return reply_error("kill needs a pid");
    auto found = g_processes.find(to_number(fields[1]));
    if (found == g_processes.end()) return reply_error("not a process of this driver");
    if (WaitForSingleObject(found->second, 0) == WAIT_TIMEOUT) {
        TerminateProcess(found->second, 99);
        WaitForSingleObject(found->second, 5000);
    }
    CloseHandle(found->second);
    g_processes.erase(found);
    JsonWriter json = begin_reply();
    reply_ok(json);
}

// Names of the running processes, so that a test can tell which of the
// stand-in games are still there without trusting a handle.
void command_processes(const std::vector<std::string>&) {
    JsonWriter json = begin_reply();
    json.key("processes").begin_array();
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot != INVALID_HANDLE_VALUE) {
        PROCESSENTRY32W entry = {};
        entry.dwSize = sizeof entry;
        for (BOOL more = Process32FirstW(snapshot, &entry); more; more = Process32NextW(snapshot, &entry)) {
            json.begin_object();
            json.key("pid").value(static_cast<long long>(entry.th32ProcessID));
            json.key("name").value(wide_to_utf8(entry.szExeFile));
            json.end_object();
        }
        CloseHandle(snapshot);
    }
    json.end_array();
    reply_ok(json);
}

void command_windows(const std::vector<std::string>& fields) {
    if (fields.size() < 2) return reply_error("windows needs a pid");
    DWORD pid = to_number(fields[1]);
    HWND focus = focus_of(pid);
    JsonWriter json = begin_reply();
    json.key("running").value(process_running(pid));
    json.key("screen").begin_object();
    json.key("width").value(static_cast<long long>(GetSystemMetrics(SM_CXSCREEN)));
    json.key("height").value(static_cast<long long>(GetSystemMetrics(SM_CYSCREEN)));
    json.end_object();
    json.key("windows").begin_array();
    for (HWND window : top_level_windows(pid)) write_window(json, window, focus, 0);
    json.end_array();
    reply_ok(json);
}

// The program's window thread answers a sent message only from its message
// loop or a modal one (a message box, a pause): when it does, twice in a row,
// whatever was posted to it before has been handled.
void command_settle(const std::vector<std::string>& fields) {
    if (fields.size() < 3) return reply_error("settle needs a window and a time-out");
    HWND window = to_window(fields[1]);
    DWORD deadline = GetTickCount() + to_number(fields[2]);
    int answered = 0;
    while (answered < 4 && static_cast<LONG>(deadline - GetTickCount()) > 0 && IsWindow(window)) {
        DWORD_PTR result = 0;
        if (SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 200, &result))
            ++answered;
        else
            answered = 0;
        Sleep(20);
    }
    JsonWriter json = begin_reply();
    json.key("settled").value(answered >= 4 || !IsWindow(window));
    reply_ok(json);
}

POINT centre_of(HWND window) {
    RECT rect = {};
    GetWindowRect(window, &rect);
    return POINT{(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
}

void send_mouse(POINT at, DWORD flags) {
    INPUT input = {};
    input.type = INPUT_MOUSE;
    int width = GetSystemMetrics(SM_CXSCREEN), height = GetSystemMetrics(SM_CYSCREEN);
    input.mi.dx = MulDiv(at.x, 65535, width - 1);
    input.mi.dy = MulDiv(at.y, 65535, height - 1);
    input.mi.dwFlags = MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_MOVE | flags;
    SendInput(1, &input, sizeof input);
}

// A real pointer press: the system decides which window gets it, so a
// disabled window (behind a task-modal box) ignores it as it would a user's.
void command_mouse(const std::vector<std::string>& fields) {
    if (fields.size() < 3) return reply_error("mouse needs an action and a window");
    const std::string& action = fields[1];
    HWND window = to_window(fields[2]);
    if (!IsWindow(window)) return reply_error("no such window");
    POINT at = centre_of(window);
    if (fields.size() >= 5) {
        RECT rect = {};
        GetWindowRect(window, &rect);
        at = POINT{rect.left + std::atoi(fields[3].c_str()), rect.top + std::atoi(fields[4].c_str())};
    }
    send_mouse(at, 0);
    Sleep(30);
    if (action == "click" || action == "press") {
        send_mouse(at, MOUSEEVENTF_LEFTDOWN);
        Sleep(30);
    }
    if (action == "click" || action == "release") send_mouse(at, MOUSEEVENTF_LEFTUP);
    JsonWriter json = begin_reply();
    json.key("x").value(static_cast<long long>(at.x)).key("y").value(static_cast<long long>(at.y));
    reply_ok(json);
}

// What a user's pick in the dropped list amounts to: the selection changes
// and the list tells its parent.
void command_select(const std::vector<std::string>& fields) {
    if (fields.size() < 3) return reply_error("select needs a combo box and an index");
    HWND combo = to_window(fields[1]);
    WPARAM index = static_cast<WPARAM>(std::atoi(fields[2].c_str()));
    DWORD_PTR result = 0;
    SendMessageTimeoutA(combo, CB_SETCURSEL, index, 0, SMTO_ABORTIFHUNG, kMessageTimeoutMs, &result);
    int id = GetDlgCtrlID(combo);
    PostMessageA(GetParent(combo), WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), reinterpret_cast<LPARAM>(combo));
    PostMessageA(GetParent(combo), WM_COMMAND, MAKEWPARAM(id, CBN_SELENDOK), reinterpret_cast<LPARAM>(combo));
    JsonWriter json = begin_reply();
    json.key("selected").value(static_cast<long long>(static_cast<LRESULT>(result)));
    reply_ok(json);
}

// Keystrokes as the edit box receives them: one character message each, at
// the caret, after the whole text is selected when `replace` is 1.
void command_type(const std::vector<std::string>& fields) {
    if (fields.size() < 4) return reply_error("type needs an edit box, a text and a replace flag");
    HWND edit = to_window(fields[1]);
    if (fields[3] == "1") PostMessageA(edit, EM_SETSEL, 0, -1);
    for (wchar_t unit : utf8_to_wide(fields[2])) PostMessageW(edit, WM_CHAR, unit, 1);
    JsonWriter json = begin_reply();
    reply_ok(json);
}

// A key press posted to the window that has the keyboard focus, where the
// program's message loop finds it (Tab moves the focus only if the loop
// hands it to the dialog navigation).
void command_key(const std::vector<std::string>& fields) {
    if (fields.size() < 3) return reply_error("key needs a pid and a virtual key");
    DWORD pid = to_number(fields[1]);
    HWND focus = focus_of(pid);
    // Without a focused control the keys go to the active window.
    for (HWND window : top_level_windows(pid))
        if (focus == nullptr && IsWindowVisible(window)) focus = window;
    if (focus == nullptr) return reply_error("no window to take the key");
    WPARAM key = to_number(fields[2]);
    UINT scan = MapVirtualKeyA(static_cast<UINT>(key), MAPVK_VK_TO_VSC);
    PostMessageA(focus, WM_KEYDOWN, key, static_cast<LPARAM>(1 | (scan << 16)));
    PostMessageA(focus, WM_KEYUP, key, static_cast<LPARAM>(1 | (scan << 16) | (3u << 30)));
    JsonWriter json = begin_reply();
    reply_ok(json);
}

// A message box button pressed, or a box or window closed from its frame.
void command_press_button(const std::vector<std::string>& fields) {
    if (fields.size() < 2) return reply_error("press_button needs a button");
    PostMessageA(to_window(fields[1]), BM_CLICK, 0, 0);
    JsonWriter json = begin_reply();
    reply_ok(json);
}

void command_close(const std::vector<std::string>& fields) {
    if (fields.size() < 2) return reply_error("close needs a window");
    PostMessageA(to_window(fields[1]), WM_SYSCOMMAND, SC_CLOSE, 0);
    JsonWriter json = begin_reply();
    reply_ok(json);
}

void command_sleep(const std::vector<std::string>& fields) {
    if (fields.size() < 2) return reply_error("sleep needs milliseconds");
    Sleep(to_number(fields[1]));
    JsonWriter json = begin_reply();
    reply_ok(json);
}

// Trusts the suite's own certificate authority in the prefix, where WinINet
// looks for roots (the local machine's Root store).
void command_import_ca(const std::vector<std::string>& fields) {
    if (fields.size() < 2) return reply_error("import_ca needs a DER certificate file");
    HANDLE file = CreateFileW(utf8_to_wide(fields[1]).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return reply_error("cannot open the certificate");
    std::vector<BYTE> der(GetFileSize(file, nullptr));
    DWORD read = 0;
    BOOL ok = ReadFile(file, der.data(), static_cast<DWORD>(der.size()), &read, nullptr);
    CloseHandle(file);
    if (!ok || read != der.size()) return reply_error("cannot read the certificate");
    HCERTSTORE store = CertOpenStore(CERT_STORE_PROV_SYSTEM_W, 0, 0, CERT_SYSTEM_STORE_LOCAL_MACHINE, L"Root");
    if (store == nullptr) return reply_error("cannot open the Root store");
    BOOL added = CertAddEncodedCertificateToStore(store, X509_ASN_ENCODING, der.data(), read,
                                                  CERT_STORE_ADD_REPLACE_EXISTING, nullptr);
    DWORD error = GetLastError();
    CertCloseStore(store, 0);
    if (!added) return reply_error("cannot add the certificate: " + std::to_string(error));
    JsonWriter json = begin_reply();
    reply_ok(json);
}

}  // namespace

int main() {
    std::ios::sync_with_stdio(false);
    std::string line;
    while (std::getline(std::cin, line)) {
        std::vector<std::string> fields = split_fields(line);
        const std::string& verb = fields[0];
        if (verb == "start") command_start(fields);
        else if (verb == "wait_exit") command_wait_exit(fields);
        else if (verb == "kill") command_kill(fields);
        else if (verb == "processes") command_processes(fields);
        else if (verb == "windows") command_windows(fields);
        else if (verb == "settle") command_settle(fields);
        else if (verb == "mouse") command_mouse(fields);
        else if (verb == "select") command_select(fields);
        else if (verb == "type") command_type(fields);
        else if (verb == "key") command_key(fields);
        else if (verb == "press_button") command_press_button(fields);
        else if (verb == "close") command_close(fields);
        else if (verb == "sleep") command_sleep(fields);
        else if (verb == "import_ca") command_import_ca(fields);
        else if (verb == "quit") break;
        else reply_error("unknown command: " + verb);
    }
    for (auto& [pid, handle] : g_processes) CloseHandle(handle);
    return 0;
}
