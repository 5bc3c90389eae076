// The display backend over SDL2 and Xlib (being written: until then every
// program runs as if no display could be opened).
#include "platform/portable/user_internal.h"

namespace portable {

Backend* display_backend() {
    return nullptr;
}

}  // namespace portable
