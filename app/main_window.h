// The one main window: its controls, fonts and event wiring. It owns the
// Win32 host and the program-level buffers, so that no other mutable state
// exists at program level.
#pragma once

#include <windows.h>

#include <memory>
#include <type_traits>

#include "host/program_state.h"
#include "host/win32/win32_host.h"

namespace qv {

inline constexpr int kWindowWidth = 372;
inline constexpr int kCollapsedHeight = 160;
inline constexpr COLORREF kEditTextColour = RGB(0, 136, 255);
inline constexpr COLORREF kHintColour = RGB(255, 0, 0);
inline constexpr COLORREF kCreditColour = RGB(192, 192, 192);
inline constexpr char kWindowClassName[] = "QuorvaneMainWindow";
inline constexpr char kCaption[] = "Quorvane";
// The voice-server box's text at start: BetterCrewLink's own public server.
inline constexpr char kPublicVoiceServer[] = "https://bettercrewl.ink";

// A label's look: the rectangle filled with the button face, then the text
// on one line, transparent, vertically centred and not clipped.
void paint_label(HDC dc, const RECT& rect, const char* text, HFONT font, COLORREF colour, bool centred);

class MainWindow {
public:
    MainWindow() = default;
    ~MainWindow();
    MainWindow(const MainWindow&) = delete;
    MainWindow& operator=(const MainWindow&) = delete;

    Win32Host& host() { return host_; }
    ProgramState& state() { return state_; }
    HWND handle() const { return window_; }

    // Creates the window hidden, centred, in the collapsed layout, with all
    // its controls. False when the system refuses the class or the window.
    bool create(HINSTANCE instance);
    // The created event: the start-up services, while the window is hidden.
    void run_created_event();
    void show();

private:
    struct FontDeleter {
        void operator()(HFONT font) const { DeleteObject(font); }
    };
    using OwnedFont = std::unique_ptr<std::remove_pointer_t<HFONT>, FontDeleter>;

    static LRESULT CALLBACK window_procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
    static LRESULT CALLBACK forward_to_main(HWND window, UINT message, WPARAM wparam, LPARAM lparam,
                                            UINT_PTR id, DWORD_PTR main_window);
    static LRESULT CALLBACK credit_label_procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam,
                                                   UINT_PTR id, DWORD_PTR main_window);
    LRESULT handle_message(UINT message, WPARAM wparam, LPARAM lparam);

    void create_controls();
    HWND control(ControlNumber number) const { return GetDlgItem(parent_of(number), control_id(number)); }
    HWND parent_of(ControlNumber number) const;
    void on_command(int id, int notification);
    bool on_set_cursor(HWND over, int hit_test);
    LRESULT on_edit_colour(HDC dc, HWND edit);
    void on_draw_item(const DRAWITEMSTRUCT& item);
    void open_home_page();

    Win32Host host_;
    ProgramState state_;
    HWND window_ = nullptr;
    HFONT gui_font_ = nullptr;  // stock object, not owned
    OwnedFont custom_source_font_;
    OwnedFont voice_server_font_;
    OwnedFont hint_font_;
    OwnedFont credit_font_;
};

}  // namespace qv
