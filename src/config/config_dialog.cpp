// The configuration dialog (template IDD_CONFIG): the message, one edit line per
// message line, and the check box that lets the text ride the waves; and the
// About box (template IDD_ABOUT) that its About button opens. The dialog works in
// Unicode, so the message shows and is kept as typed whatever the code page.
#include "config/config_dialog.h"

#include <string>

#include "config/message_edit.h"
#include "config/message_font.h"
#include "config/settings.h"
#include "config/text_conversion.h"
#include "text/builtin_strings.h"

namespace {

// The edit control's font: made at each opening and kept until the process
// ends, when the holder deletes it.
class FontHolder {
public:
    FontHolder() = default;
    FontHolder(const FontHolder&) = delete;
    FontHolder& operator=(const FontHolder&) = delete;
    ~FontHolder() {
        if (font_) DeleteObject(font_);
    }
    void reset(HFONT font) {
        if (font_) DeleteObject(font_);
        font_ = font;
    }
    HFONT get() const { return font_; }

private:
    HFONT font_ = nullptr;
};

// Made on first use, after the graphics layer has set itself up, so that it
// is destroyed before that layer at process end.
FontHolder& edit_font() {
    static FontHolder holder;
    return holder;
}

HWND edit_control = nullptr;

// A string of the resources with %1 and %2 replaced.
wide_text resource_text(UINT id, const wide_text& first = {}, const wide_text& second = {}) {
    WCHAR buffer[1024];
    const int n = LoadStringW(GetModuleHandleA(nullptr), id, buffer, 1024);
    wide_text text(buffer, static_cast<std::size_t>(n > 0 ? n : 0));
    const wide_text marks[2] = {widen("%1"), widen("%2")};
    const wide_text* values[2] = {&first, &second};
    for (int k = 0; k < 2; ++k) {
        for (std::size_t at = text.find(marks[k]); at != wide_text::npos;
             at = text.find(marks[k], at + values[k]->size())) {
            text.replace(at, marks[k].size(), *values[k]);
        }
    }
    return text;
}

wide_text number_text(long long value) {
    return widen(std::to_string(value));
}

void show_box(HWND dialog, const wide_text& text, UINT type) {
    WCHAR caption[256] = {0};
    GetWindowTextW(dialog, caption, 256);
    MessageBoxW(dialog, text.c_str(), caption, type);
}

wide_text failure_reason(const ProfileWriteResult& result) {
    switch (result.status) {
        case ProfileWriteStatus::no_space:
            return resource_text(IDS_REASON_NO_SPACE);
        case ProfileWriteStatus::access_denied:
            return resource_text(IDS_REASON_ACCESS_DENIED);
        case ProfileWriteStatus::not_a_file:
            return resource_text(IDS_REASON_NOT_A_FILE);
        case ProfileWriteStatus::unreadable:
            return resource_text(IDS_REASON_UNREADABLE);
        case ProfileWriteStatus::cannot_convert:
            return resource_text(IDS_REASON_CANNOT_CONVERT);
        case ProfileWriteStatus::unknown_form:
            return resource_text(IDS_REASON_UNKNOWN_FORM);
        case ProfileWriteStatus::read_only:
            return resource_text(IDS_REASON_READ_ONLY);
        default:
            return resource_text(IDS_REASON_OTHER, number_text(result.system_error));
    }
}

// Says why the save failed and, truly, that the file was left as it was (a
// save replaces the file whole or not at all), or that none was made.
void report_save_failure(HWND dialog, const ProfileWriteResult& result) {
    const wide_text crlf = widen("\r\n");
    wide_text text = resource_text(IDS_SAVE_FAILED) + crlf + crlf;
    text += failure_reason(result) + crlf;
    text += resource_text(result.file_existed ? IDS_SAVE_KEPT : IDS_SAVE_NOT_MADE) + crlf;
    text += resource_text(IDS_SAVE_FILE, widen(stored_settings.location.path)) + crlf + crlf;
    text += resource_text(IDS_SAVE_ADVICE);
    show_box(dialog, text, MB_OK | MB_ICONERROR);
}

INT_PTR open_dialog(HWND dialog) {
    load_settings();
    const encoded_text& stored = stored_settings.text;
    edit_font().reset(create_message_font(FW_BOLD, message_face(), stored.bytes, stored.encoding));
    edit_control = GetDlgItem(dialog, message_edit_id);
    // The user cannot type more than the saver takes.
    SendMessageW(edit_control, EM_LIMITTEXT, message_text_limit, 0);
    bool clean = true;
    bool marked = false;
    SetWindowTextW(edit_control, edit_text_for(stored, clean, marked).c_str());
    SendMessageW(edit_control, WM_SETFONT, reinterpret_cast<WPARAM>(edit_font().get()), 0);
    CheckDlgButton(dialog, follow_check_id, follow_value == 0 ? BST_CHECKED : BST_UNCHECKED);
    if (!stored_settings.readable && stored_settings.problem != ProfileWriteStatus::not_a_file) {
        // The defaults are shown: say why before the user takes them for the
        // stored settings, and that OK will not touch the file. (A folder or
        // a device in the file's place holds no settings to mistake; OK says
        // what it is.)
        const wide_text crlf = widen("\r\n");
        ProfileWriteResult why;
        why.status = stored_settings.problem;
        show_box(dialog,
                 resource_text(IDS_STORED_UNREADABLE) + crlf + crlf + failure_reason(why) + crlf +
                     resource_text(IDS_SAVE_FILE, widen(stored_settings.location.read_path)),
                 MB_OK | MB_ICONWARNING);
    }
    if (!clean) {
        // Say so rather than let the replacement characters pass for the text.
        show_box(dialog, resource_text(IDS_STORED_NOT_TEXT, number_text(GetACP())),
                 MB_OK | MB_ICONINFORMATION);
    }
    if (marked) {
        show_box(dialog, resource_text(IDS_STORED_CONTROLS), MB_OK | MB_ICONINFORMATION);
    }
    return 1;
}

INT_PTR confirm_dialog(HWND dialog) {
    const int length = GetWindowTextLengthW(edit_control);
    wide_text edited(static_cast<std::size_t>(length > 0 ? length : 0) + 1, 0);
    const int read = GetWindowTextW(edit_control, edited.data(), length + 1);
    edited.resize(static_cast<std::size_t>(read > 0 ? read : 0));

    const EditedMessage message = stored_from_edit(edited, stored_settings.text);
    if (message.untextual_line != 0) {
        show_box(dialog,
                 resource_text(IDS_LINE_NOT_TEXT,
                               number_text(static_cast<long long>(message.untextual_line))),
                 MB_OK | MB_ICONERROR);
        return 1;
    }
    // What the saver could not take whole is not stored cut: the user decides
    // what to drop. A stored text left as it was is kept as it is.
    const bool unchanged = stored_settings.text_found &&
                           message.stored.bytes == stored_settings.text.bytes &&
                           message.stored.encoding == stored_settings.text.encoding;
    if (!unchanged && message.stored.bytes.size() > std::size_t{message_text_limit}) {
        show_box(dialog,
                 resource_text(IDS_TEXT_TOO_LONG,
                               number_text(static_cast<long long>(message.stored.bytes.size())),
                               number_text(message_text_limit)),
                 MB_OK | MB_ICONERROR);
        return 1;
    }
    const ProfileWriteResult result = save_settings(message.stored);
    if (result.status != ProfileWriteStatus::written) {
        // The dialog stays open with the user's edits, so they can try again.
        report_save_failure(dialog, result);
        return 1;
    }
    EndDialog(dialog, 1);
    return 1;
}

}  // namespace

int RegisterCustomClasses(HINSTANCE instance) {
    return 1;
}

INT_PTR CALLBACK ConfigDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG:
            return open_dialog(dialog);
        case WM_COMMAND:
            switch (LOWORD(wParam)) {
                case IDOK:
                    return confirm_dialog(dialog);
                case IDCANCEL:
                    EndDialog(dialog, 0);
                    return 1;
                case about_button_id:
                    DialogBoxParamW(GetModuleHandleA(nullptr), MAKEINTRESOURCEW(about_dialog_id),
                                    dialog, AboutDialogProc, 0);
                    return 0;
                case follow_check_id:
                    follow_value = follow_value != 1 ? 1 : 0;
                    CheckDlgButton(dialog, follow_check_id,
                                   follow_value == 0 ? BST_CHECKED : BST_UNCHECKED);
                    return 0;
                default:
                    return 0;
            }
        case WM_CLOSE:
            EndDialog(dialog, LOWORD(wParam) == 1 ? 1 : 0);
            return 1;
        default:
            return 0;
    }
}

INT_PTR CALLBACK AboutDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG:
            return 1;
        case WM_COMMAND:
            if (wParam == IDOK) {
                EndDialog(dialog, 1);
                return 1;
            }
            return 0;
        default:
            return 0;
    }
}
