// Keeps a preview window as large as its parent's client area while the
// parent changes size. Windows does not resize a child with its parent, so
// there the preview compares the two sizes and resizes itself, which brings
// it WM_SIZE; the portable platform follows the parent's size changes as the
// display reports them, so there this has nothing left to do.
#pragma once

#include "platform/win32.h"

void KeepPreviewFillingParent(HWND preview);
