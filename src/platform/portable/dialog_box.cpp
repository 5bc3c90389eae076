// The dialog manager: DialogBoxParamA builds a dialog and its controls from a
// template of the embedded resources, registers them in the window table,
// runs the dialog procedure and returns what EndDialog gave. The controls
// answer the messages the dialog procedures send (text, font, check state,
// text limit); the user's clicks and keys become the commands Windows'
// dialog manager would send.
#include <cstring>
#include <map>

#include "platform/portable/bridge.h"
#include "platform/portable/codepage.h"
#include "platform/portable/dialog.h"
#include "platform/portable/dialog_internal.h"
#include "platform/portable/null_mode.h"

namespace {

constexpr WORD class_button = 0x80;
constexpr WORD class_edit = 0x81;
constexpr WORD class_static = 0x82;

std::map<HWND, Dialog*>& open_dialogs() {
    static std::map<HWND, Dialog*> dialogs;
    return dialogs;
}

dialogs::Script& script() {
    static dialogs::Script s;
    return s;
}

std::vector<dialogs::MessageBoxCall>& recorded_boxes() {
    static std::vector<dialogs::MessageBoxCall> boxes;
    return boxes;
}

bool use_gtk() { return !nullmode::enabled(); }

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
            case BS_DEFPUSHBUTTON: return ControlKind::default_button;
            case BS_CHECKBOX: return ControlKind::check_box;
            case BS_AUTOCHECKBOX: return ControlKind::auto_check_box;
            case BS_GROUPBOX: return ControlKind::group_box;
            default: return ControlKind::push_button;
        }
    }
    return ControlKind::text;
}

// Bytes of `text` that can be kept within `room` without splitting a character.
std::size_t whole_characters(std::string_view text, std::size_t room) {
    const UINT page = GetACP();
    std::size_t kept = 0;
    while (kept < text.size()) {
        std::size_t length = char_length(page, text.substr(kept));
        if (length == 0) length = 1;
        if (kept + length > room) break;
        kept += length;
    }
    return kept;
}

std::string current_text(const DialogControl& c) {
    if (c.widget && c.kind != ControlKind::icon) return gtk_control_text(c);
    return c.text;
}

LRESULT CALLBACK control_proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* c = static_cast<DialogControl*>(portable_window_native(hwnd));
    if (!c) return 0;
    switch (message) {
        case WM_SETTEXT:
            c->text = lParam ? reinterpret_cast<const char*>(lParam) : "";
            if (c->widget) gtk_set_control_text(*c);
            return TRUE;
        case WM_GETTEXT: {
            auto* buffer = reinterpret_cast<char*>(lParam);
            const auto count = static_cast<std::size_t>(wParam);
            if (!buffer || count == 0) return 0;
            const std::string text = current_text(*c);
            const std::size_t kept = whole_characters(text, count - 1);
            std::memcpy(buffer, text.data(), kept);
            buffer[kept] = '\0';
            return static_cast<LRESULT>(kept);
        }
        case WM_GETTEXTLENGTH:
            return static_cast<LRESULT>(current_text(*c).size());
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
            if (c->kind == ControlKind::edit) c->limit = wParam == 0 ? 0x7FFFFFFE : static_cast<std::size_t>(wParam);
            return 0;
        default:
            return 0;
    }
}

// Calls the dialog procedure, with the defaults Windows' dialog manager adds:
// an unhandled WM_CLOSE becomes command 2, and the caption answers the text
// messages.
LRESULT CALLBACK dialog_proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    Dialog* d = find_dialog(hwnd);
    if (!d) return 0;
    const INT_PTR handled = d->proc ? d->proc(hwnd, message, wParam, lParam) : 0;
    if (handled) return handled;
    switch (message) {
        case WM_CLOSE:
            SendMessageA(hwnd, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED),
                         reinterpret_cast<LPARAM>(GetDlgItem(hwnd, IDCANCEL)));
            return 0;
        case WM_SETTEXT:
            d->caption = lParam ? reinterpret_cast<const char*>(lParam) : "";
            return TRUE;
        case WM_GETTEXT: {
            auto* buffer = reinterpret_cast<char*>(lParam);
            const auto count = static_cast<std::size_t>(wParam);
            if (!buffer || count == 0) return 0;
            const std::size_t kept = whole_characters(d->caption, count - 1);
            std::memcpy(buffer, d->caption.data(), kept);
            buffer[kept] = '\0';
            return static_cast<LRESULT>(kept);
        }
        case WM_GETTEXTLENGTH:
            return static_cast<LRESULT>(d->caption.size());
        default:
            return 0;
    }
}

void send_command(Dialog& d, int id) {
    DialogControl* c = d.control(id);
    SendMessageA(d.hwnd, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(c ? c->hwnd : nullptr));
}

void give_focus(Dialog& d, DialogControl* c) {
    d.focus = c ? c->id : 0;
    if (c && c->widget) gtk_focus(d, *c);
}

int default_button_id(const Dialog& d) {
    for (const auto& c : d.controls) {
        if (c->kind == ControlKind::default_button) return c->id;
    }
    return IDOK;
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
            c->text = utf8_to_acp(t.text.name);
        }
        const char* className = c->kind == ControlKind::edit ? "Edit"
                                : (c->kind == ControlKind::text || c->kind == ControlKind::icon) ? "Static"
                                                                                                   : "Button";
        c->hwnd = portable_register_window(control_proc, d.hwnd, className, c->text.c_str(), c->id, c.get());
        d.controls.push_back(std::move(c));
    }
}

}  // namespace

Dialog* find_dialog(HWND hwnd) {
    const auto it = open_dialogs().find(hwnd);
    return it == open_dialogs().end() ? nullptr : it->second;
}

void dialog_user_command(Dialog& d, int id) {
    if (!d.enabled || d.ended) return;
    send_command(d, id);
}

bool dialog_user_key(Dialog& d, int virtualKey) {
    if (!d.enabled || d.ended) return false;
    if (virtualKey == dialogs::key_escape) {
        send_command(d, IDCANCEL);
        return true;
    }
    if (virtualKey != dialogs::key_return) return false;
    DialogControl* focused = d.control(d.focus);
    if (focused && focused->multiline_edit() && (focused->style & ES_WANTRETURN)) return false;
    const bool push = focused && (focused->kind == ControlKind::push_button ||
                                  focused->kind == ControlKind::default_button);
    send_command(d, push ? focused->id : default_button_id(d));
    return true;
}

void dialog_user_close(Dialog& d) {
    if (!d.enabled || d.ended) return;
    SendMessageA(d.hwnd, WM_CLOSE, 0, 0);
}

std::size_t edit_room(const DialogControl& c, std::size_t currentBytes) {
    return currentBytes >= c.limit ? 0 : c.limit - currentBytes;
}

INT_PTR DialogBoxParamA(HINSTANCE instance, LPCSTR templateName, HWND owner, DLGPROC proc,
                        LPARAM initParam) {
    auto layout = load_dialog_template(templateName);
    if (!layout) return -1;
    const bool gtk = use_gtk();
    if (gtk && !gtk_available()) return -1;

    Dialog d;
    d.proc = proc;
    d.templateId = IS_INTRESOURCE(templateName) ? static_cast<int>(reinterpret_cast<ULONG_PTR>(templateName)) : 0;
    d.layout = std::move(*layout);
    d.caption = utf8_to_acp(d.layout.caption);
    d.owner = owner;
    d.hwnd = portable_register_window(dialog_proc, owner, "#32770", d.caption.c_str(), 0, &d);
    open_dialogs()[d.hwnd] = &d;
    build_controls(d);
    if (gtk) gtk_build_dialog(d);

    Dialog* ownerDialog = find_dialog(owner);
    if (ownerDialog) {
        ownerDialog->enabled = false;
        if (ownerDialog->widgets) gtk_set_enabled(*ownerDialog, false);
    }

    DialogControl* first = nullptr;
    for (const auto& c : d.controls) {
        if (c->tab_stop()) {
            first = c.get();
            break;
        }
    }
    if (SendMessageA(d.hwnd, WM_INITDIALOG, reinterpret_cast<WPARAM>(first ? first->hwnd : nullptr), initParam)) {
        give_focus(d, first);
    }

    if (!d.ended && script()) script()(d.hwnd, d.templateId);
    if (gtk) {
        if (!d.ended) gtk_run_dialog(d);
    } else if (!d.ended) {
        d.result = -1;
    }

    if (ownerDialog) {
        ownerDialog->enabled = true;
        if (ownerDialog->widgets) gtk_set_enabled(*ownerDialog, true);
    }
    if (d.widgets) gtk_destroy_dialog(d);
    for (const auto& c : d.controls) portable_unregister_window(c->hwnd);
    portable_unregister_window(d.hwnd);
    open_dialogs().erase(d.hwnd);
    return d.result;
}

BOOL EndDialog(HWND dialog, INT_PTR result) {
    Dialog* d = find_dialog(dialog);
    if (!d) return FALSE;
    d->ended = true;
    d->result = result;
    return TRUE;
}

int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type) {
    const std::string body = text ? text : "";
    const std::string title = caption ? caption : "Error";
    if (!use_gtk()) {
        recorded_boxes().push_back({owner, body, title, type});
        return IDOK;
    }
    if (!gtk_available()) return 0;
    Dialog* ownerDialog = find_dialog(owner);
    if (ownerDialog) ownerDialog->enabled = false;
    const int answer = gtk_message_box(owner, body, title, type);
    if (ownerDialog) ownerDialog->enabled = true;
    return answer;
}

namespace dialogs {

void set_script(Script s) { script() = std::move(s); }

void click(HWND dialog, int id) {
    Dialog* d = find_dialog(dialog);
    if (!d) return;
    DialogControl* c = d->control(id);
    if (!c) return;
    if (c->kind == ControlKind::auto_check_box) {
        SendMessageA(c->hwnd, BM_SETCHECK, c->check == BST_CHECKED ? BST_UNCHECKED : BST_CHECKED, 0);
    }
    if (c->tab_stop()) give_focus(*d, c);
    dialog_user_command(*d, id);
}

void press_key(HWND dialog, int virtualKey) {
    Dialog* d = find_dialog(dialog);
    if (!d) return;
    if (!dialog_user_key(*d, virtualKey) && virtualKey == dialogs::key_return) {
        // The edit control takes the Enter key as a line break.
        if (DialogControl* c = d->control(d->focus)) type_text(dialog, c->id, "\r\n");
    }
}

void close_box(HWND dialog) {
    if (Dialog* d = find_dialog(dialog)) dialog_user_close(*d);
}

void type_text(HWND dialog, int id, std::string_view ansi) {
    Dialog* d = find_dialog(dialog);
    DialogControl* c = d ? d->control(id) : nullptr;
    if (!c || c->kind != ControlKind::edit || !d->enabled) return;
    std::string text = current_text(*c);
    text.append(ansi.substr(0, whole_characters(ansi, edit_room(*c, text.size()))));
    c->text = text;
    if (c->widget) gtk_set_control_text(*c);
}

void set_focus(HWND dialog, int id) {
    if (Dialog* d = find_dialog(dialog)) give_focus(*d, d->control(id));
}

int focused_id(HWND dialog) {
    Dialog* d = find_dialog(dialog);
    return d ? d->focus : 0;
}

bool is_enabled(HWND dialog) {
    Dialog* d = find_dialog(dialog);
    return d && d->enabled;
}

int template_id(HWND dialog) {
    Dialog* d = find_dialog(dialog);
    return d ? d->templateId : 0;
}

std::string caption(HWND dialog) {
    Dialog* d = find_dialog(dialog);
    return d ? d->caption : std::string();
}

std::size_t text_limit(HWND dialog, int id) {
    Dialog* d = find_dialog(dialog);
    DialogControl* c = d ? d->control(id) : nullptr;
    return c ? c->limit : 0;
}

std::vector<MessageBoxCall> message_boxes() { return recorded_boxes(); }
void clear_message_boxes() { recorded_boxes().clear(); }

}  // namespace dialogs
