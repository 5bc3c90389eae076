#include "app/saver_window.h"

#include "app/animation.h"
#include "app/frame_rate_overlay.h"
#include "config/run_overrides.h"
#include "config/settings.h"
#include "host/saver_host.h"
#include "render/frame_renderer.h"
#include "scene/sea_scene.h"
#include "text/emitter.h"

SeaScene scene;
DrawingSurface frame_surface;
surface_rect frame_rect;

namespace {

// The frame is drawn whole off screen from the current state, then reaches the
// window in one block transfer, so the window never shows a half-drawn frame.
void paint_frame(HWND window) {
    PAINTSTRUCT paint{};
    const HDC target = BeginPaint(window, &paint);
    render_frame(scene, frame_surface, frame_rect);
    if (run_overrides.show_fps) draw_frame_rate(frame_surface, frame_rect);
    copy_to(frame_surface, target, frame_rect.right - frame_rect.left,
            frame_rect.bottom - frame_rect.top);
    EndPaint(window, &paint);
}

// A window that changes size gets a frame of its new size, drawn from the next
// paint on; the scene carries on as it is. A window shrunk to nothing keeps
// its frame for when it comes back.
void resize_frame(HWND window, int w, int h) {
    if (w <= 0 || h <= 0) return;
    if (frame_surface.bits && w == frame_rect.right && h == frame_rect.bottom) return;
    frame_rect = surface_rect{0, 0, w, h};
    HDC__* const screen = acquire_screen_context();
    create_compatible(frame_surface, screen, w, h);
    release_screen_context(screen);
    InvalidateRect(window, nullptr, FALSE);
}

// The results of the platform calls are not examined: a saver that cannot draw
// still closes as usual.
void create_animation(HWND window) {
    // 1. Settings: the message text and the follow value, then what the
    // command line chose instead for this run.
    load_settings();
    apply_run_overrides();

    // 2. The frame is the window's size.
    RECT window_rect{};
    GetWindowRect(window, &window_rect);
    const int w = window_rect.right - window_rect.left;
    const int h = window_rect.bottom - window_rect.top;
    frame_rect = surface_rect{0, 0, w, h};

    // 3-4. The message (the default one when empty) and the drift choice.
    load_message(scene, {message_buffer, message_encoding}, follow_value);

    // 5. The screen's context is the reference for both surfaces.
    HDC__* const screen = acquire_screen_context();

    // 6. The frame surface with frame_bitmap.
    create_compatible(frame_surface, screen, w, h);

    // 7. The text surface is screen-sized even in a small preview.
    prepare_text_surface(scene, screen, GetSystemMetrics(SM_CXSCREEN),
                         GetSystemMetrics(SM_CYSCREEN));

    // 8-12. Grid, tilt, view angle, seven seeding ripples and the warm-up.
    seed_scene(scene);

    // 13. The animation timer.
    SetTimer(window, animation_timer_id, tick_milliseconds, TimerTick);

    // 14. Done with the screen's context.
    release_screen_context(screen);

    // 15. The first frame, before the first tick.
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
        case WM_DISPLAYCHANGE:
            // A larger screen gets a larger text surface, from the next line on.
            note_screen_size(scene, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
            return DefaultSaverProc(window, message, wParam, lParam);
        default:
            return DefaultSaverProc(window, message, wParam, lParam);
    }
}

void CALLBACK TimerTick(HWND window, UINT message, UINT_PTR timerId, DWORD time) {
    if (timerId != animation_timer_id) return;
    // Step first, then turn the view, so the step sees the previous angle.
    tick_scene(scene);
    // The paint follows through the message loop; no erase, so no blank frame.
    InvalidateRect(window, nullptr, FALSE);
}
