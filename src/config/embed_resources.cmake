# cmake -DINPUT=<file.res> -DOUTPUT=<file.cpp> -P embed_resources.cmake
# Writes the compiled resources as a byte array for the portable resource reader.
file(READ ${INPUT} hex HEX)
string(LENGTH "${hex}" hex_length)
math(EXPR size "${hex_length} / 2")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${hex}")
string(REGEX REPLACE "(0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,)" "\\1\n" bytes "${bytes}")
file(WRITE ${OUTPUT}
"// Generated from nuvex.rc by embed_resources.cmake; do not edit.
#include <cstddef>

extern const unsigned char portable_resource_data[];
extern const std::size_t portable_resource_size;

alignas(4) const unsigned char portable_resource_data[] = {
${bytes}
};
const std::size_t portable_resource_size = ${size};
")
