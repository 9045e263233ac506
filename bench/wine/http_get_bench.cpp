// The program's own http_get on the real Win32 host, for the Wine benchmark
// against wininet_get: one GET of the address, then one line of figures in
// the floor program's format.
#include <windows.h>
#include <psapi.h>

#include <cstdio>

#include "host/win32/win32_host.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: http_get_bench URL\n");
        return 2;
    }
    qv::Win32Host host;
    LARGE_INTEGER start, end, frequency;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    const qv::HttpResponse response = host.http_get(argv[1]);
    QueryPerformanceCounter(&end);
    const double fetch_ms =
        static_cast<double>(end.QuadPart - start.QuadPart) * 1000.0 / static_cast<double>(frequency.QuadPart);

    PROCESS_MEMORY_COUNTERS memory = {};
    memory.cb = sizeof memory;
    GetProcessMemoryInfo(GetCurrentProcess(), &memory, sizeof memory);
    std::printf("bytes=%d requests=1 fetch_ms=%.1f visible_ms=0.0 peak_working_set=%zu peak_private=%zu status=%d\n",
                response.body.size(), fetch_ms, memory.PeakWorkingSetSize, memory.PeakPagefileUsage, response.status);
    return response.body.empty() ? 1 : 0;
}
