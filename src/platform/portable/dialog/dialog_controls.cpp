// The windows of a portable dialog: the dialog itself and its controls. They
// hold their text as UTF-16 and answer messages in both forms (SendMessageA
// and SendMessageW), so that no character is lost whichever way text comes
// and goes; the ANSI forms see the text through the ANSI code page.
#include "platform/portable/bridge.h"
#include "platform/portable/dialog/dialog_internal.h"
#include "platform/portable/text/unicode_text.h"
#include "platform/portable/user/window_text.h"

namespace {

constexpr WORD class_button = 0x80;
constexpr WORD class_edit = 0x81;
constexpr WORD class_static = 0x82;

bool same_class(const ResourceId& id, WORD ordinal, const char* name) {
    if (id.is_ordinal) return id.ordinal == ordinal;
    ResourceId named;
    named.is_ordinal = false;
    named.name = name;
    return id == named;
}

ControlKind kind_of(const ControlTemplate& t) {
    if (same_class(t.windowClass, class_edit, "Edit")) return ControlKind::edit;
    if (same_class(t.windowClass, class_static, "Static")) {
        return (t.style & SS_TYPEMASK) == SS_ICON ? ControlKind::icon : ControlKind::text;
    }
    if (same_class(t.windowClass, class_button, "Button")) {
        switch (t.style & BS_TYPEMASK) {
            case BS_DEFPUSHBUTTON:
                return ControlKind::default_button;
            case BS_CHECKBOX:
                return ControlKind::check_box;
            case BS_AUTOCHECKBOX:
                return ControlKind::auto_check_box;
            case BS_GROUPBOX:
                return ControlKind::group_box;
            default:
                return ControlKind::push_button;
        }
    }
    return ControlKind::text;
}

LRESULT control_message(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, bool wide) {
    auto* c = static_cast<DialogControl*>(portable_window_native(hwnd));
    if (!c) return 0;
    switch (message) {
        case WM_SETTEXT:
            c->text = window_text_argument(lParam, wide);
            if (c->widget) gtk_set_control_text(*c);
            return TRUE;
        case WM_GETTEXT:
            return window_text_copy(control_text(*c), wParam, lParam, wide);
        case WM_GETTEXTLENGTH:
            return window_text_length(control_text(*c), wide);
        case WM_SETFONT:
            c->font = reinterpret_cast<HFONT>(wParam);
            if (c->widget) gtk_set_font(*c);
            return 0;
        case WM_GETFONT:
            return reinterpret_cast<LRESULT>(c->font);
        case BM_SETCHECK:
            if (c->kind == ControlKind::check_box || c->kind == ControlKind::auto_check_box) {
                c->check = wParam == BST_CHECKED ? BST_CHECKED : BST_UNCHECKED;
                if (c->widget) gtk_set_check(*c);
            }
            return 0;
        case BM_GETCHECK:
            return static_cast<LRESULT>(c->check);
        case EM_LIMITTEXT:
            if (c->kind == ControlKind::edit)
                c->limit = wParam == 0 ? 0x7FFFFFFE : static_cast<std::size_t>(wParam);
            return 0;
        default:
            return 0;
    }
}

LRESULT CALLBACK control_proc_ansi(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    return control_message(hwnd, message, wParam, lParam, false);
}

LRESULT CALLBACK control_proc_wide(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    return control_message(hwnd, message, wParam, lParam, true);
}

bool is_text_message(UINT message) {
    return message == WM_SETTEXT || message == WM_GETTEXT || message == WM_GETTEXTLENGTH;
}

// Calls the dialog procedure, with the defaults Windows' dialog manager adds:
// an unhandled WM_CLOSE becomes command 2, and the caption answers the text
// messages. The procedure sees text messages only in its own form (W for a
// dialog from DialogBoxParamW); in the other form the caption answers them.
LRESULT dialog_message(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, bool wide) {
    Dialog* d = find_dialog(hwnd);
    if (!d) return 0;
    if (d->proc && (!is_text_message(message) || wide == d->unicode)) {
        const INT_PTR handled = d->proc(hwnd, message, wParam, lParam);
        if (handled) return handled;
    }
    switch (message) {
        case WM_CLOSE:
            SendMessageA(hwnd, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED),
                         reinterpret_cast<LPARAM>(GetDlgItem(hwnd, IDCANCEL)));
            return 0;
        case WM_SETTEXT:
            d->caption = window_text_argument(lParam, wide);
            if (d->widgets) gtk_set_caption(*d);
            return TRUE;
        case WM_GETTEXT:
            return window_text_copy(d->caption, wParam, lParam, wide);
        case WM_GETTEXTLENGTH:
            return window_text_length(d->caption, wide);
        default:
            return 0;
    }
}

LRESULT CALLBACK dialog_proc_ansi(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    return dialog_message(hwnd, message, wParam, lParam, false);
}

LRESULT CALLBACK dialog_proc_wide(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    return dialog_message(hwnd, message, wParam, lParam, true);
}

HWND register_both_forms(WNDPROC ansi, WNDPROC wide, HWND parent, const char* className,
                         const std::u16string& title, int id, void* native) {
    HWND hwnd =
        portable_register_window(ansi, parent, className, utf16_to_acp(title).c_str(), id, native);
    portable_set_unicode_proc(hwnd, wide);
    return hwnd;
}

}  // namespace

std::u16string control_text(const DialogControl& c) {
    if (c.widget && c.kind != ControlKind::icon) return gtk_control_text(c);
    return c.text;
}

void register_dialog_window(Dialog& d) {
    d.hwnd = register_both_forms(dialog_proc_ansi, dialog_proc_wide, d.owner, "#32770", d.caption,
                                 0, &d);
}

void build_controls(Dialog& d) {
    for (const ControlTemplate& t : d.layout.controls) {
        auto c = std::make_unique<DialogControl>();
        c->dialog = &d;
        c->id = t.id;
        c->kind = kind_of(t);
        c->style = t.style;
        c->x = t.x;
        c->y = t.y;
        c->cx = t.cx;
        c->cy = t.cy;
        if (t.text.is_ordinal) {
            c->iconId = t.text.ordinal;
        } else {
            c->text = utf8_to_utf16(t.text.name);
        }
        const char* className = c->kind == ControlKind::edit ? "Edit"
                                : (c->kind == ControlKind::text || c->kind == ControlKind::icon)
                                    ? "Static"
                                    : "Button";
        c->hwnd = register_both_forms(control_proc_ansi, control_proc_wide, d.hwnd, className,
                                      c->text, c->id, c.get());
        d.controls.push_back(std::move(c));
    }
}

std::size_t edit_length(const DialogControl& c, std::u16string_view text) {
    return c.dialog && c.dialog->unicode ? text.size() : utf16_to_acp(text).size();
}

std::size_t edit_room(const DialogControl& c, std::size_t currentLength) {
    return currentLength >= c.limit ? 0 : c.limit - currentLength;
}

std::size_t edit_fit(const DialogControl& c, std::u16string_view typed, std::size_t room) {
    if (c.dialog && c.dialog->unicode) return whole_wide_characters(typed, room);
    if (edit_length(c, typed) <= room) return typed.size();
    // Character by character: each takes the bytes it has in the code page.
    std::size_t kept = 0;
    std::size_t used = 0;
    while (kept < typed.size()) {
        const std::size_t units = utf16_char_length(typed.substr(kept));
        const std::size_t bytes = edit_length(c, typed.substr(kept, units));
        if (used + bytes > room) break;
        used += bytes;
        kept += units;
    }
    return kept;
}
