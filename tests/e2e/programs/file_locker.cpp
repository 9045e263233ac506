// Holds a file open with no sharing, as another program that has it open
// for writing would, until it is ended: file_locker FILE READY_FILE. Writes
// READY_FILE once the file is held, so that a test starts acting only then.
// Left alone it ends by itself after a while, so a forgotten one does not
// linger; it exits 1 when the file cannot be opened.
#include <windows.h>

int main(int argc, char** argv) {
    if (argc != 3) return 2;
    HANDLE held = CreateFileA(argv[1], GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                              nullptr);
    if (held == INVALID_HANDLE_VALUE) return 1;
    HANDLE ready = CreateFileA(argv[2], GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (ready == INVALID_HANDLE_VALUE) return 1;
    CloseHandle(ready);
    Sleep(180000);
    CloseHandle(held);
    return 3;
}
