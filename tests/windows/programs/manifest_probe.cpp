// Reads a module's manifest the way the system reads it when it starts the
// module: as an activation context made from the module's manifest resource,
// asked for the settings that the system applies at start.
//
//   nuvex-manifest-probe.exe <module>
//       dpiAware <value>
//       dpiAwareness <value>
//     (the value is empty when the manifest does not hold the setting)
//   When the system refuses the manifest, as it would refuse to start the
//   module, prints "refused <system error>" and exits 1; 2 is a wrong
//   command line.
#include <windows.h>
// (after windows.h, whose types they use)
#include <fcntl.h>
#include <io.h>
#include <shellapi.h>

#include <cstdio>
#include <cwchar>
#include <string>

namespace {

std::string to_utf8(const std::wstring& text) {
    if (text.empty()) return {};
    const int n = static_cast<int>(text.size());
    const int count = WideCharToMultiByte(CP_UTF8, 0, text.data(), n, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(count > 0 ? count : 0), '\0');
    if (count > 0) {
        WideCharToMultiByte(CP_UTF8, 0, text.data(), n, out.data(), count, nullptr, nullptr);
    }
    return out;
}

// One setting of the manifest's windowsSettings, in the namespace that the
// system looks in for it; empty when absent.
std::wstring setting(HANDLE context, const wchar_t* name_space, const wchar_t* name) {
    wchar_t value[256] = L"";
    SIZE_T written = 0;
    if (!QueryActCtxSettingsW(0, context, name_space, name, value, 256, &written)) return {};
    return value;
}

}  // namespace

int main() {
    _setmode(_fileno(stdout), _O_BINARY);
    int argc = 0;
    LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (!argv || argc != 2) {
        std::fprintf(stderr, "usage: nuvex-manifest-probe <module>\n");
        return 2;
    }
    ACTCTXW request{};
    request.cbSize = sizeof request;
    request.dwFlags = ACTCTX_FLAG_RESOURCE_NAME_VALID;
    request.lpSource = argv[1];
    request.lpResourceName = MAKEINTRESOURCEW(1);
    const HANDLE context = CreateActCtxW(&request);
    if (context == INVALID_HANDLE_VALUE) {
        std::printf("refused %lu\n", GetLastError());
        return 1;
    }
    const wchar_t* const settings_2005 = L"http://schemas.microsoft.com/SMI/2005/WindowsSettings";
    const wchar_t* const settings_2016 = L"http://schemas.microsoft.com/SMI/2016/WindowsSettings";
    std::printf("dpiAware %s\n", to_utf8(setting(context, settings_2005, L"dpiAware")).c_str());
    std::printf("dpiAwareness %s\n",
                to_utf8(setting(context, settings_2016, L"dpiAwareness")).c_str());
    ReleaseActCtx(context);
    return 0;
}
