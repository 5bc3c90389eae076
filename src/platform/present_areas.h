// Shows areas of a memory context's bitmap in a window, each at the same place
// as in the bitmap (a frame's changed areas), in one transfer: on Windows the
// box around them copied with a clip region made of them, on the portable
// platform the areas handed over together when the paint ends, as one put
// clipped to them. A transfer costs more than copying a small area, so many
// small areas cost about what their pixels do.
#pragma once

#include "platform/win32.h"

void PresentAreas(HDC target, HDC source, const RECT* areas, int count);
