// Looks at the dialogs of another process for the scripts that drive them with
// real input from outside, and stands in for a window that owns a dialog.
//
//   nuvex-dialog-probe.exe windows <caption>
//       foreground <handle>
//       then one block per visible top-level window titled <caption> (UTF-8):
//         window <handle> rect <l> <t> <r> <b> enabled <0|1> owner <handle>
//         control <id> class <name> rect <l> <t> <r> <b> check <n> text <text>
//       handles in decimal, rectangles in screen pixels, <text> in UTF-8 with
//       "\" written "\\", CR "\r" and LF "\n"; check is -1 for non-buttons.
//       The probe is DPI-aware, so that its rectangles are the screen's real
//       pixels (those that xdotool clicks) at any display DPI.
//       Exits 1 when no such window exists.
//   nuvex-dialog-probe.exe dialogs
//       the same for every visible top-level dialog box (class "#32770"),
//       whatever the language of its caption.
//   nuvex-dialog-probe.exe owner <ms>
//       makes a visible top-level window titled "Dialog owner", shown without
//       making it the foreground window, prints "window <handle>" and keeps it
//       for <ms> milliseconds.
//   nuvex-dialog-probe.exe codepage
//       prints "acp <n>": the ANSI code page of programs started with the
//       same locale.
//   nuvex-dialog-probe.exe clipboard <text>
//       puts <text> on the clipboard as Unicode text, for a paste with Ctrl+V
//       (typed keys cannot be relied on for characters outside the X keymap);
//       "\n" in <text> stands for a line break (CR LF on the clipboard) and
//       "\\" for a backslash.
#include <windows.h>
// (after windows.h, whose types they use)
#include <fcntl.h>
#include <io.h>
#include <shellapi.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <string>
#include <vector>

namespace {

unsigned long long handle_number(HWND window) {
    return static_cast<unsigned long long>(reinterpret_cast<ULONG_PTR>(window));
}

std::string to_utf8(const std::wstring& text) {
    if (text.empty()) return {};
    const int n = static_cast<int>(text.size());
    const int count = WideCharToMultiByte(CP_UTF8, 0, text.data(), n, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(count > 0 ? count : 0), '\0');
    if (count > 0)
        WideCharToMultiByte(CP_UTF8, 0, text.data(), n, out.data(), count, nullptr, nullptr);
    return out;
}

std::string escaped(const std::string& text) {
    std::string out;
    for (const char c : text) {
        if (c == '\\') {
            out += "\\\\";
        } else if (c == '\r') {
            out += "\\r";
        } else if (c == '\n') {
            out += "\\n";
        } else {
            out += c;
        }
    }
    return out;
}

// The text of a window of another process, asked for with WM_GETTEXT (which
// gives an edit control's contents, not only a caption).
std::wstring window_text(HWND window) {
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutW(window, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 2000, &length))
        return {};
    std::vector<wchar_t> buffer(length + 2, L'\0');
    DWORD_PTR copied = 0;
    if (!SendMessageTimeoutW(window, WM_GETTEXT, buffer.size(),
                             reinterpret_cast<LPARAM>(buffer.data()), SMTO_ABORTIFHUNG, 2000,
                             &copied)) {
        return {};
    }
    return std::wstring(buffer.data(), copied);
}

struct Search {
    std::wstring caption;  // empty: every dialog box, whatever its caption
    std::vector<HWND> found;
};

BOOL CALLBACK collect_top_level(HWND window, LPARAM data) {
    auto* search = reinterpret_cast<Search*>(data);
    if (!IsWindowVisible(window)) return TRUE;
    if (search->caption.empty()) {
        wchar_t name[64] = L"";
        GetClassNameW(window, name, 64);
        if (std::wcscmp(name, L"#32770") == 0) search->found.push_back(window);
        return TRUE;
    }
    wchar_t title[256] = L"";
    GetWindowTextW(window, title, 256);
    if (search->caption == title) search->found.push_back(window);
    return TRUE;
}

BOOL CALLBACK print_control(HWND control, LPARAM) {
    RECT box{};
    GetWindowRect(control, &box);
    wchar_t name[64] = L"";
    GetClassNameW(control, name, 64);
    long check = -1;
    if (_wcsicmp(name, L"Button") == 0) {
        DWORD_PTR state = 0;
        if (SendMessageTimeoutW(control, BM_GETCHECK, 0, 0, SMTO_ABORTIFHUNG, 2000, &state)) {
            check = static_cast<long>(state);
        }
    }
    std::printf("control %d class %s rect %ld %ld %ld %ld check %ld text %s\n",
                GetDlgCtrlID(control), to_utf8(name).c_str(), box.left, box.top, box.right,
                box.bottom, check, escaped(to_utf8(window_text(control))).c_str());
    return TRUE;
}

int list_windows(const std::wstring& caption) {
    Search search{caption, {}};
    std::printf("foreground %llu\n", handle_number(GetForegroundWindow()));
    EnumWindows(collect_top_level, reinterpret_cast<LPARAM>(&search));
    for (HWND window : search.found) {
        RECT box{};
        GetWindowRect(window, &box);
        std::printf("window %llu rect %ld %ld %ld %ld enabled %d owner %llu\n",
                    handle_number(window), box.left, box.top, box.right, box.bottom,
                    IsWindowEnabled(window) ? 1 : 0, handle_number(GetWindow(window, GW_OWNER)));
        EnumChildWindows(window, print_control, 0);
    }
    return search.found.empty() ? 1 : 0;
}

int keep_owner(DWORD milliseconds) {
    WNDCLASSW owner_class{};
    owner_class.lpfnWndProc = DefWindowProcW;
    owner_class.hInstance = GetModuleHandleW(nullptr);
    owner_class.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    owner_class.lpszClassName = L"NuvexDialogOwner";
    RegisterClassW(&owner_class);
    // Not made the foreground window: a dialog that fell back to the
    // foreground window as its owner would then not be owned by this one.
    HWND window =
        CreateWindowExW(WS_EX_NOACTIVATE, L"NuvexDialogOwner", L"Dialog owner", WS_OVERLAPPEDWINDOW,
                        20, 20, 300, 200, nullptr, nullptr, owner_class.hInstance, nullptr);
    if (!window) return 2;
    ShowWindow(window, SW_SHOWNOACTIVATE);
    std::printf("window %llu\n", handle_number(window));
    std::fflush(stdout);
    const DWORD start = GetTickCount();
    MSG msg;
    while (GetTickCount() - start < milliseconds && IsWindow(window)) {
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        Sleep(10);
    }
    DestroyWindow(window);
    return 0;
}

int put_on_clipboard(const wchar_t* escaped_text) {
    std::wstring text;
    for (const wchar_t* at = escaped_text; *at; ++at) {
        if (at[0] == L'\\' && at[1] == L'n') {
            text += L"\r\n";
            ++at;
        } else if (at[0] == L'\\' && at[1] == L'\\') {
            text += L'\\';
            ++at;
        } else {
            text += *at;
        }
    }
    const std::size_t bytes = (text.size() + 1) * sizeof(wchar_t);
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes);
    if (!memory) return 2;
    void* copy = GlobalLock(memory);
    if (!copy) {
        GlobalFree(memory);
        return 2;
    }
    std::memcpy(copy, text.c_str(), bytes);
    GlobalUnlock(memory);
    if (!OpenClipboard(nullptr)) {
        GlobalFree(memory);
        return 1;
    }
    EmptyClipboard();
    const bool put = SetClipboardData(CF_UNICODETEXT, memory) != nullptr;
    CloseClipboard();
    if (!put) GlobalFree(memory);  // the clipboard owns it only once it is put there
    return put ? 0 : 1;
}

}  // namespace

int main() {
    _setmode(_fileno(stdout), _O_BINARY);
    SetProcessDPIAware();
    int argc = 0;
    LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (argv && argc >= 3 && std::wcscmp(argv[1], L"windows") == 0) return list_windows(argv[2]);
    if (argv && argc == 2 && std::wcscmp(argv[1], L"dialogs") == 0) return list_windows(L"");
    if (argv && argc >= 3 && std::wcscmp(argv[1], L"owner") == 0) {
        return keep_owner(static_cast<DWORD>(std::wcstoul(argv[2], nullptr, 10)));
    }
    if (argv && argc == 2 && std::wcscmp(argv[1], L"codepage") == 0) {
        std::printf("acp %u\n", GetACP());
        return 0;
    }
    if (argv && argc >= 3 && std::wcscmp(argv[1], L"clipboard") == 0) {
        return put_on_clipboard(argv[2]);
    }
    std::fprintf(stderr,
                 "usage: nuvex-dialog-probe windows <caption> | dialogs | owner <ms> | "
                 "codepage | clipboard <text>\n");
    return 2;
}
