#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// Taking apart the text forms of the zone map (zone texts, map-set lines).

// Head becomes the text of S before the first Separator and S the text after it; without a
// Separator, Head becomes all of S and S becomes empty.
void SplitOff(std::string& S, char Separator, std::string& Head);
// The same over views, for readers that walk long texts without copying them.
void SplitOff(std::string_view& S, char Separator, std::string_view& Head);

// SplitOff, then the head read as an integer; 0 when it is empty or not an integer.
int32_t SplitOffInt(std::string& S, char Separator);
int32_t SplitOffInt(std::string_view& S, char Separator);

// Integer text: leading spaces, an optional "+" or "-", then decimal digits that fit a
// signed 32-bit value, or up to 32 bits of hexadecimal digits after "$", "x" or "0x"
// (either case), taken as the 32-bit pattern. Nothing may follow the digits.
bool TryStrToInt(std::string_view Text, int32_t& Value);
// The strict reading: raises EConvertError "'%s' is not a valid integer value".
int32_t StrToInt(std::string_view Text);
