// The thread's message queue: posted and input messages in order, then the
// quit request, then painting for invalidated windows, then due timers, as on
// Windows. Timers and paints are generated when they are fetched, so they
// never pile up in the queue.
#include <algorithm>
#include <cctype>
#include <cstring>
#include <deque>
#include <map>
#include <set>
#include <string>

#include "platform/portable/bridge.h"
#include "platform/portable/user/user_internal.h"

namespace portable {
namespace {

struct Timer {
    HWND hwnd;
    UINT_PTR id;
    UINT period;
    TIMERPROC proc;
    std::uint64_t due;
};

struct Queue {
    std::deque<MSG> posted;
    bool quitPending = false;
    int quitCode = 0;
    std::vector<Timer> timers;  // in creation order
    std::set<TIMERPROC> timerProcs;
    UINT_PTR nextThreadTimerId = 0x7000;
};

Queue& queue() {
    static Queue q;
    return q;
}

// (HWND)-1 asks for messages that belong to no window.
const HWND kThreadOnly = reinterpret_cast<HWND>(static_cast<std::intptr_t>(-1));

bool is_self_or_descendant(HWND candidate, HWND ancestor) {
    for (int depth = 0; candidate && depth < 64; ++depth) {
        if (candidate == ancestor) {
            return true;
        }
        Window* w = find_window(candidate);
        candidate = w ? w->parent : nullptr;
    }
    return false;
}

bool hwnd_matches(HWND msgHwnd, HWND filter) {
    if (!filter) {
        return true;
    }
    if (filter == kThreadOnly) {
        return msgHwnd == nullptr;
    }
    return msgHwnd && is_self_or_descendant(msgHwnd, filter);
}

bool range_matches(UINT msg, UINT lo, UINT hi) {
    return (lo == 0 && hi == 0) || (msg >= lo && msg <= hi);
}

void fill(MSG* out, HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    out->hwnd = hwnd;
    out->message = message;
    out->wParam = wParam;
    out->lParam = lParam;
    out->time = static_cast<DWORD>(now_ms());
    out->pt = POINT{0, 0};
}

bool take(MSG* out, HWND hwnd, UINT lo, UINT hi, bool remove) {
    Queue& q = queue();
    for (auto it = q.posted.begin(); it != q.posted.end(); ++it) {
        if (hwnd_matches(it->hwnd, hwnd) && range_matches(it->message, lo, hi)) {
            *out = *it;
            if (remove) {
                q.posted.erase(it);
            }
            return true;
        }
    }
    // The quit request belongs to no window; any message range fetches it.
    if (q.quitPending && (hwnd == nullptr || hwnd == kThreadOnly)) {
        fill(out, nullptr, WM_QUIT, static_cast<WPARAM>(static_cast<std::intptr_t>(q.quitCode)), 0);
        if (remove) {
            q.quitPending = false;
        }
        return true;
    }
    if (range_matches(WM_PAINT, lo, hi)) {
        for (HWND h : window_handles()) {
            Window* w = find_window(h);
            // Hidden windows wait with their painting until they are shown.
            if (w && w->invalid && w->visible && !w->destroying && hwnd_matches(h, hwnd)) {
                // Stays pending until the window is validated.
                fill(out, h, WM_PAINT, 0, 0);
                return true;
            }
        }
    }
    if (range_matches(WM_TIMER, lo, hi)) {
        const std::uint64_t now = now_ms();
        Timer* best = nullptr;
        for (Timer& t : q.timers) {
            if (t.due <= now && hwnd_matches(t.hwnd, hwnd) && (!best || t.due < best->due)) {
                best = &t;
            }
        }
        if (best) {
            fill(out, best->hwnd, WM_TIMER, best->id, reinterpret_cast<LPARAM>(best->proc));
            if (remove) {
                // Keep the phase so that ticks stay regular; periods missed
                // while the thread was busy are dropped, not delivered in a burst.
                best->due += best->period;
                if (best->due <= now) {
                    best->due = now + best->period;
                }
            }
            return true;
        }
    }
    return false;
}

// Milliseconds until the next timer that the filter lets through, or -1.
std::int64_t until_next_timer(HWND hwnd, UINT lo, UINT hi) {
    if (!range_matches(WM_TIMER, lo, hi)) {
        return -1;
    }
    const std::uint64_t now = now_ms();
    std::int64_t best = -1;
    for (const Timer& t : queue().timers) {
        if (!hwnd_matches(t.hwnd, hwnd)) {
            continue;
        }
        std::int64_t wait = t.due > now ? static_cast<std::int64_t>(t.due - now) : 0;
        if (best < 0 || wait < best) {
            best = wait;
        }
    }
    return best;
}

bool filter_window_valid(HWND hwnd) {
    return !hwnd || hwnd == kThreadOnly || find_window(hwnd) != nullptr;
}

// The character a key gives, for TranslateMessage; 0 when it gives none.
WPARAM key_char(WPARAM vk, bool shift) {
    if (vk >= 'A' && vk <= 'Z') {
        return shift ? vk : vk - 'A' + 'a';
    }
    if (vk >= '0' && vk <= '9') {
        static const char shifted[] = ")!@#$%^&*(";
        return shift ? static_cast<WPARAM>(static_cast<unsigned char>(shifted[vk - '0'])) : vk;
    }
    if (vk >= VK_NUMPAD0 && vk <= VK_NUMPAD0 + 9) {
        return '0' + (vk - VK_NUMPAD0);
    }
    switch (vk) {
        case VK_SPACE:
            return ' ';
        case VK_RETURN:
            return '\r';
        case VK_BACK:
            return '\b';
        case VK_TAB:
            return '\t';
        case VK_ESCAPE:
            return 0x1B;
        case VK_MULTIPLY:
            return '*';
        case VK_ADD:
            return '+';
        case VK_SUBTRACT:
            return '-';
        case VK_DECIMAL:
            return '.';
        case VK_DIVIDE:
            return '/';
        default:
            return 0;
    }
}

}  // namespace

void queue_post(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    MSG m;
    fill(&m, hwnd, msg, wParam, lParam);
    queue().posted.push_back(m);
}

void queue_clear() {
    Queue& q = queue();
    q.posted.clear();
    q.quitPending = false;
    q.quitCode = 0;
}

void timers_clear() {
    queue().timers.clear();
}

void kill_window_timers(HWND hwnd) {
    auto& timers = queue().timers;
    timers.erase(std::remove_if(timers.begin(), timers.end(),
                                [hwnd](const Timer& t) { return t.hwnd == hwnd; }),
                 timers.end());
}

void validate(Window& w) {
    w.invalid = false;
}

void invalidate(Window& w, bool erase) {
    w.invalid = true;
    w.erase = w.erase || erase;
    ++w.invalidSerial;
}

}  // namespace portable

using portable::find_window;
using portable::Window;

BOOL GetMessageA(LPMSG msg, HWND hwnd, UINT filterMin, UINT filterMax) {
    if (!msg || !portable::filter_window_valid(hwnd)) {
        return -1;
    }
    portable::Backend& b = portable::backend();
    b.wait(0);
    for (;;) {
        if (portable::take(msg, hwnd, filterMin, filterMax, true)) {
            return msg->message == WM_QUIT ? FALSE : TRUE;
        }
        if (!b.wait(portable::until_next_timer(hwnd, filterMin, filterMax))) {
            // Nothing can ever arrive (only in the test mode, which has no
            // outside world): answer 0 without a quit message rather than hang.
            portable::record_stall();
            portable::fill(msg, nullptr, WM_NULL, 0, 0);
            return FALSE;
        }
    }
}

BOOL PeekMessageA(LPMSG msg, HWND hwnd, UINT filterMin, UINT filterMax, UINT removeMsg) {
    if (!msg || !portable::filter_window_valid(hwnd)) {
        return FALSE;
    }
    portable::backend().wait(0);
    return portable::take(msg, hwnd, filterMin, filterMax, (removeMsg & PM_REMOVE) != 0) ? TRUE
                                                                                         : FALSE;
}

BOOL TranslateMessage(const MSG* msg) {
    if (!msg || (msg->message != WM_KEYDOWN && msg->message != WM_SYSKEYDOWN)) {
        return FALSE;
    }
    const bool shift = portable::backend().shift_held();
    WPARAM ch = portable::key_char(msg->wParam, shift);
    if (ch) {
        portable::queue_post(msg->hwnd, msg->message == WM_KEYDOWN ? WM_CHAR : WM_SYSCHAR, ch,
                             msg->lParam);
    }
    return TRUE;
}

LRESULT DispatchMessageA(const MSG* msg) {
    if (!msg) {
        return 0;
    }
    auto& q = portable::queue();
    if (msg->message == WM_TIMER && msg->lParam != 0) {
        // Only callbacks that were handed to SetTimer are called, so a forged
        // WM_TIMER cannot jump to an arbitrary address.
        auto proc = reinterpret_cast<TIMERPROC>(msg->lParam);
        if (q.timerProcs.count(proc)) {
            proc(msg->hwnd, WM_TIMER, msg->wParam, msg->time);
        }
        return 0;
    }
    Window* w = find_window(msg->hwnd);
    if (!w || !w->proc || w->destroying) {
        return 0;
    }
    WNDPROC proc = w->proc;
    if (msg->message != WM_PAINT) {
        return proc(msg->hwnd, msg->message, msg->wParam, msg->lParam);
    }
    const std::uint64_t serial = w->invalidSerial;
    LRESULT r = proc(msg->hwnd, msg->message, msg->wParam, msg->lParam);
    // A procedure that neither painted nor invalidated again is not asked
    // again: an unvalidated window would otherwise be painted without end.
    w = find_window(msg->hwnd);
    if (w && w->invalid && w->invalidSerial == serial) {
        portable::validate(*w);
    }
    return r;
}

BOOL PostMessageA(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (hwnd == nullptr) {
        portable::queue_post(nullptr, msg, wParam, lParam);
        portable::record_post(hwnd, msg, wParam, lParam);
        return TRUE;
    }
    if (Window* w = find_window(hwnd)) {
        if (w->destroying) {
            return FALSE;
        }
        portable::queue_post(hwnd, msg, wParam, lParam);
        portable::record_post(hwnd, msg, wParam, lParam);
        return TRUE;
    }
    if (portable::is_own_handle(hwnd)) {
        return FALSE;
    }
    if (portable::backend().post_foreign(hwnd, msg, wParam, lParam)) {
        portable::record_post(hwnd, msg, wParam, lParam);
        return TRUE;
    }
    return FALSE;
}

LRESULT SendMessageA(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    Window* w = find_window(hwnd);
    if (!w || !w->proc) {
        return 0;
    }
    return w->proc(hwnd, msg, wParam, lParam);
}

void PostQuitMessage(int exitCode) {
    auto& q = portable::queue();
    q.quitPending = true;
    q.quitCode = exitCode;
    portable::record_post(nullptr, WM_QUIT,
                          static_cast<WPARAM>(static_cast<std::intptr_t>(exitCode)), 0);
}

UINT_PTR SetTimer(HWND hwnd, UINT_PTR id, UINT elapse, TIMERPROC proc) {
    if (hwnd && !find_window(hwnd)) {
        return 0;
    }
    // The limits Windows applies to a timer's period.
    elapse = std::clamp<UINT>(elapse, 10u, 0x7FFFFFFFu);
    auto& q = portable::queue();
    if (proc) {
        q.timerProcs.insert(proc);
    }
    const std::uint64_t due = portable::now_ms() + elapse;
    if (!hwnd) {
        auto existing = std::find_if(q.timers.begin(), q.timers.end(), [id](const auto& t) {
            return t.hwnd == nullptr && t.id == id;
        });
        if (id == 0 || existing == q.timers.end()) {
            id = q.nextThreadTimerId++;
            q.timers.push_back({nullptr, id, elapse, proc, due});
        } else {
            *existing = {nullptr, id, elapse, proc, due};
        }
        return id;
    }
    for (auto& t : q.timers) {
        if (t.hwnd == hwnd && t.id == id) {
            t = {hwnd, id, elapse, proc, due};
            return id ? id : 1;
        }
    }
    q.timers.push_back({hwnd, id, elapse, proc, due});
    return id ? id : 1;
}

BOOL KillTimer(HWND hwnd, UINT_PTR id) {
    auto& q = portable::queue();
    auto it = std::find_if(q.timers.begin(), q.timers.end(),
                           [&](const auto& t) { return t.hwnd == hwnd && t.id == id; });
    if (it == q.timers.end()) {
        return FALSE;
    }
    q.timers.erase(it);
    // A WM_TIMER that someone posted by hand for this timer goes too.
    auto& posted = q.posted;
    posted.erase(std::remove_if(posted.begin(), posted.end(),
                                [&](const MSG& m) {
                                    return m.message == WM_TIMER && m.hwnd == hwnd &&
                                           m.wParam == id;
                                }),
                 posted.end());
    return TRUE;
}

BOOL InvalidateRect(HWND hwnd, const RECT* rect, BOOL erase) {
    // The whole window is always repainted, so every invalidation coalesces
    // into one, which erases the background when any of them asked.
    if (!hwnd) {
        for (HWND h : portable::window_handles()) {
            Window* w = find_window(h);
            if (w && w->created && !w->destroying) {
                portable::invalidate(*w, erase != FALSE);
            }
        }
        return TRUE;
    }
    Window* w = find_window(hwnd);
    if (!w || w->destroying) {
        return FALSE;
    }
    portable::invalidate(*w, erase != FALSE);
    return TRUE;
}

BOOL UpdateWindow(HWND hwnd) {
    Window* w = find_window(hwnd);
    if (!w) {
        return FALSE;
    }
    if (w->invalid && !w->destroying && w->proc) {
        MSG m;
        portable::fill(&m, hwnd, WM_PAINT, 0, 0);
        DispatchMessageA(&m);
    }
    return TRUE;
}

HDC BeginPaint(HWND hwnd, LPPAINTSTRUCT ps) {
    Window* w = find_window(hwnd);
    if (!w || !ps) {
        return nullptr;
    }
    std::memset(ps, 0, sizeof(*ps));
    ps->rcPaint = RECT{0, 0, w->rect.right - w->rect.left, w->rect.bottom - w->rect.top};
    const bool erase = w->erase;
    w->erase = false;
    portable::validate(*w);
    ps->hdc = portable_create_window_dc(hwnd);
    // An exposed window is asked to erase its background first; fErase says
    // whether that is still to be done.
    ps->fErase =
        erase && SendMessageA(hwnd, WM_ERASEBKGND, reinterpret_cast<WPARAM>(ps->hdc), 0) == 0;
    return ps->hdc;
}

BOOL EndPaint(HWND hwnd, const PAINTSTRUCT* ps) {
    if (ps && ps->hdc) {
        portable_delete_window_dc(ps->hdc);
    }
    return TRUE;
}

void portable_present(HWND hwnd, int x, int y, int width, int height, const std::uint32_t* pixels,
                      int stride) {
    Window* w = find_window(hwnd);
    if (!w || !pixels || width <= 0 || height <= 0 || stride < width) {
        return;
    }
    portable::record_present();
    portable::backend().present(*w, x, y, width, height, pixels, stride);
}

void portable_present_blocks(HWND hwnd, const portable_block* blocks, int count) {
    Window* w = find_window(hwnd);
    if (!w || !blocks || count <= 0) return;
    for (int k = 0; k < count; ++k) portable::record_present();
    portable::backend().present_blocks(*w, blocks, count);
}

UINT RegisterWindowMessageA(LPCSTR name) {
    static std::map<std::string, UINT> ids;
    static UINT next = 0xC000;
    if (!name || !*name) {
        return 0;
    }
    std::string key(name);
    for (char& c : key) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    auto it = ids.find(key);
    if (it != ids.end()) {
        return it->second;
    }
    if (next > 0xFFFF) {
        return 0;
    }
    ids.emplace(key, next);
    return next++;
}

BOOL SystemParametersInfoA(UINT action, UINT param, PVOID pvParam, UINT winIni) {
    static BOOL saverRunning = FALSE;
    portable::record_system_parameter(action, param);
    if (action == SPI_SCREENSAVERRUNNING) {
        if (pvParam) {
            *static_cast<BOOL*>(pvParam) = saverRunning;
        }
        saverRunning = param ? TRUE : FALSE;
    }
    return TRUE;
}

BOOL InitCommonControlsEx(const INITCOMMONCONTROLSEX* init) {
    return init ? TRUE : FALSE;
}
