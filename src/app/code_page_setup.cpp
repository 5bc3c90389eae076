#include "app/code_page_setup.h"

#include "config/text_conversion.h"
#include "platform/shared/dbcs.h"
#include "platform/win32.h"
#include "text/builtin_strings.h"
#include "text/byte_string.h"

void adopt_system_code_page() {
    const UINT code_page = GetACP();
    ansi_code_page page;
    page.utf8 = code_page == CP_UTF8;
    for (int b = 0; b < 256; ++b) {
        page.lead[b] = IsDBCSLeadByte(static_cast<BYTE>(b)) != FALSE;
        page.trail[b] = is_dbcs_trail_byte(code_page, static_cast<unsigned char>(b));
    }
    set_ansi_code_page(page);
    convert_builtin_strings(&from_gbk);
}
