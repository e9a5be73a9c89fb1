// Reading and writing map-set files.
#include "zonemap/ZoneSpriteSurface.h"

#include "graphics/ColorPalette.h"
#include "platform/Application.h"
#include "platform/Exception.h"
#include "platform/FileOpen.h"
#include "platform/FileWrite.h"
#include "platform/Text.h"
#include "zonemap/MapSetBytes.h"
#include "zonemap/StringUtils.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <future>
#include <limits>
#include <optional>
#include <string_view>
#include <thread>
#include <unordered_map>

namespace {

// The text after the last directory separator or drive colon.
std::string_view FileNamePart(std::string_view Name) {
    const size_t At = Name.find_last_of("/\\:");
    return At == std::string_view::npos ? Name : Name.substr(At + 1);
}

int32_t RoundToInt(double Value) {
    const double R = std::nearbyint(Value);
    if (!(R > double(std::numeric_limits<int32_t>::min())))
        return std::numeric_limits<int32_t>::min();
    if (!(R < double(std::numeric_limits<int32_t>::max())))
        return std::numeric_limits<int32_t>::max();
    return int32_t(R);
}

// Bitmap names compare ignoring ASCII case.
std::string AsciiLower(std::string_view Text) {
    std::string Lower(Text);
    for (char& C : Lower)
        if (C >= 'A' && C <= 'Z')
            C = char(C - 'A' + 'a');
    return Lower;
}

// The line at the start of Rest, which moves past its end: a line ends at CR, LF or CR LF.
std::string_view TakeLine(std::string_view& Rest) {
    // Scans for one character each, which the library does many bytes at a time, over
    // pieces of the text: a file of lines ending only at CR (or only at LF) must not be
    // searched to its end for the other at every line.
    constexpr size_t Piece = 4096;
    size_t End = 0;
    while (End < Rest.size()) {
        const char* const From = Rest.data() + End;
        const size_t Length = std::min(Piece, Rest.size() - End);
        const auto* Feed = static_cast<const char*>(std::memchr(From, '\n', Length));
        const size_t Before = Feed != nullptr ? size_t(Feed - From) : Length;
        if (const auto* Return = static_cast<const char*>(std::memchr(From, '\r', Before))) {
            End += size_t(Return - From);
            break;
        }
        End += Before;
        if (Feed != nullptr)
            break;
    }
    const std::string_view Line = Rest.substr(0, End);
    if (End < Rest.size())
        End += Rest.compare(End, 2, "\r\n") == 0 ? 2 : 1;
    Rest.remove_prefix(End);
    return Line;
}

// The zones of every Zone line of a file, made from their texts ahead of the line loop:
// a zone's text needs nothing of the others, so a thread of its own starts on them while
// the loop reads the bitmaps, and the loop joins in once it reaches the first Zone line.
// Each zone comes out the same whichever thread made it.
class TZoneBuilder {
public:
    TZoneBuilder(TZoneSpriteSurface* Surface, std::string_view Text) : FSurface(Surface) {
        size_t Bytes = 0;
        for (std::string_view Rest = Text; !Rest.empty();) {
            std::string_view Value = TakeLine(Rest);
            std::string_view Key;
            SplitOff(Value, '=', Key);
            if (Key == "Zone") {
                FTexts.push_back(Value);
                Bytes += Value.size();
            }
        }
        FZones.resize(FTexts.size());
        // Below some megabytes the thread costs more than it takes over: its zones come
        // from memory of its own, faulted in afresh at every load.
        if (Bytes >= (size_t(16) << 20) && std::thread::hardware_concurrency() >= 2)
            FHelper = std::async(std::launch::async, [this] { Work(); });
    }
    ~TZoneBuilder() {
        // A load that stops early frees what was made; the thread stops at its next chunk.
        FStop.store(true, std::memory_order_relaxed);
        if (FHelper.valid())
            FHelper.wait();
    }
    TZoneBuilder(const TZoneBuilder&) = delete;
    TZoneBuilder& operator=(const TZoneBuilder&) = delete;

    // The zone of the next Zone line, in file order; the first call finishes them all.
    std::unique_ptr<TZone> Next() {
        if (FNext == 0) {
            Work();
            if (FHelper.valid())
                FHelper.get();
        }
        return std::move(FZones[FNext++]);
    }

private:
    static constexpr size_t Chunk = 64;

    void Work() {
        for (;;) {
            if (FStop.load(std::memory_order_relaxed))
                return;
            const size_t From = FClaimed.fetch_add(Chunk, std::memory_order_relaxed);
            if (From >= FTexts.size())
                return;
            const size_t To = std::min(From + Chunk, FTexts.size());
            for (size_t I = From; I < To; ++I)
                FZones[I] = std::make_unique<TZone>(FSurface, FTexts[I]);
        }
    }

    TZoneSpriteSurface* FSurface;
    std::vector<std::string_view> FTexts;
    std::vector<std::unique_ptr<TZone>> FZones;
    std::atomic<size_t> FClaimed{0};
    std::atomic<bool> FStop{false};
    size_t FNext = 0;
    // Last, so that it is joined before the zones and texts go.
    std::future<void> FHelper;
};

bool HasLineBreak(const std::string& Text) {
    return Text.find_first_of(std::string_view("\r\n\0", 3)) != std::string::npos;
}

} // namespace

void TZoneSpriteSurface::SetMapSetFile(const std::string& Value) {
    if (FileNamePart(Value) == FileNamePart(FMapSetFile))
        return;
    if (!IsRegularFile(Value))
        return;
    // Read before anything is emptied: a file that exists but cannot be read changes
    // nothing either.
    QFile File;
    if (!OpenRegularFileForReading(Value, File))
        throw EFOpenError(Value);
    const std::shared_ptr<const TMapSetBytes> Bytes = TMapSetBytes::Read(File, Value);
    File.close();
    if (OnMapSetRead)
        OnMapSetRead(Bytes);

    SetVirtualWidth(0);
    SetVirtualHeight(0);
    FMapSetFile = Value;
    Clear();
    FLoadLine = 0;
    FLoadPixels = 0;
    FLoadBytes = 0;

    // The source images kept for the preview (empty entries when none is asked for).
    std::vector<std::shared_ptr<TBitmap>> Images;
    try {
        LoadLines(Bytes->Text(), Images);
    } catch (...) {
        DrawElementsInFileOrder();
        throw;
    }
    DrawElementsInFileOrder();

    for (const auto& Z : FZones) {
        std::string_view Rest = Z->NeighborIndexText();
        std::string_view Number;
        while (!Rest.empty()) {
            SplitOff(Rest, '#', Number);
            Z->NeighborList().push_back(Zone(StrToInt(Number)));
        }
    }
    Render();
    UpdateVirtualSize();
    ApplyLinks();
    // Nothing a first frame or the lists need; built when first asked for.
    FGridPointsDue.store(true, std::memory_order_release);
    if (FPreviewWidth > 0 && FPreviewHeight > 0)
        BuildPreview(Images);
}

void TZoneSpriteSurface::LoadLines(std::string_view Text,
                                   std::vector<std::shared_ptr<TBitmap>>& Images) {
    // Each file read once per load, by its path: a name repeated on many Bitmap lines costs
    // one picture.
    struct TSource {
        const TCompressedBitmapSpriteFactory* Factory;
        std::shared_ptr<TBitmap> Colors;
        std::shared_ptr<TBitmap> Image;
    };
    std::unordered_map<std::string, TSource> Sources;
    std::string LastMerged;
    // Element lines find their bitmap by name at once, the first entry of a name winning as
    // in BitmapIndex.
    std::unordered_map<std::string, int32_t> ByName;
    // The text ends at the first NUL.
    std::string_view Rest = Text.substr(0, Text.find('\0'));
    // Zones are made ahead unless the application makes its own.
    std::optional<TZoneBuilder> Zones;
    if (!OnCreateZone)
        Zones.emplace(this, Rest);
    while (!Rest.empty()) {
        std::string_view Value = TakeLine(Rest);
        ++FLoadLine;

        std::string_view Key;
        SplitOff(Value, '=', Key);
        if (Key == "Bitmap") {
            const std::string Name(Value);
            const std::string Path = BitmapPath(Name);
            const int64_t EntryBytes = BitmapEntryBytes(Name);
            auto Factory = std::make_unique<TCompressedBitmapSpriteFactory>();
            std::shared_ptr<TBitmap> Image;
            const auto Known = Sources.find(Path);
            if (Known != Sources.end()) {
                if (FLoadBytes + EntryBytes > MaxBitmapBytes)
                    throw EPictureTooLarge(Path + ": " + BitmapBytesMessage());
                Factory->ShareBitmapOf(*Known->second.Factory);
                Image = Known->second.Image;
            } else {
                Image = std::make_shared<TBitmap>();
                const int64_t Left = MaxLoadPixels - FLoadPixels;
                try {
                    Image->LoadFromFile(Path, std::min(MaxBitmapPixels, Left));
                } catch (const EPictureTooLarge&) {
                    if (Left >= MaxBitmapPixels)
                        throw;
                    throw EPictureTooLarge(Path +
                                           ": Bitmap image is not valid: the bitmaps of the map "
                                           "set together exceed the limit of " +
                                           std::to_string(MaxLoadPixels) + " pixels");
                }
                FLoadPixels += int64_t(Image->Width()) * Image->Height();
                Factory = CompressWithinBudget(*Image, Path, FLoadBytes + EntryBytes);
                FLoadBytes += Factory->CompressedBitmap().KeptBytes();
                // Only the colours are needed again when the file is named again.
                auto Colors = std::make_shared<TBitmap>();
                Colors->SetPalette(Image->Palette());
                // Only the preview needs the decoded picture once it is compressed.
                if (FPreviewWidth <= 0 || FPreviewHeight <= 0)
                    Image.reset();
                Sources.emplace(Path, TSource{Factory.get(), std::move(Colors), Image});
            }
            FLoadBytes += EntryBytes;
            FBitmaps.push_back({Name, std::move(Factory), Sources.at(Path).Colors->Palette()});
            ByName.try_emplace(AsciiLower(Name), int32_t(FBitmaps.size()) - 1);
            // The same file right after itself changes neither colours nor pixels shown.
            if (Path != LastMerged) {
                if (ColorPalette() != nullptr)
                    ColorPalette()->LoadFromBitmap(Sources.at(Path).Colors.get());
                RecreateBuffer();
                LastMerged = Path;
            }
            Images.push_back(std::move(Image));
        } else if (Key == "Element") {
            std::string_view Name;
            SplitOff(Value, ':', Name);
            const auto Found = ByName.find(AsciiLower(Name));
            const int32_t Index = Found == ByName.end() ? -1 : Found->second;
            if (Index < 0)
                throw EListError(Index);
            const TBitmapEntry& Entry = FBitmaps[size_t(Index)];
            std::unique_ptr<TSprite> Made = Entry.Factory->CreateSprite();
            auto* Sprite = static_cast<TCompressedBitmapSprite*>(Made.get());
            const int32_t X = SplitOffInt(Value, ',');
            const int32_t Y = SplitOffInt(Value, ',');
            Sprite->SetX(float(X));
            Sprite->SetY(float(Y));
            FBackgroundEngine->AddSprite(std::move(Made));
            FElementNames.push_back({Entry.Name, Sprite});
            Sprite->SetFactory(Entry.Factory.get());
        } else if (Key == "Zone") {
            TZone* Made = nullptr;
            if (Zones) {
                Made = Zones->Next().release();
            } else {
                if (OnCreateZone)
                    OnCreateZone(this, Made, std::string(Value));
                if (Made == nullptr)
                    Made = new TZone(this, Value);
            }
            AddZone(Made);
        } else if (Key == "Link") {
            const int32_t I = SplitOffInt(Value, ',');
            const int32_t J = SplitOffInt(Value, ',');
            TZone* Zone1 = Zone(I);
            AddLink(Zone1, Zone(J));
        }
    }
}

void TZoneSpriteSurface::DrawElementsInFileOrder() {
    // The file lists the elements in drawing order, the last on top; the engine, left to
    // itself, would admit them the other way round and flip the stacking at every load.
    FBackgroundEngine->ReversePending();
}

void TZoneSpriteSurface::BuildPreview(const std::vector<std::shared_ptr<TBitmap>>& Images) {
    // Emptied first: a preview never shows parts of the one before.
    FPreview->SetSize(0, 0);
    if (Images.empty() || Images.front() == nullptr)
        return;
    FPreview->SetPixelFormat(TPixelFormat::pf8bit);
    FPreview->SetPalette(Images.front()->Palette());
    FPreview->SetSize(FPreviewWidth, FPreviewHeight);
    if (VirtualWidth() <= 0 || VirtualHeight() <= 0)
        return;
    const double SX = double(FPreviewWidth) / VirtualWidth();
    const double SY = double(FPreviewHeight) / VirtualHeight();
    for (int I = 0; I < FBackgroundEngine->SpriteCount(); ++I) {
        const TSprite* Sprite = FBackgroundEngine->Sprites(I);
        if (Sprite->Dead())
            continue;
        const auto Found = std::find_if(FBitmaps.begin(), FBitmaps.end(), [&](const auto& B) {
            return B.Factory.get() == Sprite->Factory();
        });
        if (Found == FBitmaps.end())
            continue;
        const TBitmap& Image = *Images[size_t(Found - FBitmaps.begin())];
        const TPoint P = Sprite->Position();
        TRect Target;
        Target.Left = RoundToInt(P.X * SX);
        Target.Top = RoundToInt(P.Y * SY);
        Target.Right = RoundToInt(Image.Width() * SX + Target.Left + 1);
        Target.Bottom = RoundToInt(Image.Height() * SY + Target.Top + 1);
        FPreview->Canvas().StretchDraw(Target, Image);
    }
}

bool TZoneSpriteSurface::CheckNames() {
    for (const auto& Z : FZones)
        if (Z->Name().empty()) {
            ShowMessage("Zone " + std::to_string(Z->Index()) + " does not have a name");
            return false;
        }
    // The first zone whose name any other zone has: what comparing every pair in order,
    // zone by zone, would report first.
    std::unordered_map<std::string_view, int32_t> Uses;
    Uses.reserve(FZones.size());
    for (const auto& Z : FZones)
        ++Uses[Z->Name()];
    for (const auto& Z : FZones)
        if (Uses[Z->Name()] > 1) {
            ShowMessage("Zones have the same name: " + Z->Name());
            return false;
        }
    // What the file could not hold: a ";" ends the name field and a line break the line.
    for (const auto& Z : FZones)
        if (Z->Name().find(';') != std::string::npos || HasLineBreak(Z->Name())) {
            ShowMessage("Zone " + std::to_string(Z->Index()) +
                        " has a name that contains \";\" or a line break");
            return false;
        }
    // A ":" would end the bitmap name of an Element line early.
    for (const TBitmapEntry& B : FBitmaps)
        if (B.Name.find(':') != std::string::npos || HasLineBreak(B.Name)) {
            ShowMessage("Bitmap name contains \":\" or a line break: " + B.Name);
            return false;
        }
    return true;
}

std::string TZoneSpriteSurface::MapSetText() const {
    std::string Text;
    const auto Line = [&Text](std::string_view Key, const std::string& Value) {
        Text += Key;
        Text += '=';
        Text += Value;
        Text += "\r\n";
    };
    for (const TBitmapEntry& B : FBitmaps)
        Line("Bitmap", B.Name);

    // In the engine's order; a removed element may still wait in the engine for the next
    // frame, and is not written.
    std::unordered_map<const TSprite*, const TElementEntry*> Listed;
    for (const TElementEntry& E : FElementNames)
        Listed.emplace(E.Sprite, &E);
    std::unordered_map<const TObject*, const std::string*> FactoryNames;
    for (auto B = FBitmaps.rbegin(); B != FBitmaps.rend(); ++B)
        FactoryNames[B->Factory.get()] = &B->Name;
    for (int I = 0; I < FBackgroundEngine->SpriteCount(); ++I) {
        const TSprite* Sprite = FBackgroundEngine->Sprites(I);
        const auto Element = Listed.find(Sprite);
        const auto Name = FactoryNames.find(Sprite->Factory());
        if (Element == Listed.end() || Name == FactoryNames.end())
            continue;
        const TPoint P = Sprite->Position();
        Line("Element", *Name->second + ":" + std::to_string(P.X) + "," + std::to_string(P.Y));
    }

    for (const auto& Z : FZones)
        Line("Zone", Z->ZoneText());
    for (const auto& L : FLinks)
        Line("Link", std::to_string(L->Zone1->Index()) + "," + std::to_string(L->Zone2->Index()));
    return Text;
}

bool TZoneSpriteSurface::CheckedMapSetText(std::string& Text) {
    if (!CheckNames())
        return false;
    Text = MapSetText();
    return true;
}

bool TZoneSpriteSurface::SaveMapSet(const std::string& FileName) {
    if (!CheckNames())
        return false;
    const std::string Text = MapSetText();
    WriteWholeFile(FileName, Text.data(), Text.size());
    return true;
}
