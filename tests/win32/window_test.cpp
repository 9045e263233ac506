#include <gtest/gtest.h>

#include <thread>

#include "host/win32/win32_host.h"
#include "tests/support/case_name.h"
#include "tests/win32/support.h"

namespace qv {
namespace {

using win32_testing::running_on_wine;

constexpr UINT kProbe = WM_APP + 7;
int probes_dispatched = 0;

LRESULT CALLBACK counting_procedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == kProbe) {
        ++probes_dispatched;
        return 0;
    }
    return DefWindowProcA(window, message, wparam, lparam);
}

// A hidden main window shaped like the program's: a button and a check box
// on the window, a combo box and an edit box inside a group box.
class TestWindow : public ::testing::Test {
protected:
    void SetUp() override {
        WNDCLASSA window_class = {};
        window_class.lpfnWndProc = &counting_procedure;
        window_class.hInstance = GetModuleHandleA(nullptr);
        window_class.lpszClassName = "QvHostTestWindow";
        RegisterClassA(&window_class);
        main = CreateWindowExA(0, "QvHostTestWindow", "Quorvane", WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU, 100, 120,
                               372, 160, nullptr, nullptr, window_class.hInstance, nullptr);
        ASSERT_NE(main, nullptr);
        button = child(main, "BUTTON", "安装", BS_PUSHBUTTON, 10, 96, 80, 24, control::kInstallButton);
        check_box = child(main, "BUTTON", "语音", BS_AUTOCHECKBOX, 100, 96, 80, 24, control::kVoiceChatCheckBox);
        group = child(main, "BUTTON", "源", BS_GROUPBOX, 5, 5, 350, 80, control::kSourceGroupBox);
        combo = child(group, "COMBOBOX", "", CBS_DROPDOWNLIST | WS_VSCROLL, 10, 20, 200, 200,
                      control::kSourceSelector);
        edit = child(group, "EDIT", "", ES_AUTOHSCROLL | WS_BORDER, 10, 50, 200, 20, control::kCustomSourceBox);
        host.set_main_window(main);
        probes_dispatched = 0;
        drain();
    }
    void TearDown() override {
        host.set_main_window(nullptr);
        if (main) DestroyWindow(main);
        drain();
    }

    static HWND child(HWND parent, const char* window_class, const char* text, DWORD style, int x, int y, int width,
                      int height, ControlNumber number) {
        return CreateWindowExA(0, window_class, text, WS_CHILD | WS_VISIBLE | style, x, y, width, height, parent,
                               reinterpret_cast<HMENU>(static_cast<INT_PTR>(control_id(number))),
                               GetModuleHandleA(nullptr), nullptr);
    }
    static void drain() {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
    }

    Win32Host host;
    HWND main = nullptr, button = nullptr, check_box = nullptr, group = nullptr, combo = nullptr, edit = nullptr;
};

using Pause = TestWindow;

TEST_F(Pause, ZeroOrNegativeReturnsAtOnceAndDispatchesNothing) {
    for (int milliseconds : {0, -1, -100000}) {
        PostMessageA(main, kProbe, 0, 0);
        host.pause(milliseconds);
        EXPECT_EQ(probes_dispatched, 0) << milliseconds;
        MSG message;
        EXPECT_TRUE(PeekMessageA(&message, main, kProbe, kProbe, PM_REMOVE)) << milliseconds;
    }
}

TEST_F(Pause, DispatchesPostedMessagesAndTakesItsTime) {
    PostMessageA(main, kProbe, 0, 0);
    PostMessageA(main, kProbe, 0, 0);
    const DWORD start = GetTickCount();
    host.pause(100);
    EXPECT_GE(GetTickCount() - start, 100u);
    EXPECT_EQ(probes_dispatched, 2);
}

TEST_F(Pause, LeavesTheQuitMessageForTheMainLoop) {
    PostMessageA(main, kProbe, 0, 0);
    PostQuitMessage(42);
    host.pause(100);
    EXPECT_EQ(probes_dispatched, 1);
    MSG message;
    ASSERT_TRUE(PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(message.message, static_cast<UINT>(WM_QUIT));
    EXPECT_EQ(message.wParam, 42u);
}

struct BoxCase {
    const char* name;
    int flags;
    UINT message;  // what the "user" does to the box
    WPARAM wparam;
    int expected;
};

class MessageBoxAnswers : public TestWindow, public ::testing::WithParamInterface<BoxCase> {};

TEST_P(MessageBoxAnswers, CodeOfTheClosingButton) {
    const BoxCase& c = GetParam();
    ShowWindow(main, SW_SHOWNOACTIVATE);
    bool main_disabled_while_shown = false;
    bool found = false;
    std::thread user([&] {
        HWND box = win32_testing::wait_for_box(GetCurrentProcessId(), "标题");
        found = box != nullptr;
        if (!box) return;
        main_disabled_while_shown = !IsWindowEnabled(main);
        EXPECT_EQ(win32_testing::box_text(box), "正文");
        if (c.message == WM_KEYDOWN) {
            // Esc pressed on the box's focused button.
            HWND focus = GetDlgItem(box, c.flags == 65 ? IDOK : IDYES);
            PostMessageA(focus ? focus : box, WM_KEYDOWN, VK_ESCAPE, 0);
            PostMessageA(focus ? focus : box, WM_KEYUP, VK_ESCAPE, 0);
        } else {
            PostMessageA(box, c.message, c.wparam, 0);
        }
    });
    const int answer = host.message_box("正文", c.flags, "标题");
    user.join();
    ASSERT_TRUE(found);
    if (running_on_wine() && c.message == WM_CLOSE && c.flags == 48 && answer == answer::kCancel) {
        GTEST_SKIP() << "Wine answers IDCANCEL when a box without a Cancel button is closed; Windows answers IDOK";
    }
    EXPECT_EQ(answer, c.expected);
    EXPECT_TRUE(main_disabled_while_shown) << "a task-modal box disables the thread's windows";
    EXPECT_TRUE(IsWindowEnabled(main));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, MessageBoxAnswers,
    ::testing::Values(BoxCase{"error_ok", 16, WM_COMMAND, IDOK, answer::kOk},
                      BoxCase{"exclamation_closed", 48, WM_CLOSE, 0, answer::kOk},
                      BoxCase{"question_yes", 36, WM_COMMAND, IDYES, answer::kYes},
                      BoxCase{"question_no", 36, WM_COMMAND, IDNO, answer::kNo},
                      BoxCase{"information_ok", 65, WM_COMMAND, IDOK, answer::kOk},
                      BoxCase{"information_cancel", 65, WM_COMMAND, IDCANCEL, answer::kCancel},
                      BoxCase{"information_escape", 65, WM_KEYDOWN, 0, answer::kCancel},
                      BoxCase{"information_closed", 65, WM_CLOSE, 0, answer::kCancel}),
    qv::testing::CaseName());

using Properties = TestWindow;

TEST_F(Properties, ControlsAreFoundInsideGroupBoxesByTheirId) {
    host.write_property(window::kMain, control::kCustomSourceBox, property::kContentText,
                        Text("https://localhost/list.json"));
    char text[64] = {};
    GetWindowTextA(edit, text, sizeof text);
    EXPECT_STREQ(text, "https://localhost/list.json");
    EXPECT_EQ(host.read_property(window::kMain, control::kCustomSourceBox, property::kContentText).str(),
              "https://localhost/list.json");
    // Another window number, an unknown control: nothing is touched or read.
    EXPECT_EQ(host.read_property(0x52010002, control::kCustomSourceBox, property::kContentText).str(), "");
    EXPECT_EQ(host.read_property(window::kMain, 0x16019999, property::kCaption).str(), "");
    host.write_property(window::kMain, 0x16019999, property::kDisabled, 1);
    EXPECT_TRUE(IsWindowEnabled(button));
}

TEST_F(Properties, TopAndHeightMoveOnlyTheirOwnEdge) {
    host.write_property(window::kMain, control::kInstallButton, property::kTop, 176);
    EXPECT_EQ(host.read_property(window::kMain, control::kInstallButton, property::kTop), 176);
    RECT rect;
    GetWindowRect(button, &rect);
    MapWindowPoints(HWND_DESKTOP, main, reinterpret_cast<POINT*>(&rect), 2);
    EXPECT_EQ(rect.left, 10);
    EXPECT_EQ(rect.right - rect.left, 80);
    EXPECT_EQ(rect.bottom - rect.top, 24);

    RECT before;
    GetWindowRect(main, &before);
    EXPECT_EQ(host.read_property(window::kMain, window::kSelf, property::kHeight), 160);
    host.write_property(window::kMain, window::kSelf, property::kHeight, 241);
    RECT after;
    GetWindowRect(main, &after);
    EXPECT_EQ(after.bottom - after.top, 241);
    EXPECT_EQ(after.left, before.left);
    EXPECT_EQ(after.top, before.top);
    EXPECT_EQ(after.right - after.left, 372);
    EXPECT_EQ(host.read_property(window::kMain, window::kSelf, property::kTop), before.top);
}

TEST_F(Properties, VisibleAndDisabledFlags) {
    // The main window is hidden; its controls still count as visible.
    EXPECT_EQ(host.read_property(window::kMain, control::kCustomSourceBox, property::kVisible), 1);
    host.write_property(window::kMain, control::kCustomSourceBox, property::kVisible, 0);
    EXPECT_EQ(host.read_property(window::kMain, control::kCustomSourceBox, property::kVisible), 0);
    EXPECT_FALSE(GetWindowLongPtrA(edit, GWL_STYLE) & WS_VISIBLE);
    host.write_property(window::kMain, control::kCustomSourceBox, property::kVisible, 1);
    EXPECT_EQ(host.read_property(window::kMain, control::kCustomSourceBox, property::kVisible), 1);

    EXPECT_EQ(host.read_property(window::kMain, control::kInstallButton, property::kDisabled), 0);
    host.write_property(window::kMain, control::kInstallButton, property::kDisabled, 1);
    EXPECT_FALSE(IsWindowEnabled(button));
    EXPECT_EQ(host.read_property(window::kMain, control::kInstallButton, property::kDisabled), 1);
    host.write_property(window::kMain, control::kInstallButton, property::kDisabled, 0);
    EXPECT_TRUE(IsWindowEnabled(button));
}

TEST_F(Properties, CaptionsAndTextsRoundTripInGbk) {
    host.write_property(window::kMain, control::kInstallButton, property::kCaption, Text("安装中..."));
    EXPECT_EQ(host.read_property(window::kMain, control::kInstallButton, property::kCaption).str(), "安装中...");
    host.write_property(window::kMain, control::kInstallButton, property::kCaption, Text());
    EXPECT_TRUE(host.read_property(window::kMain, control::kInstallButton, property::kCaption).empty());
    host.write_property(window::kMain, window::kSelf, property::kCaption, Text("Quorvane 2"));
    char caption[32] = {};
    GetWindowTextA(main, caption, sizeof caption);
    EXPECT_STREQ(caption, "Quorvane 2");
}

TEST_F(Properties, TickedFollowsTheCheckBox) {
    EXPECT_EQ(host.read_property(window::kMain, control::kVoiceChatCheckBox, property::kTicked), 0);
    host.write_property(window::kMain, control::kVoiceChatCheckBox, property::kTicked, 1);
    EXPECT_EQ(SendMessageA(check_box, BM_GETCHECK, 0, 0), BST_CHECKED);
    EXPECT_EQ(host.read_property(window::kMain, control::kVoiceChatCheckBox, property::kTicked), 1);
    host.write_property(window::kMain, control::kVoiceChatCheckBox, property::kTicked, 0);
    EXPECT_EQ(host.read_property(window::kMain, control::kVoiceChatCheckBox, property::kTicked), 0);
}

TEST_F(Properties, ComboItemsKeepTheirOrderAndTheCurrentItemIsReadBack) {
    EXPECT_EQ(host.read_property(window::kMain, control::kSourceSelector, property::kSelectedIndex), -1);
    EXPECT_TRUE(host.read_property(window::kMain, control::kSourceSelector, property::kSelectedText).empty());
    // Added out of alphabetical order: the list must not sort them.
    const char* items[] = {"官方源", "Beta", "Alpha", "自定义"};
    for (int index = 0; index < 4; ++index) {
        EXPECT_EQ(host.add_combo_item(window::kMain, control::kSourceSelector, items[index], 100 + index), index);
    }
    EXPECT_EQ(SendMessageA(combo, CB_GETITEMDATA, 2, 0), 102);
    for (int index = 0; index < 4; ++index) {
        host.write_property(window::kMain, control::kSourceSelector, property::kSelectedIndex, index);
        EXPECT_EQ(host.read_property(window::kMain, control::kSourceSelector, property::kSelectedIndex), index);
        EXPECT_EQ(host.read_property(window::kMain, control::kSourceSelector, property::kSelectedText).str(),
                  items[index]);
    }
    EXPECT_EQ(host.add_combo_item(window::kMain, 0x16019999, "nowhere"), -1);
}

}  // namespace
}  // namespace qv
