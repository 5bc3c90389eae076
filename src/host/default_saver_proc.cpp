// The default behaviour of the saver window: which messages close it, and in
// the Windows 9x family the password prompt that a close request must pass.
#include <cstdint>

#include "host/host_actions.h"
#include "host/host_state.h"
#include "host/saver_host.h"
#include "platform/win32.h"

namespace {

constexpr DWORD prompt_debounce_ms = 200;

void record_cursor() {
    POINT position{};
    GetCursorPos(&position);
    SaverHostState.recordedCursor = position;
}

DWORD distance(LONG a, LONG b) {
    const std::int64_t difference = std::int64_t{a} - std::int64_t{b};
    return static_cast<DWORD>(difference < 0 ? -difference : difference);
}

// The sum of the absolute differences from the recorded position, so small
// moves add up until they exceed the threshold.
bool mouse_moved_far_enough() {
    POINT position{};
    GetCursorPos(&position);
    const DWORD dx = distance(position.x, SaverHostState.recordedCursor.x);
    const DWORD dy = distance(position.y, SaverHostState.recordedCursor.y);
    return static_cast<DWORD>(dx + dy) > SaverHostState.mouseCloseThreshold;
}

bool power_event_closes(WPARAM event, LPARAM flags) {
    switch (event) {
        case 0:  // PBT_APMQUERYSUSPEND
        case 1:  // PBT_APMQUERYSTANDBY
        case 2:  // PBT_APMQUERYSUSPENDFAILED
        case 3:  // PBT_APMQUERYSTANDBYFAILED
        case 4:  // PBT_APMSUSPEND
        case 5:  // PBT_APMSTANDBY
            return true;
        case PBT_APMRESUMECRITICAL:
        case PBT_APMRESUMESUSPEND:
        case PBT_APMRESUMESTANDBY:
        case PBT_APMRESUMEAUTOMATIC:
            return (flags & PBTF_APMRESUMEFROMFAILURE) == 0;
        case PBT_APMPOWERSTATUSCHANGE: {
            const BYTE status = read_ac_line_status();
            const bool changed = status != SaverHostState.lastAcLineStatus;
            SaverHostState.lastAcLineStatus = status;
            return changed;
        }
        default:  // battery low, OEM events and everything else
            return true;
    }
}

// Acts on one message while the saver runs and no prompt is up. True when the
// message is fully answered and `result` holds the answer.
bool act_on_input(HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    switch (message) {
        case WM_SHOWWINDOW:
            if (wParam != 0) hide_cursor();
            break;
        case WM_ACTIVATEAPP:
            if (wParam == 0) post_close(window);
            break;
        case WM_SETCURSOR:
            hide_cursor();
            result = 1;
            return true;
        case WM_POWER:
            if (wParam == PWR_CRITICALRESUME) post_close(window);
            break;
        case WM_KEYDOWN:
        case WM_SYSKEYDOWN:
        case WM_LBUTTONDOWN:
        case WM_RBUTTONDOWN:
        case WM_MBUTTONDOWN:
            post_close(window);
            break;
        case WM_MOUSEMOVE:
            if (mouse_moved_far_enough()) {
                post_close(window);
                record_cursor();
            }
            break;
        case WM_POWERBROADCAST:
            if (power_event_closes(wParam, lParam)) post_close(window);
            break;
        default:
            break;
    }
    return false;
}

// Where every message ends that the saver does not answer itself. The AutoPlay
// query is answered even in a preview, so that no inserted disc starts a
// program over the saver; everything else gets the default handling, which
// destroys the window at WM_CLOSE.
LRESULT final_step(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message != 0 && message == SaverHostState.autoPlayQueryMessage) {
        post_close(window);
        // AutoPlay stays cancelled while a password protects the saver.
        return SaverHostState.verifierEntry ? 1 : 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

LRESULT CALLBACK DefaultSaverProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    // A preview never closes on input, and a close already approved needs no
    // second prompt: only the default handling is left for them.
    if (SaverHostState.previewMode || SaverHostState.closeApproved) {
        return final_step(window, message, wParam, lParam);
    }

    // In the 9x family a close request must pass the password prompt; a refused
    // one keeps the saver and starts the mouse distance again from here.
    if (message == WM_CLOSE) {
        if (!SaverHostState.win9xFamily || VerifySaverPassword(window)) {
            return final_step(window, message, wParam, lParam);
        }
        record_cursor();
        return 0;
    }

    // The host's own request to verify the password runs the system's prompt;
    // without a verifier every close is accepted.
    if (message == verify_password_request) {
        if (!SaverHostState.win9xFamily) return final_step(window, message, wParam, lParam);
        return SaverHostState.verifierEntry ? SaverHostState.verifierEntry(window) : 1;
    }

    // While the prompt is up the input belongs to it, so none of it closes the
    // saver.
    if (SaverHostState.verifyInProgress) return final_step(window, message, wParam, lParam);

    // Input, losing the activation and power events close the saver.
    LRESULT result = 0;
    if (act_on_input(window, message, wParam, lParam, result)) return result;
    return final_step(window, message, wParam, lParam);
}

bool VerifySaverPassword(HWND window) {
    if (SaverHostState.verifyInProgress) return false;
    if (!SaverHostState.verifierEntry) {
        SaverHostState.closeApproved = true;
        return true;
    }

    const DWORD now = GetTickCount();
    if (SaverHostState.lastVerifyTick != never_verified &&
        static_cast<DWORD>(now - SaverHostState.lastVerifyTick) < prompt_debounce_ms) {
        return false;
    }

    SaverHostState.verifyInProgress = true;

    // Ticks queued before the prompt would only pile up behind it.
    MSG pending{};
    PeekMessageA(&pending, window, WM_TIMER, WM_TIMER, PM_REMOVE | PM_NOYIELD);
    PeekMessageA(&pending, window, WM_TIMER, WM_TIMER, PM_REMOVE | PM_NOYIELD);

    const LRESULT accepted = SendMessageA(window, verify_password_request, 0, 0);
    SaverHostState.closeApproved = accepted != 0;
    SaverHostState.verifyInProgress = false;

    if (!accepted) hide_cursor();
    SaverHostState.lastVerifyTick = GetTickCount();
    return SaverHostState.closeApproved;
}
