#include "app/code_page_setup.h"

#include <array>
#include <string>
#include <string_view>

#include "platform/win32.h"
#include "text/builtin_strings.h"
#include "text/byte_string.h"

namespace {

constexpr UINT gbk_code_page = 936;

std::string gbk_to_ansi(std::string_view gbk) {
    if (gbk.empty() || GetACP() == gbk_code_page) return std::string(gbk);
    const int n = static_cast<int>(gbk.size());
    const int wide_count = MultiByteToWideChar(gbk_code_page, 0, gbk.data(), n, nullptr, 0);
    if (wide_count <= 0) return std::string(gbk);
    std::basic_string<WCHAR> wide(static_cast<std::size_t>(wide_count), 0);
    MultiByteToWideChar(gbk_code_page, 0, gbk.data(), n, wide.data(), wide_count);
    const int count =
        WideCharToMultiByte(CP_ACP, 0, wide.data(), wide_count, nullptr, 0, nullptr, nullptr);
    if (count <= 0) return std::string(gbk);
    std::string ansi(static_cast<std::size_t>(count), '\0');
    WideCharToMultiByte(CP_ACP, 0, wide.data(), wide_count, ansi.data(), count, nullptr, nullptr);
    return ansi;
}

}  // namespace

void adopt_system_code_page() {
    std::array<bool, 256> lead{};
    for (int b = 0; b < 256; ++b) lead[b] = IsDBCSLeadByte(static_cast<BYTE>(b)) != FALSE;
    set_lead_bytes(lead);
    convert_builtin_strings(&gbk_to_ansi);
}
