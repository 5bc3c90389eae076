// The Unicode face of the window table: SendMessageW and the W window-text
// functions. A window that serves both forms itself (dialogs and their
// controls) gets W messages as they are; any other window (the saver's own,
// made by CreateWindowExA) is an ANSI window, and its text messages are
// converted through the ANSI code page on the way in and out, as Windows
// converts them for ANSI windows.
#include <algorithm>
#include <cstring>
#include <string>

#include "platform/portable/bridge.h"
#include "platform/portable/text/unicode_text.h"
#include "platform/portable/user/user_internal.h"
#include "platform/portable/user/window_text.h"

namespace {

// The whole text of an ANSI window, read through its own procedure.
std::u16string ansi_window_text(WNDPROC proc, HWND hwnd) {
    const LRESULT length = proc(hwnd, WM_GETTEXTLENGTH, 0, 0);
    if (length <= 0) return {};
    std::string bytes(static_cast<std::size_t>(length) + 1, '\0');
    LRESULT copied = proc(hwnd, WM_GETTEXT, bytes.size(), reinterpret_cast<LPARAM>(bytes.data()));
    if (copied < 0) copied = 0;
    bytes.resize(std::min(static_cast<std::size_t>(copied), std::strlen(bytes.c_str())));
    return acp_to_utf16(bytes);
}

LRESULT send_to_ansi_window(WNDPROC proc, HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
        case WM_SETTEXT: {
            if (!lParam) return proc(hwnd, msg, wParam, 0);
            const std::string bytes = utf16_to_acp(reinterpret_cast<LPCWSTR>(lParam));
            return proc(hwnd, msg, wParam, reinterpret_cast<LPARAM>(bytes.c_str()));
        }
        case WM_GETTEXT:
            return window_text_copy(ansi_window_text(proc, hwnd), wParam, lParam, true);
        case WM_GETTEXTLENGTH:
            return window_text_length(ansi_window_text(proc, hwnd), true);
        default:
            return proc(hwnd, msg, wParam, lParam);
    }
}

}  // namespace

void portable_set_unicode_proc(HWND hwnd, WNDPROC unicodeProc) {
    if (portable::Window* w = portable::find_window(hwnd)) w->unicodeProc = unicodeProc;
}

LRESULT SendMessageW(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    portable::Window* w = portable::find_window(hwnd);
    if (!w) return 0;
    if (w->unicodeProc) return w->unicodeProc(hwnd, msg, wParam, lParam);
    if (!w->proc) return 0;
    return send_to_ansi_window(w->proc, hwnd, msg, wParam, lParam);
}

LRESULT SendDlgItemMessageW(HWND dialog, int id, UINT msg, WPARAM wParam, LPARAM lParam) {
    HWND item = GetDlgItem(dialog, id);
    return item ? SendMessageW(item, msg, wParam, lParam) : 0;
}

BOOL SetWindowTextW(HWND hwnd, LPCWSTR text) {
    if (!portable::find_window(hwnd)) return FALSE;
    return SendMessageW(hwnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text ? text : u"")) ? TRUE
                                                                                          : FALSE;
}

int GetWindowTextW(HWND hwnd, LPWSTR buffer, int maxCount) {
    if (!buffer || maxCount <= 0) return 0;
    buffer[0] = 0;
    if (!portable::find_window(hwnd)) return 0;
    LRESULT n = SendMessageW(hwnd, WM_GETTEXT, static_cast<WPARAM>(maxCount),
                             reinterpret_cast<LPARAM>(buffer));
    if (n < 0) n = 0;
    if (n >= maxCount) n = maxCount - 1;
    buffer[n] = 0;
    return static_cast<int>(n);
}

int GetWindowTextLengthW(HWND hwnd) {
    if (!portable::find_window(hwnd)) return 0;
    return static_cast<int>(SendMessageW(hwnd, WM_GETTEXTLENGTH, 0, 0));
}

BOOL SetDlgItemTextW(HWND dialog, int id, LPCWSTR text) {
    HWND item = GetDlgItem(dialog, id);
    return item ? SetWindowTextW(item, text) : FALSE;
}

UINT GetDlgItemTextW(HWND dialog, int id, LPWSTR buffer, int maxCount) {
    HWND item = GetDlgItem(dialog, id);
    if (!item) {
        if (buffer && maxCount > 0) buffer[0] = 0;
        return 0;
    }
    return static_cast<UINT>(GetWindowTextW(item, buffer, maxCount));
}
