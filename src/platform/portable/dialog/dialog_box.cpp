// The dialog manager: DialogBoxParamA and DialogBoxParamW build a dialog and
// its controls from a template of the embedded resources, register them in
// the window table, run the dialog procedure and return what EndDialog gave.
// The controls answer the messages the dialog procedures send (text, font,
// check state, text limit); the user's clicks and keys become the commands
// Windows' dialog manager would send.
#include <cstdlib>
#include <map>

#include "platform/portable/bridge.h"
#include "platform/portable/dialog/dialog.h"
#include "platform/portable/dialog/dialog_internal.h"
#include "platform/portable/system_backend.h"
#include "platform/portable/text/unicode_text.h"

namespace {

std::map<HWND, Dialog*>& open_dialogs() {
    static std::map<HWND, Dialog*> dialogs;
    return dialogs;
}

dialogs::Script& script() {
    static dialogs::Script s;
    return s;
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

// A template named in UTF-16: an ordinal, "#123", or a name.
ResourceId wide_resource_id(LPCWSTR name) {
    ResourceId id;
    if (IS_INTRESOURCE(name)) {
        id.ordinal = static_cast<std::uint16_t>(reinterpret_cast<ULONG_PTR>(name));
        return id;
    }
    const std::string utf8 = utf16_to_utf8(name);
    if (!utf8.empty() && utf8[0] == '#') {
        id.ordinal = static_cast<std::uint16_t>(std::strtoul(utf8.c_str() + 1, nullptr, 10));
        return id;
    }
    id.is_ordinal = false;
    id.name = utf8;
    return id;
}

INT_PTR run_dialog(const ResourceId& name, HWND owner, DLGPROC proc, LPARAM initParam,
                   bool unicode) {
    const ResourceEntry* entry = find_resource(portable_resources(), resource_type_dialog, name);
    auto layout = entry ? parse_dialog_template(entry->data) : std::nullopt;
    if (!layout) return -1;
    portable::SystemBackend& sys = portable::system_backend();
    if (!sys.dialogs_available()) return -1;

    Dialog d;
    d.proc = proc;
    d.unicode = unicode;
    d.templateId = name.is_ordinal ? name.ordinal : 0;
    d.layout = std::move(*layout);
    d.caption = utf8_to_utf16(d.layout.caption);
    d.owner = owner;
    register_dialog_window(d);
    open_dialogs()[d.hwnd] = &d;
    build_controls(d);
    sys.build_dialog(d);

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
    if (SendMessageA(d.hwnd, WM_INITDIALOG, reinterpret_cast<WPARAM>(first ? first->hwnd : nullptr),
                     initParam)) {
        give_focus(d, first);
    }

    if (!d.ended && script()) script()(d.hwnd, d.templateId);
    if (!d.ended) sys.run_dialog(d);

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

INT_PTR DialogBoxParamA(HINSTANCE instance, LPCSTR templateName, HWND owner, DLGPROC proc,
                        LPARAM initParam) {
    return run_dialog(ResourceId::from(templateName), owner, proc, initParam, false);
}

INT_PTR DialogBoxParamW(HINSTANCE instance, LPCWSTR templateName, HWND owner, DLGPROC proc,
                        LPARAM initParam) {
    return run_dialog(wide_resource_id(templateName), owner, proc, initParam, true);
}

BOOL EndDialog(HWND dialog, INT_PTR result) {
    Dialog* d = find_dialog(dialog);
    if (!d) return FALSE;
    d->ended = true;
    d->result = result;
    return TRUE;
}

int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type) {
    return portable::system_backend().message_box(owner,
                                                  text ? acp_to_utf16(text) : std::u16string(),
                                                  caption ? acp_to_utf16(caption) : u"Error", type);
}

int MessageBoxW(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type) {
    return portable::system_backend().message_box(
        owner, text ? std::u16string(text) : std::u16string(),
        caption ? std::u16string(caption) : u"Error", type);
}

namespace dialogs {

void set_script(Script s) {
    script() = std::move(s);
}

void click(HWND dialog, int id) {
    Dialog* d = find_dialog(dialog);
    if (!d) return;
    DialogControl* c = d->control(id);
    if (!c) return;
    if (c->kind == ControlKind::auto_check_box) {
        SendMessageA(c->hwnd, BM_SETCHECK, c->check == BST_CHECKED ? BST_UNCHECKED : BST_CHECKED,
                     0);
    }
    if (c->tab_stop()) give_focus(*d, c);
    dialog_user_command(*d, id);
}

void press_key(HWND dialog, int virtualKey) {
    Dialog* d = find_dialog(dialog);
    if (!d) return;
    if (!dialog_user_key(*d, virtualKey) && virtualKey == dialogs::key_return) {
        // The edit control takes the Enter key as a line break.
        if (DialogControl* c = d->control(d->focus)) type_text(dialog, c->id, u"\r\n");
    }
}

void close_box(HWND dialog) {
    if (Dialog* d = find_dialog(dialog)) dialog_user_close(*d);
}

void type_text(HWND dialog, int id, std::string_view ansi) {
    type_text(dialog, id, acp_to_utf16(ansi));
}

void type_text(HWND dialog, int id, std::u16string_view typed) {
    Dialog* d = find_dialog(dialog);
    DialogControl* c = d ? d->control(id) : nullptr;
    if (!c || c->kind != ControlKind::edit || !d->enabled) return;
    std::u16string text = control_text(*c);
    text.append(typed.substr(0, edit_fit(*c, typed, edit_room(*c, edit_length(*c, text)))));
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
    return d ? utf16_to_acp(d->caption) : std::string();
}

std::size_t text_limit(HWND dialog, int id) {
    Dialog* d = find_dialog(dialog);
    DialogControl* c = d ? d->control(id) : nullptr;
    return c ? c->limit : 0;
}

}  // namespace dialogs
