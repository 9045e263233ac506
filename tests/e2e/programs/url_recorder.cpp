// Stands in for the browser in the test prefix: the shell's "open" of a web
// address starts it with a log file and the address, and it appends the
// address, as it arrived, as one line to the log.
#include <windows.h>

#include <string>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    int count = 0;
    LPWSTR* arguments = CommandLineToArgvW(GetCommandLineW(), &count);
    if (arguments == nullptr || count < 3) return 2;
    HANDLE log = CreateFileW(arguments[1], FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                             OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (log == INVALID_HANDLE_VALUE) return 3;
    std::wstring address = arguments[2];
    int length = WideCharToMultiByte(CP_UTF8, 0, address.c_str(), static_cast<int>(address.size()), nullptr, 0,
                                     nullptr, nullptr);
    std::string line(static_cast<size_t>(length), '\0');
    WideCharToMultiByte(CP_UTF8, 0, address.c_str(), static_cast<int>(address.size()), line.data(), length,
                        nullptr, nullptr);
    line += "\r\n";
    DWORD written = 0;
    BOOL ok = WriteFile(log, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
    CloseHandle(log);
    LocalFree(arguments);
    return ok ? 0 : 4;
}
