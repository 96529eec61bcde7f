#include "platform/tv_window.h"

#include <windows.h>

#include <new>

namespace platform {

struct TvWindow {
    TvWindowEvents events;
    HWND window = nullptr;
    HMENU bar = nullptr;
};

namespace {

constexpr char kClassName[] = "GlyphboxTvHost";
constexpr UINT_PTR kTickTimer = 1;

LRESULT CALLBACK Procedure(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<TvWindow*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    switch (message) {
        case WM_USER:
            if (self) self->events.query(self->events.context, static_cast<std::uint32_t>(wParam),
                                         reinterpret_cast<void*>(lParam));
            return 0;
        case WM_COMMAND:
            if (self && HIWORD(wParam) == 0) self->events.menuChosen(self->events.context, LOWORD(wParam));
            return 0;
        case WM_TIMER:
            if (self && !self->events.tick(self->events.context)) PostQuitMessage(0);
            return 0;
        case WM_CLOSE:
            PostQuitMessage(0);
            return 0;
        default:
            return DefWindowProcA(hwnd, message, wParam, lParam);
    }
}

bool RegisterOnce() {
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = Procedure;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));  // IDC_ARROW
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    windowClass.lpszClassName = kClassName;
    return RegisterClassA(&windowClass) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

}  // namespace

TvWindow* OpenTvWindow(const char* title, void* pluginLibrary, const TvWindowEvents& events) {
    if (!RegisterOnce()) return nullptr;
    auto* self = new (std::nothrow) TvWindow;
    if (!self) return nullptr;
    self->events = events;
    self->window = CreateWindowA(kClassName, title, WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                                 CW_USEDEFAULT, 480, 200, nullptr, nullptr,
                                 GetModuleHandleA(nullptr), nullptr);
    if (!self->window) {
        delete self;
        return nullptr;
    }
    SetWindowLongPtrA(self->window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    self->bar = CreateMenu();
    HMODULE resources = pluginLibrary ? static_cast<HMODULE>(pluginLibrary) : GetModuleHandleA(nullptr);
    HMENU items = LoadMenuA(resources, "EXTERN");
    if (items) AppendMenuA(self->bar, MF_POPUP, reinterpret_cast<UINT_PTR>(items), "Glyphbox");
    SetMenu(self->window, self->bar);
    ShowWindow(self->window, SW_SHOWNOACTIVATE);
    return self;
}

HostWindow TvWindowHandle(TvWindow* window) { return window ? window->window : nullptr; }

void RunTvWindow(TvWindow* window, int tickMs) {
    SetTimer(window->window, kTickTimer, static_cast<UINT>(tickMs), nullptr);
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    KillTimer(window->window, kTickTimer);
}

void ChooseTvMenuItem(TvWindow* window, int commandId) {
    PostMessageA(window->window, WM_COMMAND, MAKEWPARAM(commandId, 0), 0);
}

bool TvMenuItemChecked(TvWindow* window, int commandId) {
    return (GetMenuState(window->bar, commandId, MF_BYCOMMAND) & MF_CHECKED) != 0;
}

std::string TvMenuItemText(TvWindow* window, int commandId) {
    char text[128] = "";
    GetMenuStringA(window->bar, commandId, text, sizeof text, MF_BYCOMMAND);
    return text;
}

void CloseTvWindow(TvWindow* window) {
    if (!window) return;
    DestroyWindow(window->window);
    delete window;
}

}  // namespace platform
