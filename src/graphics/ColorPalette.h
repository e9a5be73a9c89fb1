#pragma once

#include "platform/Component.h"
#include "platform/Exception.h"
#include "platform/LogPalette.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class TBitmap;

// Flags given to the free entries 10..245: PC_NOCOLLAPSE or PC_RESERVED.
enum TPalEntryFlag : uint8_t { pcNoCollapse, pcReserved };

// "Exactly 256 entries must exist", "CreatePalette failed with Error Code: <n>"
class EPalette : public Exception {
public:
    using Exception::Exception;
};

// The 256 colours of the 8-bit pipeline, kept in two forms in step: the entry table from
// which the logical palette Handle is created, and the text form PaletteEntries (one
// "red,green,blue" line per entry) that a form stores.
//
// Entries 0..9 and 246..255 are the system's colours with flags 0; bitmaps never change
// them, only the text can. Entries 10..245 are the program's own, with flags EntryFlags.
class TColorPalette : public TComponent {
public:
    static constexpr int EntryCount = 256;
    static constexpr int FirstFreeEntry = 10;
    static constexpr int LastFreeEntry = 245;

    // System colours, a grey ramp in the free entries (entry i = i, i, i) and the text form
    // of all 256; no handle until the first RecreateHandle.
    explicit TColorPalette(TComponent* AOwner = nullptr);
    ~TColorPalette() override;

    // Decides only whether RecreateHandle parses the text before creating the handle.
    bool EntriesParsed() const { return FEntriesParsed; }

    const std::vector<std::string>& PaletteEntries() const { return FPaletteEntries; }
    // The owned list itself, which a form reader fills line by line without the setter;
    // AfterLoad then parses it.
    std::vector<std::string>& PaletteEntries() { return FPaletteEntries; }
    // Parses 256 lines into the table and re-creates Handle. An empty list changes nothing;
    // any other count raises EPalette. An unreadable number shows "Error Loading Palette
    // Data" and stops the parse at that line, without raising.
    void SetPaletteEntries(const std::vector<std::string>& Value);

    // Always none: the image is read from, never kept.
    TBitmap* ImagePalette() const { return nullptr; }
    // Takes the free colours of the image's picture (LoadFromBitmap). While designing, says
    // so with "Palette Data Loaded from TImage " and ImageName. A null picture is ignored.
    void SetImagePalette(TBitmap* Image, const std::string& ImageName = std::string());

    TPalEntryFlag PalEntryFlag() const { return FPalEntryFlag; }
    // A form stores PalEntryFlag only when it differs from the default.
    bool PalEntryFlagStored() const { return FPalEntryFlag != pcNoCollapse; }
    // Sets EntryFlags only; the table and Handle keep their flags until the free entries are
    // next loaded from text, a bitmap or an image.
    void SetPalEntryFlag(TPalEntryFlag Value);
    // PC_NOCOLLAPSE (4) for pcNoCollapse, PC_RESERVED (1) for pcReserved.
    uint8_t EntryFlags() const { return FEntryFlags; }

    // Owned by the palette; users select and realize it but never release it.
    HPALETTE Handle() const { return FHandle.get(); }

    // Entry Index as 0xFFBBGGRR: red lowest, the flags byte highest. Raises EListError for
    // an index outside 0..255.
    uint32_t Entries(int Index) const;

    // Copies red, green and blue of the bitmap's entries 10..245 into the free entries with
    // EntryFlags, then re-creates Handle and rewrites the text. Entries the bitmap's colour
    // table lacks are black (as TBitmap reports them). A null bitmap is ignored.
    void LoadFromBitmap(const TBitmap* Bitmap);

    // Releases Handle, parses the text first if it has not been parsed since it was
    // assigned, creates the logical palette from the table (EPalette when the system
    // refuses) and, if RewriteText, rewrites PaletteEntries from the table.
    void RecreateHandle(bool RewriteText);
    // PaletteEntries := 256 lines "r,g,b" in decimal, entry 0 first.
    void UpdateEntryText();
    // Entries 0..9 and 246..255 := the screen's static colours (or the standard static
    // colours when it has none), flags 0.
    void LoadSystemColors();

    void AfterLoad() override;
    // Only from another TColorPalette: its text and PalEntryFlag, parsed into a new handle.
    void CopyFrom(TObject* Source) override;

private:
    bool FEntriesParsed = false;
    std::vector<std::string> FPaletteEntries;
    TPalEntryFlag FPalEntryFlag = pcNoCollapse;
    uint8_t FEntryFlags = PC_NOCOLLAPSE;
    std::unique_ptr<TLogicalPalette> FHandle;
    TLogPalette FTable;
};
