// Shows areas of a memory context's bitmap in a window, each at the same place
// as in the bitmap (a frame's changed areas), in one transfer: on Windows the
// box around them copied with a clip region made of them, on the portable
// platform the areas handed over together when the paint ends, as one put
// clipped to them. A transfer costs more than copying a small area, so many
// small areas cost about what their pixels do.
#pragma once

#include "platform/win32.h"

void PresentAreas(HDC target, HDC source, const RECT* areas, int count);

// The same, one block transfer per area: the portable platform's way, and the
// Windows one's when no clip region can be made.
inline void PresentAreasOneByOne(HDC target, HDC source, const RECT* areas, int count) {
    for (int k = 0; k < count; ++k) {
        const RECT& a = areas[k];
        BitBlt(target, a.left, a.top, a.right - a.left, a.bottom - a.top, source, a.left, a.top,
               SRCCOPY);
    }
}
