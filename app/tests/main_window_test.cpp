// The real main window, created hidden as the entry creates it, inspected
// and driven with the messages a user's actions send. The built program's
// resources are read from quorvane.exe (QV_QUORVANE_EXE).
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "app/main_window.h"
#include "host/site.h"
#include "tests/support/case_name.h"

namespace qv {
namespace {

MainWindow& main_window() {
    static std::unique_ptr<MainWindow> window = [] {
        INITCOMMONCONTROLSEX common_controls{sizeof common_controls, ICC_STANDARD_CLASSES};
        InitCommonControlsEx(&common_controls);
        auto created = std::make_unique<MainWindow>();
        created->create(GetModuleHandleA(nullptr));
        return created;
    }();
    return *window;
}

HWND main_handle() { return main_window().handle(); }

HWND find(ControlNumber number) {
    struct Search {
        int id;
        HWND found;
    } search{control_id(number), nullptr};
    EnumChildWindows(
        main_handle(),
        [](HWND child, LPARAM state) -> BOOL {
            auto* wanted = reinterpret_cast<Search*>(state);
            if (GetDlgCtrlID(child) != wanted->id) return TRUE;
            wanted->found = child;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

std::string text_of(HWND window) {
    std::string text(static_cast<size_t>(GetWindowTextLengthA(window)) + 1, '\0');
    text.resize(static_cast<size_t>(GetWindowTextA(window, text.data(), static_cast<int>(text.size()))));
    return text;
}

std::string class_of(HWND window) {
    char name[64] = {};
    GetClassNameA(window, name, sizeof name);
    std::string lower = name;
    for (char& c : lower) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    return lower;
}

RECT rect_in_parent(HWND window) {
    RECT rect;
    GetWindowRect(window, &rect);
    MapWindowPoints(HWND_DESKTOP, GetParent(window), reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

bool has_style(HWND window, DWORD bits) { return (static_cast<DWORD>(GetWindowLongA(window, GWL_STYLE)) & bits) == bits; }
bool visible_flag(HWND window) { return has_style(window, WS_VISIBLE); }

TEST(MainWindowFrame, HiddenCentredFixedFrameOnButtonFace) {
    HWND window = main_handle();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(text_of(window), "Quorvane");
    EXPECT_FALSE(IsWindowVisible(window));
    RECT rect;
    GetWindowRect(window, &rect);
    EXPECT_EQ(rect.right - rect.left, 372);
    EXPECT_EQ(rect.bottom - rect.top, 160);
    EXPECT_EQ(rect.left, (GetSystemMetrics(SM_CXSCREEN) - 372) / 2);
    EXPECT_EQ(rect.top, (GetSystemMetrics(SM_CYSCREEN) - 160) / 2);
    EXPECT_TRUE(has_style(window, WS_CAPTION | WS_SYSMENU));
    const LONG style = GetWindowLongA(window, GWL_STYLE);
    EXPECT_EQ(style & (WS_MINIMIZEBOX | WS_MAXIMIZEBOX | WS_THICKFRAME | WS_CHILD | WS_POPUP), 0);
    EXPECT_EQ(GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_TOPMOST, 0);
    EXPECT_EQ(GetWindow(window, GW_OWNER), nullptr);  // a taskbar button of its own
    EXPECT_EQ(GetClassLongPtrA(window, GCLP_HBRBACKGROUND), static_cast<ULONG_PTR>(COLOR_BTNFACE + 1));
    EXPECT_EQ(reinterpret_cast<HGDIOBJ>(SendMessageA(window, WM_GETFONT, 0, 0)), GetStockObject(DEFAULT_GUI_FONT));
}

struct ControlCase {
    const char* name;
    ControlNumber number;
    ControlNumber parent;  // 0: the window
    const char* class_name;
    RECT place;  // left, top, right, bottom in the parent; bottom -1: the system's height
    const char* text;  // nullptr: the custom-source address
    bool visible;
    DWORD required_style;
    DWORD forbidden_style;
    DWORD required_ex_style;
    LONG button_type = -1;  // BS_TYPEMASK part of a button's style
};

constexpr DWORD kButtonForbidden = BS_DEFPUSHBUTTON | BS_BITMAP | BS_ICON | WS_DISABLED;
constexpr DWORD kEditForbidden = ES_NOHIDESEL | ES_READONLY | ES_PASSWORD | ES_NUMBER | WS_DISABLED;

const ControlCase kControlCases[] = {
    {"Install", control::kInstallButton, 0, "button", {40, 96, 152, 128}, "安装", true, BS_MULTILINE | WS_TABSTOP,
     kButtonForbidden, 0, BS_PUSHBUTTON},
    {"Uninstall", control::kUninstallButton, 0, "button", {200, 96, 312, 128}, "卸载", true,
     BS_MULTILINE | WS_TABSTOP, kButtonForbidden, 0, BS_PUSHBUTTON},
    {"ForceClose", control::kForceCloseButton, 0, "button", {352, 16, 368, 72}, "强关游戏", true,
     BS_MULTILINE | WS_TABSTOP, kButtonForbidden, 0, BS_PUSHBUTTON},
    {"RollBack", control::kRollBackButton, 0, "button", {352, 72, 368, 128}, "回退数据", true,
     BS_MULTILINE | WS_TABSTOP, kButtonForbidden, 0, BS_PUSHBUTTON},
    {"CheckBox", control::kVoiceChatCheckBox, 0, "button", {96, 80, 288, 96}, "同时安装BetterCrewLink社区服", true,
     BS_AUTOCHECKBOX | WS_TABSTOP, WS_DISABLED, 0, BS_AUTOCHECKBOX},
    {"CreditLabel", control::kCreditLabel, 0, "static", {297, 3, 368, 19}, "By:Kestrimo", true,
     SS_OWNERDRAW | SS_NOTIFY, WS_TABSTOP, 0},
    {"SourceGroup", control::kSourceGroupBox, 0, "button", {8, 8, 352, 80}, "安装源:", true, BS_GROUPBOX,
     WS_TABSTOP, 0, BS_GROUPBOX},
    {"Selector", control::kSourceSelector, control::kSourceGroupBox, "combobox", {16, 16, 328, -1}, "", true,
     CBS_DROPDOWNLIST | WS_TABSTOP, CBS_SORT | CBS_OWNERDRAWFIXED | WS_DISABLED, 0},
    {"CustomSourceBox", control::kCustomSourceBox, control::kSourceGroupBox, "edit", {16, 40, 328, 64}, nullptr,
     false, ES_CENTER | ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN | WS_TABSTOP,
     kEditForbidden | ES_AUTOHSCROLL | WS_HSCROLL | WS_VSCROLL, WS_EX_CLIENTEDGE},
    {"HintLabel", control::kSourceHintLabel, control::kSourceGroupBox, "static", {16, 40, 328, 64},
     "请选择您要安装的服务器列表源", true, SS_OWNERDRAW, WS_TABSTOP | SS_NOTIFY, 0},
    {"VoiceGroup", control::kVoiceServerGroupBox, 0, "button", {8, 96, 352, 168}, "服务器地址:", false,
     BS_GROUPBOX, WS_TABSTOP, 0, BS_GROUPBOX},
    {"VoiceServerBox", control::kVoiceServerBox, control::kVoiceServerGroupBox, "edit", {16, 24, 328, 56},
     "https://bettercrewl.ink", true, ES_CENTER | ES_AUTOHSCROLL | WS_TABSTOP,
     kEditForbidden | ES_MULTILINE | WS_HSCROLL | WS_VSCROLL, WS_EX_CLIENTEDGE},
};

class Controls : public ::testing::TestWithParam<ControlCase> {};

TEST_P(Controls, PlaceTextParentStyleAndStartState) {
    const ControlCase& c = GetParam();
    HWND control = find(c.number);
    ASSERT_NE(control, nullptr);
    EXPECT_EQ(GetDlgCtrlID(control), static_cast<int>(c.number & 0xFFFF));
    EXPECT_EQ(GetParent(control), c.parent ? find(c.parent) : main_handle());
    EXPECT_EQ(class_of(control), c.class_name);
    const RECT place = rect_in_parent(control);
    EXPECT_EQ(place.left, c.place.left);
    EXPECT_EQ(place.top, c.place.top);
    EXPECT_EQ(place.right, c.place.right);
    if (c.place.bottom >= 0) {
        EXPECT_EQ(place.bottom, c.place.bottom);
    }
    EXPECT_EQ(text_of(control), c.text ? c.text : site_address("/Quorvane/serverlist.json").str());
    EXPECT_EQ(visible_flag(control), c.visible);
    EXPECT_TRUE(IsWindowEnabled(control));
    EXPECT_TRUE(has_style(control, c.required_style));
    if (c.button_type >= 0) {
        EXPECT_EQ(GetWindowLongA(control, GWL_STYLE) & BS_TYPEMASK, c.button_type);
    }
    EXPECT_EQ(static_cast<DWORD>(GetWindowLongA(control, GWL_STYLE)) & c.forbidden_style, 0u);
    EXPECT_TRUE((static_cast<DWORD>(GetWindowLongA(control, GWL_EXSTYLE)) & c.required_ex_style) ==
                c.required_ex_style);
}

INSTANTIATE_TEST_SUITE_P(Table, Controls, ::testing::ValuesIn(kControlCases), testing::CaseName());

std::vector<int> child_ids_top_down(HWND parent) {
    std::vector<int> ids;
    for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        ids.push_back(GetDlgCtrlID(child));
    return ids;
}

TEST(MainWindowStacking, SiblingsStackInTheGivenOrder) {
    const std::vector<int> on_window = {
        control_id(control::kRollBackButton),   control_id(control::kForceCloseButton),
        control_id(control::kVoiceChatCheckBox), control_id(control::kCreditLabel),
        control_id(control::kUninstallButton),  control_id(control::kInstallButton),
        control_id(control::kSourceGroupBox),   control_id(control::kVoiceServerGroupBox)};
    EXPECT_EQ(child_ids_top_down(main_handle()), on_window);
    const std::vector<int> in_source_group = {control_id(control::kCustomSourceBox),
                                              control_id(control::kSourceHintLabel),
                                              control_id(control::kSourceSelector)};
    EXPECT_EQ(child_ids_top_down(find(control::kSourceGroupBox)), in_source_group);
    EXPECT_EQ(child_ids_top_down(find(control::kVoiceServerGroupBox)),
              std::vector<int>{control_id(control::kVoiceServerBox)});
}

struct FontCase {
    const char* name;
    ControlNumber number;
    const char* face;  // nullptr: the default GUI font object itself
    int height;
    int weight;
    bool underlined;
};

const FontCase kFontCases[] = {
    {"CustomSourceBox", control::kCustomSourceBox, "微软雅黑 Light", 14, 290, true},
    {"VoiceServerBox", control::kVoiceServerBox, "华文新魏", 12, 700, true},
    {"HintLabel", control::kSourceHintLabel, "", 14, 400, false},
    {"CreditLabel", control::kCreditLabel, "", 12, 400, false},
    {"Install", control::kInstallButton, nullptr, 0, 0, false},
    {"ForceClose", control::kForceCloseButton, nullptr, 0, 0, false},
    {"CheckBox", control::kVoiceChatCheckBox, nullptr, 0, 0, false},
    {"SourceGroup", control::kSourceGroupBox, nullptr, 0, 0, false},
    {"Selector", control::kSourceSelector, nullptr, 0, 0, false},
};

class Fonts : public ::testing::TestWithParam<FontCase> {};

TEST_P(Fonts, BuiltFromTheTableOrTheDefaultGuiFont) {
    const FontCase& c = GetParam();
    HWND control = find(c.number);
    ASSERT_NE(control, nullptr);
    HFONT font = reinterpret_cast<HFONT>(SendMessageA(control, WM_GETFONT, 0, 0));
    if (!c.face) {
        EXPECT_EQ(font, GetStockObject(DEFAULT_GUI_FONT));
        return;
    }
    ASSERT_NE(font, nullptr);
    EXPECT_NE(font, GetStockObject(DEFAULT_GUI_FONT));
    LOGFONTA description{};
    ASSERT_EQ(GetObjectA(font, sizeof description, &description), static_cast<int>(sizeof description));
    EXPECT_STREQ(description.lfFaceName, c.face);
    EXPECT_EQ(description.lfHeight, -c.height);
    EXPECT_EQ(description.lfWidth, 0);
    EXPECT_EQ(description.lfWeight, c.weight);
    EXPECT_EQ(description.lfUnderline != 0, c.underlined);
    EXPECT_EQ(description.lfItalic, 0);
    EXPECT_EQ(description.lfStrikeOut, 0);
    EXPECT_EQ(description.lfCharSet, DEFAULT_CHARSET);
    EXPECT_EQ(description.lfQuality, PROOF_QUALITY);
}

INSTANTIATE_TEST_SUITE_P(Table, Fonts, ::testing::ValuesIn(kFontCases), testing::CaseName());

int dropped_extent(HWND combo) {
    RECT closed{}, dropped{};
    GetWindowRect(combo, &closed);
    SendMessageA(combo, CB_GETDROPPEDCONTROLRECT, 0, reinterpret_cast<LPARAM>(&dropped));
    return dropped.bottom - closed.top;
}

// Measured against a box of the same kind and font that is created 160 high
// and left at the system's item height: systems differ on what the dropped
// rectangle covers, and on the default item height.
TEST(SourceSelector, EmptyCreated160HighWithItemsOnePixelTallerAndAScrollBar) {
    HWND combo = find(control::kSourceSelector);
    ASSERT_NE(combo, nullptr);
    EXPECT_EQ(SendMessageA(combo, CB_GETCOUNT, 0, 0), 0);
    EXPECT_EQ(SendMessageA(combo, CB_GETCURSEL, 0, 0), CB_ERR);

    HWND plain = CreateWindowExA(0, "COMBOBOX", "", WS_CHILD | CBS_DROPDOWNLIST | WS_VSCROLL, 16, 16, 312, 160,
                                 GetParent(combo), nullptr, GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(plain, nullptr);
    SendMessageA(plain, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), FALSE);
    const LRESULT default_height = SendMessageA(plain, CB_GETITEMHEIGHT, 0, 0);
    const int plain_extent = dropped_extent(plain);
    DestroyWindow(plain);
    EXPECT_EQ(SendMessageA(combo, CB_GETITEMHEIGHT, 0, 0), default_height + 1);
    EXPECT_EQ(dropped_extent(combo), plain_extent);

    // More items than the dropped list holds bring up its scroll bar.
    for (int i = 0; i < 30; ++i) SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("item"));
    COMBOBOXINFO parts{};
    parts.cbSize = sizeof parts;
    ASSERT_TRUE(GetComboBoxInfo(combo, &parts));
    EXPECT_TRUE(has_style(parts.hwndList, WS_VSCROLL));
    SendMessageA(combo, CB_RESETCONTENT, 0, 0);
}

TEST(EditBoxes, NoLengthLimitAndCaretAtStart) {
    for (ControlNumber number : {control::kCustomSourceBox, control::kVoiceServerBox}) {
        HWND edit = find(number);
        ASSERT_NE(edit, nullptr);
        EXPECT_GE(SendMessageA(edit, EM_GETLIMITTEXT, 0, 0), 0x7FFFFFFE) << std::hex << number;
        DWORD start = 1, end = 1;
        SendMessageA(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
        EXPECT_EQ(start, 0u) << std::hex << number;
        EXPECT_EQ(end, 0u) << std::hex << number;
    }
}

// A memory bitmap to paint into and read back.
class Canvas {
public:
    Canvas(int width, int height) : width_(width), height_(height) {
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = -height;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        dc_ = CreateCompatibleDC(nullptr);
        bitmap_ = CreateDIBSection(dc_, &info, DIB_RGB_COLORS, reinterpret_cast<void**>(&pixels_), nullptr, 0);
        previous_ = SelectObject(dc_, bitmap_);
        RECT all{0, 0, width, height};
        FillRect(dc_, &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    }
    ~Canvas() {
        SelectObject(dc_, previous_);
        DeleteObject(bitmap_);
        DeleteDC(dc_);
    }
    Canvas(const Canvas&) = delete;
    Canvas& operator=(const Canvas&) = delete;

    HDC dc() const { return dc_; }
    COLORREF at(int x, int y) const {
        GdiFlush();
        const DWORD pixel = pixels_[y * width_ + x];
        return RGB((pixel >> 16) & 0xFF, (pixel >> 8) & 0xFF, pixel & 0xFF);
    }
    // The box around every pixel that satisfies `is_text`; empty when none.
    template <class Predicate>
    RECT bounds(Predicate is_text) const {
        RECT box{width_, height_, -1, -1};
        for (int y = 0; y < height_; ++y)
            for (int x = 0; x < width_; ++x)
                if (is_text(at(x, y))) {
                    box.left = std::min<LONG>(box.left, x);
                    box.top = std::min<LONG>(box.top, y);
                    box.right = std::max<LONG>(box.right, x + 1);
                    box.bottom = std::max<LONG>(box.bottom, y + 1);
                }
        return box;
    }

private:
    int width_, height_;
    HDC dc_;
    HBITMAP bitmap_;
    HGDIOBJ previous_;
    DWORD* pixels_ = nullptr;
};

bool near_colour(COLORREF pixel, COLORREF wanted, int tolerance) {
    return std::abs(GetRValue(pixel) - GetRValue(wanted)) <= tolerance &&
           std::abs(GetGValue(pixel) - GetGValue(wanted)) <= tolerance &&
           std::abs(GetBValue(pixel) - GetBValue(wanted)) <= tolerance;
}

struct PaintCase {
    const char* name;
    COLORREF colour;
    bool centred;
};

const PaintCase kPaintCases[] = {
    {"RedCentred", RGB(255, 0, 0), true},
    {"SilverLeft", RGB(192, 192, 192), false},
};

class LabelPaint : public ::testing::TestWithParam<PaintCase> {};

// The rectangle is lower than the text: one line, centred on the rectangle's
// middle, spilling over it rather than cut off.
TEST_P(LabelPaint, FillsThenDrawsOneUnclippedLineCentredVertically) {
    const PaintCase& c = GetParam();
    Canvas canvas(200, 40);
    const RECT label{20, 16, 180, 24};
    HFONT font = CreateFontA(-14, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                             CLIP_DEFAULT_PRECIS, NONANTIALIASED_QUALITY, DEFAULT_PITCH, "");
    paint_label(canvas.dc(), label, "WWW Www", font, c.colour, c.centred);
    DeleteObject(font);

    // The text is short of the rectangle's right end, and of both ends when centred.
    EXPECT_EQ(canvas.at(label.right - 1, label.top), GetSysColor(COLOR_BTNFACE));
    EXPECT_EQ(canvas.at(label.right - 1, label.bottom - 1), GetSysColor(COLOR_BTNFACE));
    if (c.centred) {
        EXPECT_EQ(canvas.at(label.left, label.top), GetSysColor(COLOR_BTNFACE));
    }
    EXPECT_EQ(canvas.at(5, 5), RGB(0, 0, 0));  // nothing filled outside the rectangle
    const RECT text = canvas.bounds([&](COLORREF pixel) { return pixel == c.colour; });
    ASSERT_GT(text.right, text.left) << "no text of the label's colour";
    EXPECT_TRUE(text.top < label.top || text.bottom > label.bottom) << "text clipped to the rectangle";
    EXPECT_LE(std::abs((text.top + text.bottom) - (label.top + label.bottom)), 4);
    if (c.centred)
        EXPECT_LE(std::abs((text.left - label.left) - (label.right - text.right)), 3);
    else
        EXPECT_LE(text.left - label.left, 2);
}

INSTANTIATE_TEST_SUITE_P(Table, LabelPaint, ::testing::ValuesIn(kPaintCases), testing::CaseName());

struct LabelCase {
    const char* name;
    ControlNumber number;
    COLORREF colour;
    bool centred;
};

const LabelCase kLabelCases[] = {
    {"HintInsideGroup", control::kSourceHintLabel, RGB(255, 0, 0), true},
    {"CreditOnWindow", control::kCreditLabel, RGB(192, 192, 192), false},
};

class LabelDrawing : public ::testing::TestWithParam<LabelCase> {};

// The label asks its parent to draw it; for the hint label that parent is
// the group box, which must hand the request on.
TEST_P(LabelDrawing, ParentDrawsTheLabelInItsColour) {
    const LabelCase& c = GetParam();
    HWND label = find(c.number);
    ASSERT_NE(label, nullptr);
    RECT client;
    GetClientRect(label, &client);
    Canvas canvas(client.right, client.bottom);
    SendMessageA(label, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(canvas.dc()), PRF_CLIENT);
    EXPECT_EQ(canvas.at(0, 0), GetSysColor(COLOR_BTNFACE));
    const COLORREF face = GetSysColor(COLOR_BTNFACE);
    const RECT text = canvas.bounds([&](COLORREF pixel) {
        return pixel != face && near_colour(pixel, c.colour, 48);
    });
    ASSERT_GT(text.right, text.left) << "no text of the label's colour";
    if (c.centred)
        EXPECT_LE(std::abs(text.left - (client.right - text.right)), 4);
    else
        EXPECT_LE(text.left, 3);
}

INSTANTIATE_TEST_SUITE_P(Table, LabelDrawing, ::testing::ValuesIn(kLabelCases), testing::CaseName());

struct CursorCase {
    const char* name;
    ControlNumber number;  // 0: the window itself
    LPCSTR cursor;
};

const CursorCase kCursorCases[] = {
    {"Install", control::kInstallButton, IDC_SIZENWSE},
    {"Uninstall", control::kUninstallButton, IDC_SIZENESW},
    {"CreditLabel", control::kCreditLabel, IDC_HAND},
    {"ForceClose", control::kForceCloseButton, IDC_ARROW},
    {"CheckBox", control::kVoiceChatCheckBox, IDC_ARROW},
    {"SelectorInsideGroup", control::kSourceSelector, IDC_ARROW},
    {"VoiceServerBoxInsideGroup", control::kVoiceServerBox, IDC_ARROW},
    {"Window", 0, IDC_ARROW},
};

class Cursors : public ::testing::TestWithParam<CursorCase> {};

// The control asks its parents in turn, as when the mouse moves over it.
TEST_P(Cursors, SetWhileOverTheClientArea) {
    const CursorCase& c = GetParam();
    HWND over = c.number ? find(c.number) : main_handle();
    ASSERT_NE(over, nullptr);
    SetCursor(LoadCursorA(nullptr, IDC_WAIT));
    EXPECT_TRUE(SendMessageA(over, WM_SETCURSOR, reinterpret_cast<WPARAM>(over), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE)));
    EXPECT_EQ(GetCursor(), LoadCursorA(nullptr, c.cursor));
}

INSTANTIATE_TEST_SUITE_P(Table, Cursors, ::testing::ValuesIn(kCursorCases), testing::CaseName());

TEST(EditColours, BlueOnWhiteForBothBoxesThroughTheirGroupBoxes) {
    Canvas canvas(4, 4);
    for (ControlNumber number : {control::kCustomSourceBox, control::kVoiceServerBox}) {
        HWND edit = find(number);
        SetTextColor(canvas.dc(), RGB(0, 0, 0));
        SetBkColor(canvas.dc(), RGB(1, 2, 3));
        const LRESULT brush = SendMessageA(GetParent(edit), WM_CTLCOLOREDIT, reinterpret_cast<WPARAM>(canvas.dc()),
                                           reinterpret_cast<LPARAM>(edit));
        EXPECT_EQ(reinterpret_cast<HGDIOBJ>(brush), GetStockObject(WHITE_BRUSH)) << std::hex << number;
        EXPECT_EQ(GetTextColor(canvas.dc()), RGB(0, 136, 255)) << std::hex << number;
        EXPECT_EQ(GetBkColor(canvas.dc()), RGB(255, 255, 255)) << std::hex << number;
    }
}

// The window clips its children, so each group box fills its own interior.
TEST(GroupBoxes, EraseTheirInteriorWithTheButtonFace) {
    for (ControlNumber number : {control::kSourceGroupBox, control::kVoiceServerGroupBox}) {
        HWND group = find(number);
        RECT client;
        GetClientRect(group, &client);
        Canvas canvas(client.right, client.bottom);
        EXPECT_TRUE(SendMessageA(group, WM_ERASEBKGND, reinterpret_cast<WPARAM>(canvas.dc()), 0)) << std::hex << number;
        EXPECT_EQ(canvas.at(client.right / 2, client.bottom / 2), GetSysColor(COLOR_BTNFACE)) << std::hex << number;
    }
    EXPECT_TRUE(has_style(main_handle(), WS_CLIPCHILDREN));
}

struct LayoutCase {
    const char* name;
    LRESULT ticked_after_click;
    int window_height;
    int buttons_top;
    bool voice_group_visible;
};

// Successive clicks on the check box, from the start state.
const LayoutCase kClicks[] = {
    {"FirstClickExpands", BST_CHECKED, 241, 176, true},
    {"SecondClickCollapses", BST_UNCHECKED, 160, 96, false},
    {"ThirdClickExpandsAgain", BST_CHECKED, 241, 176, true},
    {"FourthClickCollapsesAgain", BST_UNCHECKED, 160, 96, false},
};

TEST(Layouts, CheckBoxClicksSwitchHeightButtonsAndVoiceGroup) {
    HWND window = main_handle();
    HWND check_box = find(control::kVoiceChatCheckBox);
    RECT start;
    GetWindowRect(window, &start);
    for (const LayoutCase& c : kClicks) {
        SCOPED_TRACE(c.name);
        SendMessageA(check_box, BM_CLICK, 0, 0);
        EXPECT_EQ(SendMessageA(check_box, BM_GETCHECK, 0, 0), c.ticked_after_click);
        RECT now;
        GetWindowRect(window, &now);
        EXPECT_EQ(now.bottom - now.top, c.window_height);
        EXPECT_EQ(now.top, start.top);
        EXPECT_EQ(now.left, start.left);
        EXPECT_EQ(now.right - now.left, 372);
        EXPECT_EQ(rect_in_parent(find(control::kInstallButton)).top, c.buttons_top);
        EXPECT_EQ(rect_in_parent(find(control::kUninstallButton)).top, c.buttons_top);
        EXPECT_EQ(rect_in_parent(find(control::kInstallButton)).left, 40);
        EXPECT_EQ(visible_flag(find(control::kVoiceServerGroupBox)), c.voice_group_visible);
        EXPECT_TRUE(visible_flag(find(control::kVoiceServerBox)));
    }
}

struct SwapCase {
    const char* name;
    int select;
    bool custom_visible;
};

// Selections in order; the selector sends CBN_SELCHANGE to its parent, the
// source group box, exactly as after a user's choice.
const SwapCase kSelections[] = {
    {"CustomEntryLast", 3, true},
    {"OrdinaryItem", 0, false},
    {"CustomEntryFirst", 1, true},
    {"EmptyItem", 2, false},
    {"BackToCustom", 3, true},
};

TEST(SourceBoxSwap, FollowsTheSelectedTextAndKeepsTheTypedAddress) {
    HWND combo = find(control::kSourceSelector);
    HWND custom_box = find(control::kCustomSourceBox);
    HWND hint = find(control::kSourceHintLabel);
    ASSERT_NE(combo, nullptr);
    for (const char* item : {"亚服", "自定义", "", "自定义"})
        main_window().host().add_combo_item(window::kMain, control::kSourceSelector, item);
    SetWindowTextA(custom_box, "https://example.invalid/typed.json");
    for (const SwapCase& c : kSelections) {
        SCOPED_TRACE(c.name);
        SendMessageA(combo, CB_SETCURSEL, static_cast<WPARAM>(c.select), 0);
        SendMessageA(GetParent(combo), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(combo), CBN_SELCHANGE),
                     reinterpret_cast<LPARAM>(combo));
        EXPECT_EQ(visible_flag(custom_box), c.custom_visible);
        EXPECT_EQ(visible_flag(hint), !c.custom_visible);
        EXPECT_EQ(text_of(custom_box), "https://example.invalid/typed.json");
    }
    // Back to the start state for the other tests: empty selector, hint shown.
    SendMessageA(combo, CB_RESETCONTENT, 0, 0);
    SendMessageA(GetParent(combo), WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(combo), CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(combo));
    EXPECT_TRUE(visible_flag(hint));
    SetWindowTextA(custom_box, site_address("/Quorvane/serverlist.json").c_str());
}

// The built program: its icon group, manifest and version resource.
class ProgramFile : public ::testing::Test {
protected:
    void SetUp() override {
        const char* path = std::getenv("QV_QUORVANE_EXE");
        if (!path) GTEST_SKIP() << "QV_QUORVANE_EXE does not name the built quorvane.exe";
        path_ = path;
        module_ = LoadLibraryExA(path, nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
        ASSERT_NE(module_, nullptr) << path;
    }
    void TearDown() override {
        if (module_) FreeLibrary(module_);
    }
    std::string resource(LPCSTR name, LPCSTR type) const {
        HRSRC found = FindResourceA(module_, name, type);
        if (!found) return std::string();
        const char* bytes = static_cast<const char*>(LockResource(LoadResource(module_, found)));
        return std::string(bytes, SizeofResource(module_, found));
    }

    std::string path_;
    HMODULE module_ = nullptr;
};

#pragma pack(push, 2)
struct GroupIconEntry {
    BYTE width, height, colours, reserved;
    WORD planes, bit_count;
    DWORD bytes;
    WORD id;
};
#pragma pack(pop)

TEST_F(ProgramFile, IconGroupHasSixSquare32BitImages) {
    const std::string group = resource("DEFAULT_ICON", RT_GROUP_ICON);
    ASSERT_GE(group.size(), 6u);
    const WORD count = *reinterpret_cast<const WORD*>(group.data() + 4);
    ASSERT_EQ(count, 6);
    ASSERT_EQ(group.size(), 6 + count * sizeof(GroupIconEntry));
    std::vector<int> sizes;
    for (WORD i = 0; i < count; ++i) {
        const auto* entry = reinterpret_cast<const GroupIconEntry*>(group.data() + 6 + i * sizeof(GroupIconEntry));
        EXPECT_EQ(entry->width, entry->height);
        EXPECT_EQ(entry->bit_count, 32);
        EXPECT_FALSE(resource(MAKEINTRESOURCEA(entry->id), RT_ICON).empty()) << entry->id;
        sizes.push_back(entry->width == 0 ? 256 : entry->width);
    }
    EXPECT_EQ(sizes, (std::vector<int>{256, 128, 64, 48, 32, 16}));
}

TEST_F(ProgramFile, ManifestAsksForCommonControls6AsInvokerWithoutDpiAwareness) {
    const std::string manifest = resource(MAKEINTRESOURCEA(1), RT_MANIFEST);
    ASSERT_FALSE(manifest.empty());
    EXPECT_NE(manifest.find("name=\"Microsoft.Windows.Common-Controls\" version=\"6.0.0.0\""), std::string::npos);
    EXPECT_NE(manifest.find("level=\"asInvoker\""), std::string::npos);
    EXPECT_EQ(manifest.find("dpiAware"), std::string::npos);
}

TEST_F(ProgramFile, VersionResourceInChinesePrc) {
    DWORD ignored = 0;
    const DWORD size = GetFileVersionInfoSizeA(path_.c_str(), &ignored);
    ASSERT_GT(size, 0u);
    std::vector<char> info(size);
    ASSERT_TRUE(GetFileVersionInfoA(path_.c_str(), 0, size, info.data()));
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueA(info.data(), "\\", reinterpret_cast<void**>(&fixed), &length));
    EXPECT_EQ(fixed->dwFileVersionMS, static_cast<DWORD>(MAKELONG(2025, 2)));
    EXPECT_EQ(fixed->dwFileVersionLS, static_cast<DWORD>(MAKELONG(15, 6)));
    EXPECT_EQ(fixed->dwProductVersionMS, fixed->dwFileVersionMS);
    EXPECT_EQ(fixed->dwProductVersionLS, fixed->dwFileVersionLS);
    WORD* translation = nullptr;
    ASSERT_TRUE(VerQueryValueA(info.data(), "\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translation),
                               &length));
    ASSERT_GE(length, 4u);
    EXPECT_EQ(translation[0], 0x0804);
    struct Entry {
        const char* key;
        const char* value;
    };
    for (const Entry& entry : {Entry{"ProductName", "Quorvane"}, Entry{"FileVersion", "2.2025.6.15"},
                               Entry{"ProductVersion", "2.2025.6.15"}}) {
        char* value = nullptr;
        const std::string query = std::string("\\StringFileInfo\\080404B0\\") + entry.key;
        ASSERT_TRUE(VerQueryValueA(info.data(), query.c_str(), reinterpret_cast<void**>(&value), &length))
            << entry.key;
        EXPECT_STREQ(value, entry.value) << entry.key;
    }
}

}  // namespace
}  // namespace qv
