// The one table of window handles (saver windows, dialogs, dialog controls)
// and the functions that work alike on all of them through messages.
#include <cstring>
#include <map>
#include <memory>

#include "platform/portable/bridge.h"
#include "platform/portable/user/user_internal.h"

namespace portable {
namespace {

struct Table {
    std::map<std::uint32_t, std::unique_ptr<Window>> windows;
    std::uint32_t nextHandle = kOwnHandleBit | 0x10u;
};

Table& table() {
    static Table t;
    return t;
}

}  // namespace

Window* find_window(HWND hwnd) {
    if (!is_own_handle(hwnd)) {
        return nullptr;
    }
    auto& windows = table().windows;
    auto it = windows.find(handle_value(hwnd));
    return it == windows.end() ? nullptr : it->second.get();
}

Window* add_window() {
    Table& t = table();
    // Handles are never reused within a process, so a stale handle never
    // reaches a newer window.
    std::uint32_t value = t.nextHandle;
    t.nextHandle = kOwnHandleBit | ((t.nextHandle + 1) & ~kOwnHandleBit);
    auto w = std::make_unique<Window>();
    w->hwnd = handle_from(value);
    Window* raw = w.get();
    t.windows.emplace(value, std::move(w));
    return raw;
}

void remove_window(HWND hwnd) {
    table().windows.erase(handle_value(hwnd));
}

std::vector<HWND> window_handles() {
    std::vector<HWND> out;
    for (auto& [value, w] : table().windows) {
        out.push_back(w->hwnd);
    }
    return out;
}

void clear_windows() {
    table().windows.clear();
}

}  // namespace portable

using portable::find_window;
using portable::Window;

HWND portable_register_window(WNDPROC proc, HWND parent, const char* className, const char* title,
                              int controlId, void* native) {
    Window* w = portable::add_window();
    w->proc = proc;
    w->parent = parent;
    w->className = className ? className : "";
    w->title = title ? title : "";
    w->controlId = controlId;
    w->owner = native;
    w->visible = true;
    return w->hwnd;
}

void portable_unregister_window(HWND hwnd) {
    Window* w = find_window(hwnd);
    if (w && !w->created) {
        portable::remove_window(hwnd);
    }
}

void* portable_window_native(HWND hwnd) {
    Window* w = find_window(hwnd);
    return w ? w->owner : nullptr;
}

int portable_window_control_id(HWND hwnd) {
    Window* w = find_window(hwnd);
    return w ? w->controlId : 0;
}

HWND GetDlgItem(HWND dialog, int id) {
    if (!dialog) {
        return nullptr;
    }
    for (HWND h : portable::window_handles()) {
        Window* w = find_window(h);
        if (w && !w->destroying && w->parent == dialog && w->controlId == id) {
            return h;
        }
    }
    return nullptr;
}

BOOL SetWindowTextA(HWND hwnd, LPCSTR text) {
    if (!find_window(hwnd)) {
        return FALSE;
    }
    return SendMessageA(hwnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text ? text : "")) ? TRUE
                                                                                         : FALSE;
}

int GetWindowTextA(HWND hwnd, LPSTR buffer, int maxCount) {
    if (!buffer || maxCount <= 0) {
        return 0;
    }
    buffer[0] = '\0';
    if (!find_window(hwnd)) {
        return 0;
    }
    LRESULT n = SendMessageA(hwnd, WM_GETTEXT, static_cast<WPARAM>(maxCount),
                             reinterpret_cast<LPARAM>(buffer));
    if (n < 0) {
        n = 0;
    }
    if (n >= maxCount) {
        n = maxCount - 1;
    }
    buffer[n] = '\0';
    return static_cast<int>(n);
}

int GetWindowTextLengthA(HWND hwnd) {
    if (!find_window(hwnd)) {
        return 0;
    }
    return static_cast<int>(SendMessageA(hwnd, WM_GETTEXTLENGTH, 0, 0));
}

BOOL CheckDlgButton(HWND dialog, int id, UINT check) {
    HWND item = GetDlgItem(dialog, id);
    if (!item) {
        return FALSE;
    }
    SendMessageA(item, BM_SETCHECK, check, 0);
    return TRUE;
}

UINT IsDlgButtonChecked(HWND dialog, int id) {
    HWND item = GetDlgItem(dialog, id);
    return item ? static_cast<UINT>(SendMessageA(item, BM_GETCHECK, 0, 0)) : 0;
}

LRESULT SendDlgItemMessageA(HWND dialog, int id, UINT msg, WPARAM wParam, LPARAM lParam) {
    HWND item = GetDlgItem(dialog, id);
    return item ? SendMessageA(item, msg, wParam, lParam) : 0;
}
