#include "platform/present_areas.h"

// The window's context keeps the blocks until the paint ends and then shows
// them together.
void PresentAreas(HDC target, HDC source, const RECT* areas, int count) {
    PresentAreasOneByOne(target, source, areas, count);
}
