// How the bytes of a text are read: in the system's ANSI code page (the bytes
// Windows' "A" functions take, and the settings file has always held), or as
// UTF-8 for text that the ANSI code page cannot hold.
#pragma once

#include <cstdint>

enum class text_encoding : std::uint8_t { ansi, utf8 };
