#pragma once

#include <array>
#include <cstdint>
#include <memory>

// Logical palettes and device contexts as the palette-aware code expects them. There is
// no hardware palette here: selecting and realizing are recorded so that callers (and
// tests) can see them, and the screen reports no static system palette.

struct TPaletteEntry {
    uint8_t peRed = 0;
    uint8_t peGreen = 0;
    uint8_t peBlue = 0;
    uint8_t peFlags = 0;
};

struct TLogPalette {
    uint16_t palVersion = 0x300;
    uint16_t palNumEntries = 256;
    std::array<TPaletteEntry, 256> palPalEntry{};
};

constexpr uint8_t PC_RESERVED = 1;
constexpr uint8_t PC_NOCOLLAPSE = 4;
constexpr unsigned SYSPAL_ERROR = 0;
constexpr unsigned SYSPAL_STATIC = 1;
constexpr unsigned SYSPAL_NOSTATIC = 2;

// A created logical palette: the entries it was made from.
class TLogicalPalette {
public:
    explicit TLogicalPalette(const TLogPalette& Source);
    int EntryCount() const { return FCount; }
    const TPaletteEntry& Entry(int Index) const { return FEntries[size_t(Index)]; }

private:
    int FCount;
    std::array<TPaletteEntry, 256> FEntries;
};

using HPALETTE = TLogicalPalette*;

// Null when the header is not a 0x300 palette of 1 to 256 entries; GetLastError then
// tells why.
std::unique_ptr<TLogicalPalette> CreatePalette(const TLogPalette& Source);
uint32_t GetLastError();

// A device context: records the palette selected into it and how often it was realized.
// The recorded palette is never dereferenced, so a context may outlive it.
struct TDeviceContext {
    HPALETTE SelectedPalette = nullptr;
    int SelectedEntryCount = 0; // taken when selected, for RealizePalette
    bool ForcedBackground = false;
    int RealizeCount = 0;
};

// Returns the palette selected before.
HPALETTE SelectPalette(TDeviceContext& DC, HPALETTE Palette, bool ForceBackground);
// Returns the number of entries mapped (the selected palette's count, 0 without one).
unsigned RealizePalette(TDeviceContext& DC);

TDeviceContext& ScreenDC();
// SYSPAL_NOSTATIC: the screen has no static system palette.
unsigned GetSystemPaletteUse(const TDeviceContext& DC);
// Copies Count entries from Start; returns the number copied (0: no system palette).
unsigned GetSystemPaletteEntries(const TDeviceContext& DC, unsigned Start, unsigned Count,
                                 TPaletteEntry* Entries);
