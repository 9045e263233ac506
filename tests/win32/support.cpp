// Winsock must come before the windows.h that support.h brings in.
#include <winsock2.h>

#include "tests/win32/support.h"

#include <cstdlib>
#include <fstream>
#include <iterator>

namespace qv::win32_testing {
namespace {

void remove_tree(const std::string& folder) {
    WIN32_FIND_DATAA entry;
    HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &entry);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            const std::string name = entry.cFileName;
            if (name == "." || name == "..") continue;
            const std::string inner = folder + "\\" + name;
            SetFileAttributesA(inner.c_str(), FILE_ATTRIBUTE_NORMAL);
            if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                remove_tree(inner);
            } else {
                DeleteFileA(inner.c_str());
            }
        } while (FindNextFileA(search, &entry));
        FindClose(search);
    }
    RemoveDirectoryA(folder.c_str());
}

struct BoxSearch {
    DWORD process_id;
    const std::string* title;
    HWND found;
};

BOOL CALLBACK match_box(HWND window, LPARAM context) {
    BoxSearch* search = reinterpret_cast<BoxSearch*>(context);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    char class_name[16] = {};
    char title[256] = {};
    GetClassNameA(window, class_name, sizeof class_name);
    GetWindowTextA(window, title, sizeof title);
    if (owner != search->process_id || std::string(class_name) != "#32770" || *search->title != title ||
        !IsWindowVisible(window)) {
        return TRUE;
    }
    search->found = window;
    return FALSE;
}

}  // namespace

bool running_on_wine() {
    HMODULE ntdll = GetModuleHandleA("ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version");
}

ScratchFolder::ScratchFolder() {
    char temp[MAX_PATH + 1] = {};
    GetTempPathA(sizeof temp, temp);
    static int counter = 0;
    for (;;) {
        path_ = std::string(temp) + "qv-win32-" + std::to_string(GetCurrentProcessId()) + "-" +
                std::to_string(++counter);
        if (CreateDirectoryA(path_.c_str(), nullptr)) break;
    }
}

ScratchFolder::~ScratchFolder() { remove_tree(path_); }

void put_file(const std::string& path, const std::string& bytes, DWORD attributes) {
    std::ofstream(path, std::ios::binary) << bytes;
    SetFileAttributesA(path.c_str(), attributes);
}

std::string file_content(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
}

bool exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::string child_command(const std::string& arguments) {
    char own[MAX_PATH + 1] = {};
    GetModuleFileNameA(nullptr, own, MAX_PATH);
    std::string folder = own;
    folder.resize(folder.find_last_of('\\') + 1);
    return "\"" + folder + "qv_win32_child.exe\" " + arguments;
}

int site_port(const char* name) {
    const std::string variable = std::string("QV_TEST_") + name + "_PORT";
    const char* value = std::getenv(variable.c_str());
    return value ? std::atoi(value) : 0;
}

int closed_port() {
    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);
    SOCKET probe = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int length = sizeof address;
    bind(probe, reinterpret_cast<sockaddr*>(&address), sizeof address);
    getsockname(probe, reinterpret_cast<sockaddr*>(&address), &length);
    // Bound but never listening: a connection to it is refused.
    closesocket(probe);
    WSACleanup();
    return ntohs(address.sin_port);
}

HWND wait_for_box(DWORD process_id, const std::string& title, DWORD timeout_ms) {
    const DWORD start = GetTickCount();
    do {
        BoxSearch search{process_id, &title, nullptr};
        EnumWindows(&match_box, reinterpret_cast<LPARAM>(&search));
        if (search.found) return search.found;
        Sleep(20);
    } while (GetTickCount() - start < timeout_ms);
    return nullptr;
}

std::string box_text(HWND box) {
    std::string text;
    for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        char class_name[16] = {};
        GetClassNameA(child, class_name, sizeof class_name);
        if (std::string(class_name) != "Static") continue;
        char part[512] = {};
        GetWindowTextA(child, part, sizeof part);
        text += part;
    }
    return text;
}

}  // namespace qv::win32_testing
