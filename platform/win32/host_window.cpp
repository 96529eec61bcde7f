#include "platform/host_window.h"

#include <windows.h>

namespace platform {
namespace {

constexpr int kHandCursor = 2;
constexpr COLORREF kLinkColour = RGB(32, 32, 255);

HWND Window(HostWindow window) { return static_cast<HWND>(window); }

const AboutBox* BoxOf(HWND dialog) {
    return reinterpret_cast<const AboutBox*>(GetWindowLongPtrA(dialog, DWLP_USER));
}

const AboutLink* LinkOf(HWND dialog, HWND control) {
    const AboutBox* box = BoxOf(dialog);
    if (!box) return nullptr;
    for (const AboutLink& link : box->links)
        if (GetDlgItem(dialog, link.controlId) == control) return &link;
    return nullptr;
}

INT_PTR SetResult(HWND dialog, LONG_PTR result) {
    SetWindowLongPtrA(dialog, DWLP_MSGRESULT, result);
    return TRUE;
}

// The hand is shown by answering WM_SETCURSOR for the links, not by changing the class
// cursor: that class is shared by every static control of the host process.
INT_PTR CALLBACK AboutProcedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG:
            SetWindowLongPtrA(dialog, DWLP_USER, lParam);
            return FALSE;
        case WM_COMMAND: {
            if (LOWORD(wParam) == IDOK) {
                EndDialog(dialog, 1);
                return TRUE;
            }
            const AboutLink* link = LinkOf(dialog, reinterpret_cast<HWND>(lParam));
            if (link && HIWORD(wParam) == STN_CLICKED)
                ShellExecuteA(nullptr, "open", link->target, "", "", SW_SHOW);
            return FALSE;
        }
        case WM_SETCURSOR:
            if (!LinkOf(dialog, reinterpret_cast<HWND>(wParam))) return FALSE;
            SetCursor(LoadCursorA(reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(dialog, GWLP_HINSTANCE)),
                                  MAKEINTRESOURCEA(kHandCursor)));
            return SetResult(dialog, TRUE);
        case WM_CTLCOLORSTATIC:
            if (!LinkOf(dialog, reinterpret_cast<HWND>(lParam))) return FALSE;
            SetTextColor(reinterpret_cast<HDC>(wParam), kLinkColour);
            SetBkColor(reinterpret_cast<HDC>(wParam), GetSysColor(COLOR_BTNFACE));
            return reinterpret_cast<INT_PTR>(GetSysColorBrush(COLOR_BTNFACE));
        default:
            return FALSE;
    }
}

}  // namespace

void SendHostQuery(HostWindow window, std::uint32_t command, void* record) {
    if (window) SendMessageA(Window(window), WM_USER, command, reinterpret_cast<LPARAM>(record));
}

void CheckHostMenuItem(HostWindow window, int commandId, bool checked) {
    HMENU menu = window ? GetMenu(Window(window)) : nullptr;
    if (menu) CheckMenuItem(menu, commandId, MF_BYCOMMAND | (checked ? MF_CHECKED : MF_UNCHECKED));
}

void SetHostMenuItemText(HostWindow window, int commandId, const char* text) {
    HMENU menu = window ? GetMenu(Window(window)) : nullptr;
    if (menu) ModifyMenuA(menu, commandId, MF_BYCOMMAND | MF_STRING, commandId, text);
}

int ShowAboutBox(void* module, HostWindow owner, const AboutBox& box) {
    INT_PTR result = DialogBoxParamA(static_cast<HINSTANCE>(module), "DLLABOUT", Window(owner),
                                     AboutProcedure, reinterpret_cast<LPARAM>(&box));
    return result < 0 ? 0 : static_cast<int>(result);
}

}  // namespace platform
