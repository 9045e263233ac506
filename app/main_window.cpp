#include "app/main_window.h"

#include <commctrl.h>

#include <string>

#include "app/layouts.h"
#include "host/site.h"
#include "install/install.h"
#include "maintenance/maintenance.h"
#include "startup/startup.h"

namespace qv {
namespace {

constexpr ControlNumber kOnWindow = 0;

enum class Font { kGui, kCustomSource, kVoiceServer, kHint, kCredit };

struct ControlSpec {
    ControlNumber number;
    ControlNumber parent;  // kOnWindow or a group box
    const char* class_name;
    DWORD style;  // beyond WS_CHILD
    DWORD ex_style;
    int left, top, width, height;
    const char* text;
    Font font;
};

// Joined at compile time, so the program file carries the site root whole.
constexpr char kCustomSourceAddress[] = QUORVANE_SITE "/Quorvane/serverlist.json";

constexpr DWORD kPushButton = BS_PUSHBUTTON | BS_MULTILINE | BS_CENTER | BS_VCENTER | WS_TABSTOP | WS_VISIBLE;
constexpr DWORD kEditBox = ES_CENTER | WS_TABSTOP;
constexpr DWORD kLabel = SS_OWNERDRAW | WS_VISIBLE;
// A group box is a real parent here; it paints its own interior (see
// forward_to_main) and never over its children.
constexpr DWORD kGroupBox = BS_GROUPBOX | WS_CLIPCHILDREN;

// Siblings stack in creation order (a new child goes to the bottom), so this
// order is the stacking order from the top: the window's own children first,
// then the children of each group box, which must exist before them.
constexpr ControlSpec kControls[] = {
    {control::kRollBackButton, kOnWindow, "BUTTON", kPushButton, 0, 352, 72, 16, 56, "回退数据", Font::kGui},
    {control::kForceCloseButton, kOnWindow, "BUTTON", kPushButton, 0, 352, 16, 16, 56, "强关游戏", Font::kGui},
    {control::kVoiceChatCheckBox, kOnWindow, "BUTTON", BS_AUTOCHECKBOX | BS_LEFT | BS_VCENTER | WS_TABSTOP | WS_VISIBLE,
     0, 96, 80, 192, 16, "同时安装BetterCrewLink社区服", Font::kGui},
    // SS_NOTIFY makes the label hit-testable, so it gets the press and the cursor.
    {control::kCreditLabel, kOnWindow, "STATIC", kLabel | SS_NOTIFY, 0, 297, 3, 71, 16, "By:Kestrimo", Font::kCredit},
    {control::kUninstallButton, kOnWindow, "BUTTON", kPushButton, 0, 200, 96, 112, 32, "卸载", Font::kGui},
    {control::kInstallButton, kOnWindow, "BUTTON", kPushButton, 0, 40, 96, 112, 32, "安装", Font::kGui},
    {control::kSourceGroupBox, kOnWindow, "BUTTON", kGroupBox | WS_VISIBLE, WS_EX_CONTROLPARENT, 8, 8, 344, 72,
     "安装源:", Font::kGui},
    {control::kVoiceServerGroupBox, kOnWindow, "BUTTON", kGroupBox, WS_EX_CONTROLPARENT, 8, 96, 344, 72,
     "服务器地址:", Font::kGui},
    {control::kCustomSourceBox, control::kSourceGroupBox, "EDIT",
     kEditBox | ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN, WS_EX_CLIENTEDGE, 16, 40, 312, 24,
     kCustomSourceAddress, Font::kCustomSource},
    {control::kSourceHintLabel, control::kSourceGroupBox, "STATIC", kLabel, 0, 16, 40, 312, 24,
     "请选择您要安装的服务器列表源", Font::kHint},
    {control::kSourceSelector, control::kSourceGroupBox, "COMBOBOX", CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP | WS_VISIBLE,
     0, 16, 16, 312, 20, "", Font::kGui},
    {control::kVoiceServerBox, control::kVoiceServerGroupBox, "EDIT", kEditBox | ES_AUTOHSCROLL | WS_VISIBLE,
     WS_EX_CLIENTEDGE, 16, 24, 312, 32, kPublicVoiceServer, Font::kVoiceServer},
};

// The dropped list needs room; the closed box keeps the system's height.
constexpr int kComboCreatedHeight = 160;

const ControlSpec* find_spec(ControlNumber number) {
    for (const ControlSpec& row : kControls)
        if (row.number == number) return &row;
    return nullptr;
}

bool is_group_box(const ControlSpec& row) {
    return row.class_name == std::string_view("BUTTON") && (row.style & BS_TYPEMASK) == BS_GROUPBOX;
}

HFONT make_font(const char* face, int height, int weight, bool underlined) {
    return CreateFontA(-height, 0, 0, 0, weight, FALSE, underlined ? TRUE : FALSE, FALSE, DEFAULT_CHARSET,
                       OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, PROOF_QUALITY, DEFAULT_PITCH, face);
}

int text_height(HWND window, HFONT font) {
    HDC dc = GetDC(window);
    HGDIOBJ previous = SelectObject(dc, font);
    TEXTMETRICA metrics{};
    GetTextMetricsA(dc, &metrics);
    SelectObject(dc, previous);
    ReleaseDC(window, dc);
    return static_cast<int>(metrics.tmHeight);
}

std::string window_text(HWND window) {
    std::string text(static_cast<size_t>(GetWindowTextLengthA(window)) + 1, '\0');
    text.resize(static_cast<size_t>(GetWindowTextA(window, text.data(), static_cast<int>(text.size()))));
    return text;
}

// One value per (control, notification) pair, so that the dispatch is one switch.
constexpr DWORD command_key(ControlNumber number, int notification) {
    return static_cast<DWORD>(MAKELONG(control_id(number), notification));
}

void raise_item_height(HWND combo) {
    const LRESULT item_height = SendMessageA(combo, CB_GETITEMHEIGHT, 0, 0);
    if (item_height <= 0) return;
    SendMessageA(combo, CB_SETITEMHEIGHT, 0, item_height + 1);
    // Wine sets list items' height only for owner-drawn boxes; its list box
    // takes the height directly.
    COMBOBOXINFO parts{};
    parts.cbSize = sizeof parts;
    if (SendMessageA(combo, CB_GETITEMHEIGHT, 0, 0) != item_height + 1 && GetComboBoxInfo(combo, &parts))
        SendMessageA(parts.hwndList, LB_SETITEMHEIGHT, 0, item_height + 1);
}

}  // namespace

void paint_label(HDC dc, const RECT& rect, const char* text, HFONT font, COLORREF colour, bool centred) {
    FillRect(dc, &rect, GetSysColorBrush(COLOR_BTNFACE));
    const int previous_mode = SetBkMode(dc, TRANSPARENT);
    const COLORREF previous_colour = SetTextColor(dc, colour);
    HGDIOBJ previous_font = SelectObject(dc, font ? font : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT)));
    RECT area = rect;
    DrawTextA(dc, text, -1, &area,
              DT_SINGLELINE | DT_VCENTER | DT_NOCLIP | DT_NOPREFIX | (centred ? DT_CENTER : DT_LEFT));
    SelectObject(dc, previous_font);
    SetTextColor(dc, previous_colour);
    SetBkMode(dc, previous_mode);
}

MainWindow::~MainWindow() {
    if (window_) DestroyWindow(window_);
}

bool MainWindow::create(HINSTANCE instance) {
    WNDCLASSEXA window_class{};
    window_class.cbSize = sizeof window_class;
    window_class.lpfnWndProc = window_procedure;
    window_class.hInstance = instance;
    window_class.hIcon = LoadIconA(instance, "DEFAULT_ICON");
    window_class.hIconSm = static_cast<HICON>(LoadImageA(instance, "DEFAULT_ICON", IMAGE_ICON,
                                                         GetSystemMetrics(SM_CXSMICON),
                                                         GetSystemMetrics(SM_CYSMICON), LR_SHARED));
    window_class.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    window_class.hbrBackground = reinterpret_cast<HBRUSH>(static_cast<INT_PTR>(COLOR_BTNFACE + 1));
    window_class.lpszClassName = kWindowClassName;
    if (!RegisterClassExA(&window_class) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) return false;

    gui_font_ = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    custom_source_font_.reset(make_font("微软雅黑 Light", 14, 290, true));
    voice_server_font_.reset(make_font("华文新魏", 12, FW_BOLD, true));
    hint_font_.reset(make_font("", 14, FW_NORMAL, false));
    credit_font_.reset(make_font("", 12, FW_NORMAL, false));

    const int left = (GetSystemMetrics(SM_CXSCREEN) - kWindowWidth) / 2;
    const int top = (GetSystemMetrics(SM_CYSCREEN) - kCollapsedHeight) / 2;
    // Clipping the children keeps the window's own erasing (after it grows)
    // off the buttons that have just moved into the new area.
    CreateWindowExA(0, kWindowClassName, kCaption, WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN, left, top,
                    kWindowWidth, kCollapsedHeight, nullptr, nullptr, instance, this);
    return window_ != nullptr;
}

void MainWindow::run_created_event() { run_startup_services(host_, state_); }

void MainWindow::show() {
    ShowWindow(window_, SW_SHOWNORMAL);
    UpdateWindow(window_);
}

LRESULT CALLBACK MainWindow::window_procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_NCCREATE) {
        auto* self = static_cast<MainWindow*>(reinterpret_cast<CREATESTRUCTA*>(lparam)->lpCreateParams);
        SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
        self->window_ = window;
        self->host_.set_main_window(window);
    }
    auto* self = reinterpret_cast<MainWindow*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (!self) return DefWindowProcA(window, message, wparam, lparam);
    return self->handle_message(message, wparam, lparam);
}

// A control inside a group box reports to the group box; the main window
// is where these messages are answered. The window clips its children, so
// nothing else fills a group box's interior.
LRESULT CALLBACK MainWindow::forward_to_main(HWND window, UINT message, WPARAM wparam, LPARAM lparam, UINT_PTR id,
                                             DWORD_PTR main_window) {
    switch (message) {
    case WM_COMMAND:
    case WM_DRAWITEM:
    case WM_CTLCOLOREDIT:
        return reinterpret_cast<MainWindow*>(main_window)->handle_message(message, wparam, lparam);
    case WM_ERASEBKGND: {
        RECT client;
        GetClientRect(window, &client);
        FillRect(reinterpret_cast<HDC>(wparam), &client, GetSysColorBrush(COLOR_BTNFACE));
        return TRUE;
    }
    case WM_NCDESTROY:
        RemoveWindowSubclass(window, forward_to_main, id);
        break;
    }
    return DefSubclassProc(window, message, wparam, lparam);
}

// The credit label acts on the press; SS_NOTIFY alone reports the release.
LRESULT CALLBACK MainWindow::credit_label_procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam,
                                                    UINT_PTR id, DWORD_PTR main_window) {
    if (message == WM_LBUTTONDOWN) reinterpret_cast<MainWindow*>(main_window)->open_home_page();
    if (message == WM_NCDESTROY) RemoveWindowSubclass(window, credit_label_procedure, id);
    return DefSubclassProc(window, message, wparam, lparam);
}

LRESULT MainWindow::handle_message(UINT message, WPARAM wparam, LPARAM lparam) {
    switch (message) {
    case WM_CREATE:
        create_controls();
        return 0;
    case WM_GETFONT:
        return reinterpret_cast<LRESULT>(gui_font_);
    case WM_COMMAND:
        on_command(LOWORD(wparam), HIWORD(wparam));
        return 0;
    case WM_SETCURSOR:
        if (on_set_cursor(reinterpret_cast<HWND>(wparam), LOWORD(lparam))) return TRUE;
        break;
    case WM_CTLCOLOREDIT:
        return on_edit_colour(reinterpret_cast<HDC>(wparam), reinterpret_cast<HWND>(lparam));
    case WM_DRAWITEM:
        on_draw_item(*reinterpret_cast<const DRAWITEMSTRUCT*>(lparam));
        return TRUE;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    case WM_NCDESTROY:
        SetWindowLongPtrA(window_, GWLP_USERDATA, 0);
        host_.set_main_window(nullptr);
        window_ = nullptr;
        return 0;
    }
    return DefWindowProcA(window_, message, wparam, lparam);
}

void MainWindow::create_controls() {
    HINSTANCE instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(window_, GWLP_HINSTANCE));
    for (const ControlSpec& row : kControls) {
        HFONT font = gui_font_;
        switch (row.font) {
        case Font::kGui: break;
        case Font::kCustomSource: font = custom_source_font_.get(); break;
        case Font::kVoiceServer: font = voice_server_font_.get(); break;
        case Font::kHint: font = hint_font_.get(); break;
        case Font::kCredit: font = credit_font_.get(); break;
        }
        if (!font) font = gui_font_;  // a font the system refused
        const bool combo = row.class_name == std::string_view("COMBOBOX");
        const bool single_line_edit = row.class_name == std::string_view("EDIT") && !(row.style & ES_MULTILINE);
        int height = row.height;
        if (combo && height < kComboCreatedHeight) height = kComboCreatedHeight;
        if (single_line_edit) {
            const int least = text_height(window_, font) + 2 * GetSystemMetrics(SM_CYEDGE);
            if (height < least) height = least;
        }
        // Siblings overlap (the credit label lies on the source group box): each
        // paints only where no sibling above it stands.
        HWND parent = parent_of(row.number);
        HWND created = CreateWindowExA(row.ex_style, row.class_name,
                                       row.text, WS_CHILD | WS_CLIPSIBLINGS | row.style,
                                       row.left, row.top, row.width, height, parent,
                                       reinterpret_cast<HMENU>(static_cast<INT_PTR>(control_id(row.number))),
                                       instance, nullptr);
        if (!created) continue;
        SendMessageA(created, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
        if (combo) raise_item_height(created);
        if (row.class_name == std::string_view("EDIT")) {
            SendMessageA(created, EM_SETLIMITTEXT, 0, 0);
            SendMessageA(created, EM_SETSEL, 0, 0);
        }
        if (is_group_box(row)) SetWindowSubclass(created, forward_to_main, 1, reinterpret_cast<DWORD_PTR>(this));
        if (row.number == control::kCreditLabel)
            SetWindowSubclass(created, credit_label_procedure, 1, reinterpret_cast<DWORD_PTR>(this));
    }
}

HWND MainWindow::parent_of(ControlNumber number) const {
    const ControlSpec* row = find_spec(number);
    if (!row || row->parent == kOnWindow) return window_;
    return GetDlgItem(window_, control_id(row->parent));
}

void MainWindow::on_command(int id, int notification) {
    switch (static_cast<DWORD>(MAKELONG(id, notification))) {
    case command_key(control::kInstallButton, BN_CLICKED): install_click(host_, state_); break;
    case command_key(control::kUninstallButton, BN_CLICKED): uninstall_click(host_); break;
    case command_key(control::kForceCloseButton, BN_CLICKED): force_close_click(host_); break;
    case command_key(control::kRollBackButton, BN_CLICKED): roll_back_click(host_); break;
    case command_key(control::kVoiceChatCheckBox, BN_CLICKED): layout_toggle(host_); break;
    case command_key(control::kSourceSelector, CBN_SELCHANGE): source_box_swap(host_); break;
    }
}

bool MainWindow::on_set_cursor(HWND over, int hit_test) {
    if (hit_test != HTCLIENT) return false;
    LPCSTR cursor = IDC_ARROW;
    if (over == control(control::kInstallButton)) cursor = IDC_SIZENWSE;
    else if (over == control(control::kUninstallButton)) cursor = IDC_SIZENESW;
    else if (over == control(control::kCreditLabel)) cursor = IDC_HAND;
    SetCursor(LoadCursorA(nullptr, cursor));
    return true;
}

LRESULT MainWindow::on_edit_colour(HDC dc, HWND edit) {
    if (edit != control(control::kCustomSourceBox) && edit != control(control::kVoiceServerBox))
        return DefWindowProcA(window_, WM_CTLCOLOREDIT, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(edit));
    SetTextColor(dc, kEditTextColour);
    SetBkColor(dc, RGB(255, 255, 255));
    return reinterpret_cast<LRESULT>(GetStockObject(WHITE_BRUSH));
}

void MainWindow::on_draw_item(const DRAWITEMSTRUCT& item) {
    if (item.CtlType != ODT_STATIC) return;
    const bool hint = item.hwndItem == control(control::kSourceHintLabel);
    const HFONT font = reinterpret_cast<HFONT>(SendMessageA(item.hwndItem, WM_GETFONT, 0, 0));
    paint_label(item.hDC, item.rcItem, window_text(item.hwndItem).c_str(), font, hint ? kHintColour : kCreditColour,
                hint);
}

void MainWindow::open_home_page() { host_.open_url(kSiteRoot); }

}  // namespace qv
