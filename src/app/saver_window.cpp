#include "app/saver_window.h"

#include <vector>

#include "animation/animation.h"
#include "app/frame_rate_overlay.h"
#include "config/run_overrides.h"
#include "config/settings.h"
#include "render/frame_renderer.h"
#include "scene/sea_scene.h"
#include "text/emitter.h"

SeaScene scene;
GdiLineRasteriser text_rasteriser;
FrameBitmap frame_bitmap;
DrawingSurface frame_surface;
surface_rect frame_rect;

namespace {

WNDPROC default_procedure = DefWindowProcA;

// Whether the window must be shown the whole frame at the next paint: its
// frame is new, or part of it was exposed (the system asks for the background
// to be erased then). Otherwise it already shows the previous frame, and only
// what changed since reaches it.
bool show_whole_frame = true;

// The frame is drawn whole off screen from the current state, then reaches the
// window, so the window never shows a half-drawn frame: the areas that changed
// since the last paint (around the squares the last frame drew and this one
// cleared, and those it drew), or all of it.
void paint_frame(HWND window) {
    PAINTSTRUCT paint{};
    const HDC target = BeginPaint(window, &paint);
    render_frame(scene, frame_surface, frame_rect);
    if (run_overrides.show_fps) draw_frame_rate(frame_surface, frame_rect);
    static std::vector<surface_rect> changed;
    take_changes(frame_surface, changed);
    if (show_whole_frame || paint.fErase) {
        present_frame(frame_bitmap, target, frame_rect.right - frame_rect.left,
                      frame_rect.bottom - frame_rect.top);
        show_whole_frame = false;
    } else {
        present_areas(frame_bitmap, target, changed);
    }
    EndPaint(window, &paint);  // the transfers reach the window together
}

// A window that changes size gets a frame of its new size, drawn from the next
// paint on; the scene carries on as it is. A window shrunk to nothing keeps
// its frame for when it comes back.
void resize_frame(HWND window, int w, int h) {
    if (w <= 0 || h <= 0) return;
    if (frame_surface.bits && w == frame_rect.right && h == frame_rect.bottom) return;
    frame_rect = surface_rect{0, 0, w, h};
    create_frame_bitmap(frame_bitmap, frame_surface, w, h);
    show_whole_frame = true;
    InvalidateRect(window, nullptr, FALSE);
}

// The results of the platform calls are not examined: a saver that cannot draw
// still closes as usual.
void create_animation(HWND window) {
    // The stored message and drift choice, then whatever this run's command
    // line chose instead of them.
    load_settings();
    apply_run_overrides();

    // The frame covers the whole window, a full screen or a preview pane.
    RECT window_rect{};
    GetWindowRect(window, &window_rect);
    const int w = window_rect.right - window_rect.left;
    const int h = window_rect.bottom - window_rect.top;
    frame_rect = surface_rect{0, 0, w, h};

    create_frame_bitmap(frame_bitmap, frame_surface, w, h);
    show_whole_frame = true;

    // The text surface takes the screen's size even in a small preview, so a
    // line is rasterised the same way whatever window shows it.
    start_scene(scene, text_rasteriser, {message_buffer, message_encoding}, follow_value,
                GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));

    // The scene moves on a timer; each tick asks for a paint through the
    // message loop.
    SetTimer(window, animation_timer_id, tick_milliseconds, TimerTick);

    // The window shows the seeded sea at once instead of staying blank until
    // the first tick.
    paint_frame(window);
}

}  // namespace

LRESULT CALLBACK SaverWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_CREATE:
            create_animation(window);
            return 0;
        case WM_DESTROY:
            KillTimer(window, animation_timer_id);
            PostQuitMessage(0);
            return 0;
        case WM_PAINT:
            paint_frame(window);
            return 0;
        case WM_SIZE:
            if (wParam != SIZE_MINIMIZED) resize_frame(window, LOWORD(lParam), HIWORD(lParam));
            return 0;
        case WM_ERASEBKGND:
            // Part of the window was exposed: it is shown whole again.
            show_whole_frame = true;
            return default_procedure(window, message, wParam, lParam);
        case WM_DISPLAYCHANGE:
            // A larger screen gets a larger text surface, from the next line on.
            note_screen_size(scene, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
            return default_procedure(window, message, wParam, lParam);
        default:
            return default_procedure(window, message, wParam, lParam);
    }
}

void SetSaverDefaultProc(WNDPROC procedure) {
    default_procedure = procedure ? procedure : DefWindowProcA;
}

void CALLBACK TimerTick(HWND window, UINT message, UINT_PTR timerId, DWORD time) {
    if (timerId != animation_timer_id) return;
    // Step first, then turn the view, so the step sees the previous angle.
    tick_scene(scene);
    // The paint follows through the message loop; no erase, so no blank frame.
    InvalidateRect(window, nullptr, FALSE);
}
