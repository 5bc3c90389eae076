#include "config/text_conversion.h"

namespace {

constexpr UINT gbk_code_page = 936;

wide_text decode(UINT codePage, DWORD flags, std::string_view bytes, bool& ok) {
    ok = true;
    wide_text wide;
    if (bytes.empty()) return wide;
    const int n = static_cast<int>(bytes.size());
    const int count = MultiByteToWideChar(codePage, flags, bytes.data(), n, nullptr, 0);
    if (count <= 0) {
        ok = false;
        return wide;
    }
    wide.resize(static_cast<std::size_t>(count));
    MultiByteToWideChar(codePage, flags, bytes.data(), n, wide.data(), count);
    return wide;
}

std::string encode(UINT codePage, DWORD flags, const wide_text& text, BOOL* usedDefault) {
    std::string bytes;
    if (text.empty()) return bytes;
    const int n = static_cast<int>(text.size());
    const int count =
        WideCharToMultiByte(codePage, flags, text.data(), n, nullptr, 0, nullptr, usedDefault);
    if (count <= 0) return bytes;
    bytes.resize(static_cast<std::size_t>(count));
    WideCharToMultiByte(codePage, flags, text.data(), n, bytes.data(), count, nullptr, nullptr);
    return bytes;
}

}  // namespace

encoded_text encode_text(const wide_text& text) {
    const UINT page = GetACP();
    if (page == CP_UTF8) return {utf8_from_wide(text), text_encoding::ansi};
    // No best fit: a character the page lacks must not turn into a look-alike.
    BOOL used_default = FALSE;
    std::string ansi = encode(CP_ACP, WC_NO_BEST_FIT_CHARS, text, &used_default);
    bool decoded = false;
    if (!used_default && decode(CP_ACP, MB_ERR_INVALID_CHARS, ansi, decoded) == text && decoded) {
        return {std::move(ansi), text_encoding::ansi};
    }
    return {utf8_from_wide(text), text_encoding::utf8};
}

std::string utf8_from_wide(const wide_text& text) {
    return encode(CP_UTF8, 0, text, nullptr);
}

bool ansi_decodes(std::string_view bytes) {
    bool ok = false;
    decode(CP_ACP, MB_ERR_INVALID_CHARS, bytes, ok);
    return ok;
}

encoded_text from_gbk(std::string_view gbk) {
    if (GetACP() == gbk_code_page) return {std::string(gbk), text_encoding::ansi};
    bool ok = false;
    return encode_text(decode(gbk_code_page, 0, gbk, ok));
}

wide_text widen(std::string_view utf8) {
    return to_wide(utf8, text_encoding::utf8);
}

wide_text to_wide(std::string_view bytes, text_encoding encoding) {
    wide_text text;
    if (bytes.empty()) return text;
    const UINT page = encoding == text_encoding::utf8 ? CP_UTF8 : CP_ACP;
    const int n = static_cast<int>(bytes.size());
    const int count = MultiByteToWideChar(page, 0, bytes.data(), n, nullptr, 0);
    if (count <= 0) return text;
    text.resize(static_cast<std::size_t>(count));
    MultiByteToWideChar(page, 0, bytes.data(), n, text.data(), count);
    return text;
}
