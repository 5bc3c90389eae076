// The procedure of the saver window class: it sees every message of the saver
// window first, keeps the input method detached and the cursor hidden, shields
// the system commands that would switch away, hands a preview's help requests
// to its parent, keeps the window covering the screens or its preview pane as
// they change size, and forwards the rest to the animation's window procedure.
#include "app/saver_window.h"
#include "host/host_actions.h"
#include "host/host_state.h"
#include "host/saver_host.h"
#include "platform/preview_parent.h"
#include "platform/win32.h"

namespace {

LRESULT forward(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return SaverWindowProc(window, message, wParam, lParam);
}

// The saver must not take keyboard input through an input method; IMM32 is
// used only when something else has already loaded it into the process.
void detach_input_context(HWND window) {
    const HMODULE imm = GetModuleHandleA("IMM32.DLL");
    if (!imm) return;
    SaverHostState.imeModule = imm;
    SaverHostState.imeAssociate =
        entry_point_cast<ImmAssociateContextEntry>(GetProcAddress(imm, "ImmAssociateContext"));
    if (SaverHostState.imeAssociate) {
        SaverHostState.savedInputContext = SaverHostState.imeAssociate(window, nullptr);
    }
}

void restore_input_context(HWND window) {
    if (SaverHostState.imeModule && SaverHostState.imeAssociate &&
        SaverHostState.savedInputContext) {
        SaverHostState.imeAssociate(window, SaverHostState.savedInputContext);
    }
}

bool is_close_input(UINT message) {
    switch (message) {
        case WM_KEYDOWN:
        case WM_SYSKEYDOWN:
        case WM_MOUSEMOVE:
        case WM_LBUTTONDOWN:
        case WM_RBUTTONDOWN:
        case WM_MBUTTONDOWN:
            return true;
        default:
            return false;
    }
}

}  // namespace

LRESULT CALLBACK SaverClassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_CREATE: {
            detach_input_context(window);
            POINT position{};
            GetCursorPos(&position);
            SaverHostState.recordedCursor = position;
            if (!SaverHostState.previewMode) hide_cursor();
            return forward(window, message, wParam, lParam);
        }

        case WM_DESTROY:
            restore_input_context(window);
            PostQuitMessage(0);
            return forward(window, message, wParam, lParam);

        case WM_SETTEXT:
            return 0;  // the title never changes

        case WM_PAINT:
            // Once closing is approved the animation draws no more.
            if (SaverHostState.closeApproved)
                return DefWindowProcA(window, message, wParam, lParam);
            if (SaverHostState.previewMode) {
                // Each frame fills the preview pane as it is now.
                KeepPreviewFillingParent(window);
            } else {
                hide_cursor();
            }
            return forward(window, message, wParam, lParam);

        case WM_DISPLAYCHANGE:
            // The screens changed: the full-screen saver covers them again.
            if (!SaverHostState.previewMode) CoverVirtualScreen(window);
            return forward(window, message, wParam, lParam);

        case WM_HELP:
        case WM_CONTEXTMENU:
            if (SaverHostState.previewMode) {
                const HWND parent = GetParent(window);
                if (parent && IsWindow(parent)) {
                    PostMessageA(parent, message, reinterpret_cast<WPARAM>(parent), lParam);
                }
                return 1;
            }
            return forward(window, message, wParam, lParam);

        case WM_TIMER:
            if (SaverHostState.closeApproved) return 0;
            Sleep(0);
            return forward(window, message, wParam, lParam);

        case WM_SYSCOMMAND:
            if (SaverHostState.previewMode) return forward(window, message, wParam, lParam);
            switch (wParam) {  // compared whole, low four bits included
                case SC_NEXTWINDOW:
                case SC_PREVWINDOW:
                case SC_SCREENSAVE:
                    return 0;
                case SC_MONITORPOWER:
                    post_close(window);
                    return forward(window, message, wParam, lParam);
                default:
                    return forward(window, message, wParam, lParam);
            }

        default:
            if (is_close_input(message) && SaverHostState.closeApproved) {
                return DefWindowProcA(window, message, wParam, lParam);
            }
            return forward(window, message, wParam, lParam);
    }
}
