// Reads the edges of an INI file's text (tests/support/profile_edges.h) with
// Windows' own profile functions, the table the portable functions are tested
// against on Linux. Prints one line per disagreement; the exit code is their
// number.
#include "../../support/profile_edges.h"

#include <windows.h>

#include <cstdio>
#include <cstring>

int main() {
    char path[MAX_PATH];
    const DWORD folder = GetTempPathA(MAX_PATH - 32, path);
    if (folder == 0 || folder >= MAX_PATH - 32) return 1;
    std::strcat(path, "nuvex-profile-edges.ini");
    int failures = 0;
    for (const ProfileEdge& edge : profile_edges) {
        const HANDLE file = CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                        FILE_ATTRIBUTE_NORMAL, nullptr);
        DWORD written = 0;
        const DWORD size = static_cast<DWORD>(std::strlen(edge.file));
        const bool made = file != INVALID_HANDLE_VALUE &&
                          WriteFile(file, edge.file, size, &written, nullptr) && written == size;
        if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
        char value[256];
        GetPrivateProfileStringA(edge.section, edge.key, "<default>", value, sizeof value, path);
        const char* expected = edge.value ? edge.value : "<default>";
        if (!made || std::strcmp(value, expected) != 0) {
            std::printf("FAILED: %s: read \"%s\", expected \"%s\"\n", edge.what, value, expected);
            ++failures;
        }
    }
    DeleteFileA(path);
    std::printf("%d of %d edges read as the portable functions read them\n",
                static_cast<int>(sizeof profile_edges / sizeof profile_edges[0]) - failures,
                static_cast<int>(sizeof profile_edges / sizeof profile_edges[0]));
    return failures;
}
