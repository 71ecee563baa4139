// Windows-1252, the code page of every text the game draws or logs.
#pragma once

// The Unicode code point of a Windows-1252 byte. 0 for the five bytes the
// code page leaves undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) and for byte 0;
// control bytes map to the control code points of the same value.
char32_t Cp1252ToUnicode(unsigned char byte);
