// The palette's entry text: any lines are either refused (not 256 of them) or parsed,
// possibly with the load-error message, and leave a palette whose text is the normal
// form of its table.
#include "FuzzSupport.h"

#include "graphics/ColorPalette.h"
#include "platform/Exception.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
    FuzzInitApplication();
    std::vector<std::string> lines = FuzzLines(Data, Size);
    // Most inputs would be refused for their line count alone: also try them as 256 lines.
    TColorPalette asGiven;
    try {
        asGiven.SetPaletteEntries(lines);
    } catch (const Exception&) {
    }
    lines.resize(256);
    TColorPalette palette;
    palette.SetPaletteEntries(lines);
    palette.UpdateEntryText();
    if (palette.PaletteEntries().size() != 256 || !palette.Handle())
        FuzzFail("palette lost its entries or its handle");
    for (int i = 0; i < 256; ++i) {
        const uint32_t entry = palette.Entries(i);
        const std::string expected = std::to_string(entry & 0xFF) + "," +
                                     std::to_string((entry >> 8) & 0xFF) + "," +
                                     std::to_string((entry >> 16) & 0xFF);
        if (palette.PaletteEntries()[size_t(i)] != expected)
            FuzzFail("entry text differs from the table at " + std::to_string(i));
    }
    return 0;
}
