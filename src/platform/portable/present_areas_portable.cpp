#include "platform/present_areas.h"

// The window's context keeps the blocks until the paint ends and then shows
// them together.
void PresentAreas(HDC target, HDC source, const RECT* areas, int count) {
    for (int k = 0; k < count; ++k) {
        const RECT& a = areas[k];
        BitBlt(target, a.left, a.top, a.right - a.left, a.bottom - a.top, source, a.left, a.top,
               SRCCOPY);
    }
}
