#include <string>

#include "host/win32/host_rules.h"
#include "host/win32/win32_host.h"

namespace qv {
namespace {

struct Search {
    int id;
    HWND found;
};

BOOL CALLBACK match_control_id(HWND child, LPARAM context) {
    Search* search = reinterpret_cast<Search*>(context);
    if (GetDlgCtrlID(child) != search->id) return TRUE;
    search->found = child;
    return FALSE;
}

// The window's rectangle in its parent's client area (on the screen for a
// top-level window).
RECT placement(HWND control) {
    RECT rect = {};
    GetWindowRect(control, &rect);
    HWND parent = (GetWindowLongPtrA(control, GWL_STYLE) & WS_CHILD) ? GetParent(control) : nullptr;
    if (parent) MapWindowPoints(HWND_DESKTOP, parent, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

Text window_text(HWND control) {
    const int length = GetWindowTextLengthA(control);
    if (length <= 0) return {};
    std::string text(static_cast<size_t>(length) + 1, '\0');
    const int copied = GetWindowTextA(control, text.data(), length + 1);
    text.resize(copied > 0 ? static_cast<size_t>(copied) : 0);
    return Text(text);
}

Text current_item_text(HWND combo) {
    const LRESULT index = SendMessageA(combo, CB_GETCURSEL, 0, 0);
    if (index == CB_ERR) return {};
    const LRESULT length = SendMessageA(combo, CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0);
    if (length == CB_ERR || length <= 0) return {};
    std::string text(static_cast<size_t>(length) + 1, '\0');
    const LRESULT copied =
        SendMessageA(combo, CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(text.data()));
    text.resize(copied > 0 ? static_cast<size_t>(copied) : 0);
    return Text(text);
}

}  // namespace

HWND Win32Host::find_control(ControlNumber window_number, ControlNumber control) const {
    if (window_number != window::kMain || !main_window_) return nullptr;
    if (control == window::kSelf) return main_window_;
    // EnumChildWindows walks every descendant, so controls inside group
    // boxes are found as well.
    Search search{control_id(control), nullptr};
    EnumChildWindows(main_window_, &match_control_id, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

int Win32Host::message_box(const Text& text, int flags, const Text& title) {
    return win32_rules::answer_code(
        MessageBoxA(nullptr, text.c_str(), title.c_str(), win32_rules::message_box_flags(flags)));
}

int Win32Host::read_property(ControlNumber window_number, ControlNumber control, Property<int> property) {
    HWND target = find_control(window_number, control);
    if (!target) return 0;
    switch (property.number) {
        case property::kTop.number:
            return static_cast<int>(placement(target).top);
        case property::kHeight.number: {
            const RECT rect = placement(target);
            return static_cast<int>(rect.bottom - rect.top);
        }
        case property::kVisible.number:
            // The style bit, not IsWindowVisible: a control of the still
            // hidden main window is visible all the same.
            return (GetWindowLongPtrA(target, GWL_STYLE) & WS_VISIBLE) ? 1 : 0;
        case property::kDisabled.number:
            return IsWindowEnabled(target) ? 0 : 1;
        case property::kTicked.number:
            return SendMessageA(target, BM_GETCHECK, 0, 0) == BST_CHECKED ? 1 : 0;
        case property::kSelectedIndex.number:
            return static_cast<int>(SendMessageA(target, CB_GETCURSEL, 0, 0));
        default:
            return 0;
    }
}

Text Win32Host::read_property(ControlNumber window_number, ControlNumber control, Property<Text> property) {
    HWND target = find_control(window_number, control);
    if (!target) return {};
    switch (property.number) {
        case property::kContentText.number:
        case property::kCaption.number:
            return window_text(target);
        case property::kSelectedText.number:
            return current_item_text(target);
        default:
            return {};
    }
}

void Win32Host::write_property(ControlNumber window_number, ControlNumber control, Property<int> property,
                               int value) {
    HWND target = find_control(window_number, control);
    if (!target) return;
    const RECT rect = placement(target);
    switch (property.number) {
        case property::kTop.number:
            SetWindowPos(target, nullptr, rect.left, value, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
            break;
        case property::kHeight.number:
            SetWindowPos(target, nullptr, 0, 0, rect.right - rect.left, value,
                         SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
            break;
        case property::kVisible.number:
            ShowWindow(target, value ? SW_SHOW : SW_HIDE);
            break;
        case property::kDisabled.number:
            EnableWindow(target, value ? FALSE : TRUE);
            break;
        case property::kTicked.number:
            SendMessageA(target, BM_SETCHECK, value ? BST_CHECKED : BST_UNCHECKED, 0);
            break;
        case property::kSelectedIndex.number:
            // CB_SETCURSEL sends no selection notification to the parent.
            SendMessageA(target, CB_SETCURSEL, static_cast<WPARAM>(value), 0);
            break;
        default:
            break;
    }
}

void Win32Host::write_property(ControlNumber window_number, ControlNumber control, Property<Text> property,
                               const Text& value) {
    HWND target = find_control(window_number, control);
    if (!target) return;
    switch (property.number) {
        case property::kContentText.number:
        case property::kCaption.number:
            SetWindowTextA(target, value.c_str());
            break;
        default:
            break;
    }
}

int Win32Host::add_combo_item(ControlNumber window_number, ControlNumber control, const Text& item,
                              std::intptr_t item_data) {
    HWND target = find_control(window_number, control);
    if (!target) return -1;
    const LRESULT index = SendMessageA(target, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item.c_str()));
    if (index == CB_ERR || index == CB_ERRSPACE) return -1;
    SendMessageA(target, CB_SETITEMDATA, static_cast<WPARAM>(index), static_cast<LPARAM>(item_data));
    return static_cast<int>(index);
}

}  // namespace qv
