// The configuration dialog (template 2003): the message, one edit line per
// message line, and the check box that lets the text ride the waves; and the
// About box (template 103) that its About button opens.
#include "config/config_dialog.h"

#include <cstring>
#include <string>
#include <string_view>

#include "config/settings.h"
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

// Texts of the failed-save report, in code page 936 like the other built-in
// texts, converted to the ANSI code page when shown.
constexpr std::string_view save_failed_gbk = "\xce\xde\xb7\xa8\xb1\xa3\xb4\xe6\xc9\xe8\xd6\xc3\xa1\xa3";  // 无法保存设置。
constexpr std::string_view writing_gbk = "\xd0\xb4\xc8\xeb\xa1\xb0";          // 写入“
constexpr std::string_view failed_gbk = "\xa1\xb1\xca\xa7\xb0\xdc\xa1\xa3";  // ”失败。
constexpr std::string_view file_gbk = "\xce\xc4\xbc\xfe\xa3\xba";            // 文件：
constexpr std::string_view section_gbk = "\xbd\xda\xa3\xba";                 // 节：
// 请检查该文件夹能否写入，然后再按“确定”；按“取消”则放弃修改。
constexpr std::string_view advice_gbk =
    "\xc7\xeb\xbc\xec\xb2\xe9\xb8\xc3\xce\xc4\xbc\xfe\xbc\xd0\xc4\xdc\xb7\xf1\xd0\xb4\xc8\xeb\xa3\xac"
    "\xc8\xbb\xba\xf3\xd4\xd9\xb0\xb4\xa1\xb0\xc8\xb7\xb6\xa8\xa1\xb1\xa3\xbb\xb0\xb4\xa1\xb0\xc8\xa1"
    "\xcf\xfb\xa1\xb1\xd4\xf2\xb7\xc5\xc6\xfa\xd0\xde\xb8\xc4\xa1\xa3";

std::string from_gbk(std::string_view gbk) {
    constexpr UINT gbk_code_page = 936;
    if (GetACP() == gbk_code_page) return std::string(gbk);
    const int n = static_cast<int>(gbk.size());
    const int wideCount = MultiByteToWideChar(gbk_code_page, 0, gbk.data(), n, nullptr, 0);
    if (wideCount <= 0) return std::string(gbk);
    std::basic_string<WCHAR> wide(static_cast<std::size_t>(wideCount), 0);
    MultiByteToWideChar(gbk_code_page, 0, gbk.data(), n, wide.data(), wideCount);
    const int count = WideCharToMultiByte(CP_ACP, 0, wide.data(), wideCount, nullptr, 0, nullptr, nullptr);
    if (count <= 0) return std::string(gbk);
    std::string ansi(static_cast<std::size_t>(count), '\0');
    WideCharToMultiByte(CP_ACP, 0, wide.data(), wideCount, ansi.data(), count, nullptr, nullptr);
    return ansi;
}

// Where a bare profile file name lives: the folder the system resolves it in,
// joined with that folder's own kind of separator.
std::string settings_location() {
    char folder[1024] = "";
    const UINT n = GetWindowsDirectoryA(folder, sizeof folder);
    if (n == 0 || n >= sizeof folder) return settings_file;
    const std::string base(folder, n);
    const char separator = base.find('/') != std::string::npos ? '/' : '\\';
    return base + separator + settings_file;
}

// Tells the user which key could not be written, in which file and section.
void report_save_failure(HWND dialog, SaveResult result) {
    const char* key = result == SaveResult::text_failed ? "NuvexScr_Text" : "NuvexScr_Follow";
    std::string text = from_gbk(save_failed_gbk) + "\r\n\r\n";
    text += from_gbk(writing_gbk) + key + from_gbk(failed_gbk) + "\r\n";
    text += from_gbk(file_gbk) + settings_location() + "\r\n";
    text += from_gbk(section_gbk) + "[" + settings_section + "]\r\n\r\n";
    text += from_gbk(advice_gbk);
    char caption[128] = "";
    GetWindowTextA(dialog, caption, sizeof caption);
    MessageBoxA(dialog, text.c_str(), caption, MB_OK | MB_ICONERROR);
}

INT_PTR open_dialog(HWND dialog) {
    edit_font().reset(CreateFontA(48, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                                  OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                                  DEFAULT_PITCH | FF_DONTCARE, message_face().c_str()));
    load_settings();
    edit_control = GetDlgItem(dialog, message_edit_id);
    // The user cannot type more than the settings keep.
    SendMessageA(edit_control, EM_LIMITTEXT, message_text_limit, 0);
    SetWindowTextA(edit_control, text_for_edit(message_buffer).c_str());
    SendMessageA(edit_control, WM_SETFONT, reinterpret_cast<WPARAM>(edit_font().get()), 0);
    CheckDlgButton(dialog, follow_check_id, follow_value == 0 ? BST_CHECKED : BST_UNCHECKED);
    return 1;
}

INT_PTR confirm_dialog(HWND dialog) {
    // The whole text, then at most the limit, cut between characters.
    const int length = GetWindowTextLengthA(edit_control);
    std::string edited(static_cast<std::size_t>(length > 0 ? length : 0) + 1, '\0');
    const int read = GetWindowTextA(edit_control, edited.data(), length + 1);
    edited.resize(static_cast<std::size_t>(read > 0 ? read : 0));
    const std::size_t kept = character_boundary_at_most(edited, message_text_limit);
    std::memcpy(message_buffer, edited.data(), kept);
    message_buffer[kept] = '\0';

    const SaveResult result = save_settings(text_from_edit(message_buffer));
    if (result != SaveResult::ok) {
        // The dialog stays open with the user's edits, so they can try again.
        report_save_failure(dialog, result);
        return 1;
    }
    EndDialog(dialog, 1);
    return 1;
}

}  // namespace

int RegisterCustomClasses(HINSTANCE instance) { return 1; }

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
                    DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(about_dialog_id), dialog,
                                    AboutDialogProc, 0);
                    return 0;
                case follow_check_id:
                    follow_value = follow_value != 1 ? 1 : 0;
                    CheckDlgButton(dialog, follow_check_id, follow_value == 0 ? BST_CHECKED : BST_UNCHECKED);
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
