#include "platform/web/web_code_page.h"

#include <emscripten/emscripten.h>

#include <cstdlib>
#include <string>
#include <string_view>

#include "platform/shared/dbcs.h"
#include "text/builtin_strings.h"
#include "text/byte_string.h"

namespace {

constexpr unsigned gbk = 936;
constexpr unsigned utf8 = 65001;

unsigned adopted = utf8;

// GBK bytes as UTF-8, through the browser's (or Node's) own GBK decoder, so
// that the built-in texts stay written once, in GBK. Returns the malloc'ed
// bytes and their count in *length.
EM_JS(char*, decode_gbk, (const char* bytes, int count, int* length), {
    const text = new TextDecoder("gbk").decode(HEAPU8.subarray(bytes, bytes + count));
    const size = lengthBytesUTF8(text);
    const out = _malloc(size + 1);
    stringToUTF8(text, out, size + 1);
    HEAP32[length >> 2] = size;
    return out;
});

// Matches the native platform: GBK text stays as it is on the GBK page, and
// becomes UTF-8 elsewhere, in the ANSI code page where that is UTF-8 and as
// UTF-8 text otherwise (the built-in texts are Chinese, which no single-byte
// page holds).
encoded_text from_gbk(std::string_view text) {
    if (adopted == gbk) return {std::string(text), text_encoding::ansi};
    int length = 0;
    char* bytes = decode_gbk(text.data(), static_cast<int>(text.size()), &length);
    encoded_text converted{std::string(bytes, static_cast<std::size_t>(length)),
                           adopted == utf8 ? text_encoding::ansi : text_encoding::utf8};
    free(bytes);
    return converted;
}

}  // namespace

void adopt_code_page(unsigned code_page) {
    adopted = code_page == gbk || code_page == 1252 ? code_page : utf8;
    ansi_code_page page;
    page.utf8 = adopted == utf8;
    for (int b = 0; b < 256; ++b) {
        page.lead[b] = adopted == gbk && b >= 0x81 && b <= 0xFE;
        page.trail[b] = is_dbcs_trail_byte(adopted, static_cast<unsigned char>(b));
    }
    set_ansi_code_page(page);
    convert_builtin_strings(&from_gbk);
}
