// The bytes that may follow a lead byte in the double-byte code pages. A lead
// byte followed by any other byte (a line break, a control character) is a
// broken character of one byte, so the byte after it still counts on its own.
#pragma once

// True when `byte` is a valid second byte of a character in `codePage` (936
// GBK, 932 Shift-JIS, 949 Unified Hangul, 950 Big5, 1361 Johab; any other
// double-byte page is taken to have GBK's range).
constexpr bool is_dbcs_trail_byte(unsigned codePage, unsigned char value) {
    switch (codePage) {
        case 932:
            return (value >= 0x40 && value <= 0x7E) || (value >= 0x80 && value <= 0xFC);
        case 949:
            return (value >= 0x41 && value <= 0x5A) || (value >= 0x61 && value <= 0x7A) ||
                   (value >= 0x81 && value <= 0xFE);
        case 950:
            return (value >= 0x40 && value <= 0x7E) || (value >= 0xA1 && value <= 0xFE);
        case 1361:
            return (value >= 0x31 && value <= 0x7E) || (value >= 0x81 && value <= 0xFE);
        default:
            return value >= 0x40 && value <= 0xFE && value != 0x7F;
    }
}
