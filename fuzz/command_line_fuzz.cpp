// The command-line grammar on any bytes, parsing only: the program name and
// the blanks after it, the mode and its window id. Nothing is started; the
// windows the command line may name are the test mode's stand-ins.
//
// Input: one byte (its low bit: the Windows 9x family), then the raw command
// line.
#include <charconv>
#include <cstring>
#include <string>

#include "fuzz_support.h"
#include "host/host_state.h"
#include "host/saver_host.h"
#include "platform/portable/nullmode/null_mode.h"

namespace {

HWND foreground = nullptr;

bool is_blank_byte(char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte >= 0x01 && byte <= 0x20;
}

// The window id at `text` as a plain decimal reading sees it: the digits up
// to the first other byte, too large when beyond 32 bits.
void check_window_id(const char* text) {
    std::size_t digits = 0;
    while (text[digits] >= '0' && text[digits] <= '9') ++digits;
    unsigned long long value = 0;
    const std::from_chars_result read = std::from_chars(text, text + digits, value);
    const bool tooLarge = read.ec == std::errc::result_out_of_range || value > 0xFFFFFFFFull;
    FUZZ_CHECK(WindowIdTooLarge(text) == tooLarge);
    const auto handle = reinterpret_cast<ULONG_PTR>(ParseWindowHandle(text));
    FUZZ_CHECK(handle == (digits == 0 || tooLarge ? 0 : value));
}

void check_mode(const char* tail) {
    const SaverMode mode = DecodeSaverMode(tail);
    switch (mode.kind) {
        case SaverModeKind::saver:
            FUZZ_CHECK(mode.window == nullptr);
            break;
        case SaverModeKind::preview:
            FUZZ_CHECK(mode.window != nullptr && IsWindow(mode.window));
            break;
        case SaverModeKind::config:
            FUZZ_CHECK(mode.window == nullptr || mode.window == foreground ||
                       IsWindow(mode.window));
            break;
        case SaverModeKind::change_password:
            FUZZ_CHECK(SaverHostState.win9xFamily);
            FUZZ_CHECK(mode.window == foreground || IsWindow(mode.window));
            break;
        case SaverModeKind::unusable:
            if (mode.windowFault == WindowIdFault::too_large) {
                FUZZ_CHECK(mode.windowId != nullptr && WindowIdTooLarge(mode.windowId));
                FUZZ_CHECK(mode.windowId >= tail && mode.windowId <= tail + std::strlen(tail));
            }
            if (mode.windowFault == WindowIdFault::no_such_window) {
                FUZZ_CHECK(mode.window != nullptr && !IsWindow(mode.window));
            }
            break;
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    nullmode::enable();
    // Windows with small ids, so that some command lines name one.
    for (int i = 0; i < 4; ++i) nullmode::create_foreign_window(100, 100);
    foreground = nullmode::create_foreign_window(400, 300);
    SetForegroundWindow(foreground);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    SaverHostState.win9xFamily = (data[0] & 1) != 0;
    const std::string line(reinterpret_cast<const char*>(data + 1), size - 1);  // ends in a zero

    const char* tail = SkipProgramName(line.c_str());
    FUZZ_CHECK(tail >= line.c_str() && tail <= line.c_str() + std::strlen(line.c_str()));
    FUZZ_CHECK(!is_blank_byte(*tail));
    // Every grammar the command line is read with takes the same line here:
    // the mode letters and their window ids (and any other form of command
    // line the program accepts, through its own parsing function).
    check_mode(tail);
    check_mode(line.c_str());
    // Each run of digits, read from its start.
    for (const char* p = line.c_str(); *p; ++p) {
        if (p == line.c_str() || p[-1] < '0' || p[-1] > '9') check_window_id(p);
    }
    return 0;
}
