#include "platform/portable/user/wayland/wayland_keys.h"

#include <xkbcommon/xkbcommon-keysyms.h>

#include "platform/portable/user/user_internal.h"

namespace portable::wayland {

WPARAM virtual_key(std::uint32_t sym) {
    if (sym >= XKB_KEY_a && sym <= XKB_KEY_z) return 'A' + (sym - XKB_KEY_a);
    if (sym >= XKB_KEY_A && sym <= XKB_KEY_Z) return 'A' + (sym - XKB_KEY_A);
    if (sym >= XKB_KEY_0 && sym <= XKB_KEY_9) return '0' + (sym - XKB_KEY_0);
    if (sym >= XKB_KEY_F1 && sym <= XKB_KEY_F12) return VK_F1 + (sym - XKB_KEY_F1);
    if (sym >= XKB_KEY_KP_0 && sym <= XKB_KEY_KP_9) return VK_NUMPAD0 + (sym - XKB_KEY_KP_0);
    switch (sym) {
        case XKB_KEY_space:
            return VK_SPACE;
        case XKB_KEY_Return:
        case XKB_KEY_KP_Enter:
            return VK_RETURN;
        case XKB_KEY_Escape:
            return VK_ESCAPE;
        case XKB_KEY_BackSpace:
            return VK_BACK;
        case XKB_KEY_Tab:
        case XKB_KEY_ISO_Left_Tab:
            return VK_TAB;
        case XKB_KEY_Left:
            return VK_LEFT;
        case XKB_KEY_Right:
            return VK_RIGHT;
        case XKB_KEY_Up:
            return VK_UP;
        case XKB_KEY_Down:
            return VK_DOWN;
        case XKB_KEY_Home:
            return VK_HOME;
        case XKB_KEY_End:
            return VK_END;
        case XKB_KEY_Page_Up:
            return VK_PRIOR;
        case XKB_KEY_Page_Down:
            return VK_NEXT;
        case XKB_KEY_Insert:
            return VK_INSERT;
        case XKB_KEY_Delete:
            return VK_DELETE;
        case XKB_KEY_Pause:
            return VK_PAUSE;
        case XKB_KEY_Caps_Lock:
            return VK_CAPITAL;
        case XKB_KEY_Shift_L:
        case XKB_KEY_Shift_R:
            return VK_SHIFT;
        case XKB_KEY_Control_L:
        case XKB_KEY_Control_R:
            return VK_CONTROL;
        case XKB_KEY_Alt_L:
        case XKB_KEY_Alt_R:
            return VK_MENU;
        case XKB_KEY_KP_Multiply:
            return VK_MULTIPLY;
        case XKB_KEY_KP_Add:
            return VK_ADD;
        case XKB_KEY_KP_Subtract:
            return VK_SUBTRACT;
        case XKB_KEY_KP_Decimal:
            return VK_DECIMAL;
        case XKB_KEY_KP_Divide:
            return VK_DIVIDE;
        case XKB_KEY_semicolon:
            return 0xBA;
        case XKB_KEY_equal:
            return 0xBB;
        case XKB_KEY_comma:
            return 0xBC;
        case XKB_KEY_minus:
            return 0xBD;
        case XKB_KEY_period:
            return 0xBE;
        case XKB_KEY_slash:
            return 0xBF;
        case XKB_KEY_grave:
            return 0xC0;
        case XKB_KEY_bracketleft:
            return 0xDB;
        case XKB_KEY_backslash:
            return 0xDC;
        case XKB_KEY_bracketright:
            return 0xDD;
        case XKB_KEY_apostrophe:
            return 0xDE;
        default:
            return 0xFF;
    }
}

}  // namespace portable::wayland
