// The window system resizes a window made inside a foreign window whenever
// that window changes size (user_window.cpp, follow_foreign_parent).
#include "platform/preview_parent.h"

void KeepPreviewFillingParent(HWND) {}
