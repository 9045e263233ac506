// The floor programs of the Wine benchmarks: bare WinINet GETs shaped like
// the program's own (HTTP/1.0, past every cache), read in 1 MiB chunks, then
// optionally one file write and a shown window. Prints one line of figures:
//   bytes=… requests=… fetch_ms=… visible_ms=… peak_working_set=… peak_private=… error=…
// visible_ms counts from the process's creation to the window being visible.
#include <windows.h>
#include <psapi.h>
#include <wininet.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr const char kUserAgent[] = "Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.0)";

struct Options {
    std::vector<std::string> urls;
    unsigned long chunk = 1024 * 1024;
    std::string write_path;
    bool window = false;
};

double now_ms() {
    LARGE_INTEGER counter, frequency;
    QueryPerformanceCounter(&counter);
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(counter.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);
}

// Milliseconds since the process was created, on the system clock.
double since_creation_ms() {
    FILETIME created, exited, kernel, user, now;
    GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
    GetSystemTimePreciseAsFileTime(&now);
    const auto ticks = [](const FILETIME& time) {
        return (static_cast<unsigned long long>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
    };
    return static_cast<double>(ticks(now) - ticks(created)) / 10000.0;
}

// One GET; appends the body to `body`. Returns 0 or the failing call's error.
unsigned long get(HINTERNET internet, const std::string& url, unsigned long chunk, std::string& body) {
    char host[256] = {}, path[2048] = {};
    URL_COMPONENTSA parts = {};
    parts.dwStructSize = sizeof parts;
    parts.lpszHostName = host;
    parts.dwHostNameLength = sizeof host;
    parts.lpszUrlPath = path;
    parts.dwUrlPathLength = sizeof path;
    if (!InternetCrackUrlA(url.c_str(), 0, 0, &parts)) return GetLastError();
    const bool secure = parts.nScheme == INTERNET_SCHEME_HTTPS;
    HINTERNET connection = InternetConnectA(internet, host, parts.nPort, nullptr, nullptr, INTERNET_SERVICE_HTTP, 0, 0);
    if (!connection) return GetLastError();
    const char* accept[] = {"Accept: */* \r\n", nullptr};
    const DWORD flags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE | (secure ? INTERNET_FLAG_SECURE : 0);
    HINTERNET request = HttpOpenRequestA(connection, "GET", path, "HTTP/1.0", nullptr, accept, flags, 0);
    unsigned long error = 0;
    if (!request) {
        error = GetLastError();
    } else if (!HttpSendRequestA(request, "Accept: */*\r\n\r\n", static_cast<DWORD>(-1), nullptr, 0)) {
        error = GetLastError();
    } else {
        std::vector<char> buffer(chunk);
        for (;;) {
            DWORD read = 0;
            if (!InternetReadFile(request, buffer.data(), static_cast<DWORD>(buffer.size()), &read)) {
                error = GetLastError();
                break;
            }
            if (read == 0) break;
            body.append(buffer.data(), read);
        }
    }
    if (request) InternetCloseHandle(request);
    InternetCloseHandle(connection);
    return error;
}

bool write_file(const std::string& path, const std::string& bytes) {
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    const bool ok = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
                    written == bytes.size();
    return CloseHandle(file) && ok;
}

double show_window_ms() {
    WNDCLASSA window_class = {};
    window_class.lpfnWndProc = DefWindowProcA;
    window_class.hInstance = GetModuleHandleA(nullptr);
    window_class.lpszClassName = "QvBenchFloor";
    RegisterClassA(&window_class);
    HWND window = CreateWindowA("QvBenchFloor", "floor", WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU, CW_USEDEFAULT,
                                CW_USEDEFAULT, 372, 160, nullptr, nullptr, window_class.hInstance, nullptr);
    ShowWindow(window, SW_SHOW);
    UpdateWindow(window);
    const double visible = since_creation_ms();
    DestroyWindow(window);
    return visible;
}

bool parse(int argc, char** argv, Options& options) {
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument == "--chunk" && i + 1 < argc) {
            options.chunk = std::strtoul(argv[++i], nullptr, 10);
        } else if (argument == "--write" && i + 1 < argc) {
            options.write_path = argv[++i];
        } else if (argument == "--window") {
            options.window = true;
        } else if (argument.rfind("--", 0) == 0) {
            return false;
        } else {
            options.urls.push_back(argument);
        }
    }
    return !options.urls.empty() && options.chunk > 0;
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    if (!parse(argc, argv, options)) {
        std::fprintf(stderr, "usage: wininet_get [--chunk BYTES] [--write PATH] [--window] URL...\n");
        return 2;
    }
    const double started = now_ms();
    HINTERNET internet = InternetOpenA(kUserAgent, INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0);
    if (!internet) return 3;
    std::string body;
    unsigned long error = 0;
    for (const std::string& url : options.urls) {
        body.clear();
        if ((error = get(internet, url, options.chunk, body)) != 0) break;
    }
    if (!options.write_path.empty() && !write_file(options.write_path, body)) error = GetLastError();
    const double fetched = now_ms();
    const double visible = options.window ? show_window_ms() : 0.0;

    PROCESS_MEMORY_COUNTERS memory = {};
    memory.cb = sizeof memory;
    GetProcessMemoryInfo(GetCurrentProcess(), &memory, sizeof memory);
    std::printf("bytes=%zu requests=%zu fetch_ms=%.1f visible_ms=%.1f peak_working_set=%zu peak_private=%zu error=%lu\n",
                body.size(), options.urls.size(), fetched - started, visible, memory.PeakWorkingSetSize,
                memory.PeakPagefileUsage, error);
    InternetCloseHandle(internet);
    return error == 0 ? 0 : 1;
}
