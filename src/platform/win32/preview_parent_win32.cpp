// The parent (the display settings' preview pane) belongs to another process,
// so its size changes are not reported to us: they are looked for here, once
// a frame.
#include "platform/preview_parent.h"

void KeepPreviewFillingParent(HWND preview) {
    const HWND parent = GetParent(preview);
    RECT wanted{};
    RECT current{};
    if (!parent || !GetClientRect(parent, &wanted) || !GetClientRect(preview, &current)) return;
    if (wanted.right == current.right && wanted.bottom == current.bottom) return;
    SetWindowPos(preview, nullptr, 0, 0, wanted.right, wanted.bottom,
                 SWP_NOZORDER | SWP_NOACTIVATE);
}
