#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/present_areas.h"

void PresentAreas(HDC target, HDC source, const RECT* areas, int count) {
    if (count <= 1) {
        PresentAreasOneByOne(target, source, areas, count);
        return;
    }
    RECT box = areas[0];
    for (int k = 1; k < count; ++k) {
        box.left = std::min(box.left, areas[k].left);
        box.top = std::min(box.top, areas[k].top);
        box.right = std::max(box.right, areas[k].right);
        box.bottom = std::max(box.bottom, areas[k].bottom);
    }
    // The region's data: a header, then the rectangles.
    const DWORD rects_size = static_cast<DWORD>(count) * sizeof(RECT);
    static std::vector<unsigned char> data;
    data.assign(sizeof(RGNDATAHEADER) + rects_size, 0);
    auto* region_data = reinterpret_cast<RGNDATA*>(data.data());
    region_data->rdh.dwSize = sizeof(RGNDATAHEADER);
    region_data->rdh.iType = RDH_RECTANGLES;
    region_data->rdh.nCount = static_cast<DWORD>(count);
    region_data->rdh.nRgnSize = rects_size;
    region_data->rdh.rcBound = box;
    std::memcpy(region_data->Buffer, areas, rects_size);
    const HRGN region = ExtCreateRegion(nullptr, static_cast<DWORD>(data.size()), region_data);
    if (!region) {
        PresentAreasOneByOne(target, source, areas, count);
        return;
    }
    // The context keeps a copy of the region: ours can go at once.
    const bool clipped = SelectClipRgn(target, region) != ERROR;
    DeleteObject(region);
    if (!clipped) {
        PresentAreasOneByOne(target, source, areas, count);
        return;
    }
    BitBlt(target, box.left, box.top, box.right - box.left, box.bottom - box.top, source, box.left,
           box.top, SRCCOPY);
    SelectClipRgn(target, nullptr);
}
