#pragma once

#include <cstdint>
#include <string_view>

// The integer text of the program's text forms: leading spaces, then decimal digits with
// an optional "+" or "-" that fit a signed 32-bit value, or up to 32 bits of hexadecimal
// digits (either case) after "$", "x" or "0x", taken as the 32-bit pattern. Nothing may
// follow the digits. SignBeforeHex lets a sign stand before the hexadecimal prefix too
// (the zone map's reading); the palette's reading has none there.
bool TryReadInteger(std::string_view Text, int32_t& Value, bool SignBeforeHex);
