// Copied to a file named "Among Us.exe" and started in the test prefix: a
// process that the program can find by name and end. Left alone it ends by
// itself with exit code 3 after a while, so that an exit code of 0 can only
// come from someone else ending it, and a forgotten one does not linger.
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    Sleep(180000);
    return 3;
}
