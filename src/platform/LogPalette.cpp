#include "platform/LogPalette.h"

#include <algorithm>

namespace {

constexpr uint32_t ERROR_INVALID_PARAMETER = 87;

// The last error is per thread, as the callers of CreatePalette expect.
thread_local uint32_t LastError = 0;

} // namespace

TLogicalPalette::TLogicalPalette(const TLogPalette& Source)
    : FCount(std::clamp<int>(Source.palNumEntries, 0, 256)), FEntries{} {
    std::copy_n(Source.palPalEntry.begin(), FCount, FEntries.begin());
}

std::unique_ptr<TLogicalPalette> CreatePalette(const TLogPalette& Source) {
    if (Source.palVersion != 0x300 || Source.palNumEntries < 1 || Source.palNumEntries > 256) {
        LastError = ERROR_INVALID_PARAMETER;
        return nullptr;
    }
    return std::make_unique<TLogicalPalette>(Source);
}

uint32_t GetLastError() {
    return LastError;
}

HPALETTE SelectPalette(TDeviceContext& DC, HPALETTE Palette, bool ForceBackground) {
    const HPALETTE previous = DC.SelectedPalette;
    DC.SelectedPalette = Palette;
    DC.SelectedEntryCount = Palette ? Palette->EntryCount() : 0;
    DC.ForcedBackground = ForceBackground;
    return previous;
}

unsigned RealizePalette(TDeviceContext& DC) {
    ++DC.RealizeCount;
    return unsigned(DC.SelectedEntryCount);
}

TDeviceContext& ScreenDC() {
    static TDeviceContext screen;
    return screen;
}

unsigned GetSystemPaletteUse(const TDeviceContext&) {
    return SYSPAL_NOSTATIC;
}

unsigned GetSystemPaletteEntries(const TDeviceContext&, unsigned, unsigned, TPaletteEntry*) {
    return 0;
}
