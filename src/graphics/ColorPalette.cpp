#include "graphics/ColorPalette.h"

#include "platform/Application.h"
#include "platform/Bitmap.h"
#include "platform/IntegerText.h"

#include <cstddef>
#include <optional>
#include <string_view>

namespace {

// The colours of entries 0..9 and 246..255 when the screen has no static system palette.
constexpr uint8_t StandardStaticColors[20][3] = {
    {0, 0, 0},       {128, 0, 0},     {0, 128, 0},     {128, 128, 0},   {0, 0, 128},
    {128, 0, 128},   {0, 128, 128},   {192, 192, 192}, {192, 220, 192}, {166, 202, 240},
    {255, 251, 240}, {160, 160, 164}, {128, 128, 128}, {255, 0, 0},     {0, 255, 0},
    {255, 255, 0},   {0, 0, 255},     {255, 0, 255},   {0, 255, 255},   {255, 255, 255}};

bool IsSystemEntry(int Index) {
    return Index < TColorPalette::FirstFreeEntry || Index > TColorPalette::LastFreeEntry;
}

// One whole field as an integer; an empty field, trailing blanks, a sign before a
// hexadecimal prefix or a value outside the 32-bit range is no number.
std::optional<int32_t> ConvertField(std::string_view Text) {
    int32_t Value = 0;
    if (!TryReadInteger(Text, Value, false))
        return std::nullopt;
    return Value;
}

// Takes the next number from Rest: the text before the first "," (Rest becomes what follows
// it), or all of Rest, which then stays as it is.
std::optional<int32_t> TakeNumber(std::string_view& Rest) {
    const size_t Comma = Rest.find(',');
    if (Comma == std::string_view::npos)
        return ConvertField(Rest);
    const std::string_view Field = Rest.substr(0, Comma);
    Rest.remove_prefix(Comma + 1);
    return ConvertField(Field);
}

} // namespace

TColorPalette::TColorPalette(TComponent* AOwner) : TComponent(AOwner) {
    FTable.palVersion = 0x300;
    FTable.palNumEntries = EntryCount;
    LoadSystemColors();
    for (int I = FirstFreeEntry; I <= LastFreeEntry; ++I) {
        TPaletteEntry& E = FTable.palPalEntry[size_t(I)];
        E.peRed = E.peGreen = E.peBlue = uint8_t(I);
        E.peFlags = FEntryFlags;
    }
    UpdateEntryText();
}

TColorPalette::~TColorPalette() = default;

void TColorPalette::SetPaletteEntries(const std::vector<std::string>& Value) {
    FEntriesParsed = true;
    if (Value.empty())
        return;
    if (Value.size() != size_t(EntryCount))
        throw EPalette("Exactly 256 entries must exist");
    if (&Value != &FPaletteEntries)
        FPaletteEntries = Value;

    for (int I = 0; I < EntryCount; ++I) {
        TPaletteEntry& E = FTable.palPalEntry[size_t(I)];
        std::string_view Rest = FPaletteEntries[size_t(I)];
        uint8_t* Channels[3] = {&E.peRed, &E.peGreen, &E.peBlue};
        bool Failed = false;
        for (uint8_t* Channel : Channels) {
            const std::optional<int32_t> Number = TakeNumber(Rest);
            if (!Number) {
                Failed = true;
                break;
            }
            *Channel = uint8_t(uint32_t(*Number) & 0xFF);
        }
        if (Failed) {
            // The rest of the table keeps its colours; the palette stays usable.
            ShowMessage("Error Loading Palette Data");
            break;
        }
        E.peFlags = IsSystemEntry(I) ? 0 : FEntryFlags;
    }
    RecreateHandle(false);
}

void TColorPalette::SetImagePalette(TBitmap* Image, const std::string& ImageName) {
    if (Image == nullptr)
        return;
    LoadFromBitmap(Image);
    if (Designing())
        ShowMessage("Palette Data Loaded from TImage " + ImageName);
}

void TColorPalette::SetPalEntryFlag(TPalEntryFlag Value) {
    FPalEntryFlag = Value;
    FEntryFlags = Value == pcReserved ? PC_RESERVED : PC_NOCOLLAPSE;
}

uint32_t TColorPalette::Entries(int Index) const {
    if (Index < 0 || Index >= EntryCount)
        throw EListError(Index);
    const TPaletteEntry& E = FTable.palPalEntry[size_t(Index)];
    return uint32_t(E.peRed) | (uint32_t(E.peGreen) << 8) | (uint32_t(E.peBlue) << 16) |
           (uint32_t(E.peFlags) << 24);
}

void TColorPalette::LoadFromBitmap(const TBitmap* Bitmap) {
    if (Bitmap == nullptr)
        return;
    const std::vector<TRGBQuad>& Colors = Bitmap->Palette();
    for (int I = FirstFreeEntry; I <= LastFreeEntry; ++I) {
        const TRGBQuad Color = size_t(I) < Colors.size() ? Colors[size_t(I)] : TRGBQuad{};
        TPaletteEntry& E = FTable.palPalEntry[size_t(I)];
        E.peRed = Color.rgbRed;
        E.peGreen = Color.rgbGreen;
        E.peBlue = Color.rgbBlue;
        E.peFlags = FEntryFlags;
    }
    // The table is now newer than the text: re-creating the handle must not parse the old
    // text over the colours just taken. The text is rewritten from the table below.
    FEntriesParsed = true;
    RecreateHandle(true);
}

void TColorPalette::RecreateHandle(bool RewriteText) {
    FHandle.reset();
    if (!FPaletteEntries.empty() && !FEntriesParsed)
        SetPaletteEntries(FPaletteEntries);
    // Release the handle the parse may have made before creating the one that stays.
    FHandle.reset();
    FHandle = CreatePalette(FTable);
    if (!FHandle)
        throw EPalette("CreatePalette failed with Error Code: " + std::to_string(GetLastError()));
    if (RewriteText)
        UpdateEntryText();
}

void TColorPalette::UpdateEntryText() {
    FPaletteEntries.clear();
    FPaletteEntries.reserve(EntryCount);
    for (const TPaletteEntry& E : FTable.palPalEntry)
        FPaletteEntries.push_back(std::to_string(E.peRed) + "," + std::to_string(E.peGreen) + "," +
                                  std::to_string(E.peBlue));
}

void TColorPalette::LoadSystemColors() {
    TDeviceContext& DC = ScreenDC();
    bool FromSystem = false;
    if (GetSystemPaletteUse(DC) == SYSPAL_STATIC) {
        FromSystem = GetSystemPaletteEntries(DC, 0, 10, &FTable.palPalEntry[0]) == 10 &&
                     GetSystemPaletteEntries(DC, 246, 10, &FTable.palPalEntry[246]) == 10;
    }
    if (!FromSystem) {
        for (int K = 0; K < 20; ++K) {
            TPaletteEntry& E = FTable.palPalEntry[size_t(K < 10 ? K : 236 + K)];
            E.peRed = StandardStaticColors[K][0];
            E.peGreen = StandardStaticColors[K][1];
            E.peBlue = StandardStaticColors[K][2];
        }
    }
    for (int I = 0; I < EntryCount; ++I)
        if (IsSystemEntry(I))
            FTable.palPalEntry[size_t(I)].peFlags = 0;
}

void TColorPalette::AfterLoad() {
    TComponent::AfterLoad();
    if (!FPaletteEntries.empty())
        SetPaletteEntries(FPaletteEntries);
    RecreateHandle(true);
}

void TColorPalette::CopyFrom(TObject* Source) {
    auto* Other = dynamic_cast<TColorPalette*>(Source);
    if (Other == nullptr)
        return;
    FPaletteEntries = Other->FPaletteEntries;
    SetPalEntryFlag(Other->FPalEntryFlag);
    FEntriesParsed = false;
    RecreateHandle(false);
}
