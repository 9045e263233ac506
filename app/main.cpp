#include <windows.h>
#include <commctrl.h>

#include "app/main_window.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    INITCOMMONCONTROLSEX common_controls{sizeof common_controls, ICC_STANDARD_CLASSES};
    InitCommonControlsEx(&common_controls);

    qv::MainWindow window;
    window.host().set_exit_cleanup([&state = window.state()] { state.release_all(); });
    if (!window.create(instance)) {
        window.host().run_exit_cleanup();
        return 1;
    }
    window.run_created_event();
    window.show();

    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        // Gives the Tab key its way through the Tab stops.
        if (window.handle() && IsDialogMessageA(window.handle(), &message)) continue;
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    window.host().run_exit_cleanup();
    return 0;
}
