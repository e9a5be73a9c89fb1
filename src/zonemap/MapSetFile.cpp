// Reading and writing map-set files.
#include "zonemap/ZoneSpriteSurface.h"

#include "graphics/ColorPalette.h"
#include "platform/Application.h"
#include "platform/Exception.h"
#include "platform/FileWrite.h"
#include "platform/Text.h"
#include "zonemap/StringUtils.h"

#include <QFile>
#include <QFileInfo>

#include <cmath>
#include <limits>
#include <string_view>
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

bool HasLineBreak(const std::string& Text) {
    return Text.find_first_of(std::string_view("\r\n\0", 3)) != std::string::npos;
}

} // namespace

void TZoneSpriteSurface::SetMapSetFile(const std::string& Value) {
    if (FileNamePart(Value) == FileNamePart(FMapSetFile))
        return;
    QFile File(QtFileName(Value));
    if (!QFileInfo(File).isFile())
        return;
    // Read before anything is emptied: a file that exists but cannot be read changes
    // nothing either.
    if (!File.open(QIODevice::ReadOnly))
        throw EFOpenError(Value);
    const QByteArray Bytes = File.readAll();
    if (File.error() != QFileDevice::NoError)
        throw EFOpenError(Value);
    File.close();

    SetVirtualWidth(0);
    SetVirtualHeight(0);
    FMapSetFile = Value;
    Clear();
    FLoadLine = 0;
    FLoadPixels = 0;

    // The source images kept for the preview (empty entries when none is asked for).
    std::vector<std::unique_ptr<TBitmap>> Images;
    LoadLines(std::string(Bytes.constData(), size_t(Bytes.size())), Images);

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
    BuildGridPoints();
    if (FPreviewWidth > 0 && FPreviewHeight > 0)
        BuildPreview(Images);
}

void TZoneSpriteSurface::LoadLines(const std::string& Text,
                                   std::vector<std::unique_ptr<TBitmap>>& Images) {
    // Lines end at CR, LF or CR LF; the text ends at the first NUL.
    std::string_view Rest(Text.data(), std::min(Text.size(), Text.find('\0')));
    while (!Rest.empty()) {
        size_t End = 0;
        while (End < Rest.size() && Rest[End] != '\r' && Rest[End] != '\n')
            ++End;
        std::string_view Value = Rest.substr(0, End);
        size_t Next = End;
        if (Next < Rest.size())
            Next += Rest.compare(Next, 2, "\r\n") == 0 ? 2 : 1;
        Rest.remove_prefix(Next);
        ++FLoadLine;

        std::string_view Key;
        SplitOff(Value, '=', Key);
        if (Key == "Bitmap") {
            const std::string Name(Value);
            const std::string Path = BitmapPath(Name);
            auto Image = std::make_unique<TBitmap>();
            const int64_t Left = MaxLoadPixels - FLoadPixels;
            try {
                Image->LoadFromFile(Path, std::min(MaxBitmapPixels, Left));
            } catch (const EPictureTooLarge&) {
                if (Left >= MaxBitmapPixels)
                    throw;
                throw EPictureTooLarge(Path +
                                       ": Bitmap image is not valid: the bitmaps of the map set "
                                       "together exceed the limit of " +
                                       std::to_string(MaxLoadPixels) + " pixels");
            }
            FLoadPixels += int64_t(Image->Width()) * Image->Height();
            auto Factory = std::make_unique<TCompressedBitmapSpriteFactory>();
            Factory->SetBitmap(Image.get());
            FBitmaps.push_back({Name, std::move(Factory), Image->Palette()});
            if (ColorPalette() != nullptr)
                ColorPalette()->LoadFromBitmap(Image.get());
            RecreateBuffer();
            // Only the preview needs the decoded picture once it is compressed.
            if (FPreviewWidth <= 0 || FPreviewHeight <= 0)
                Image.reset();
            Images.push_back(std::move(Image));
        } else if (Key == "Element") {
            std::string_view Name;
            SplitOff(Value, ':', Name);
            const int32_t Index = BitmapIndex(std::string(Name));
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
            const std::string ZoneText(Value);
            TZone* Made = nullptr;
            if (OnCreateZone)
                OnCreateZone(this, Made, ZoneText);
            if (Made == nullptr)
                Made = new TZone(this, ZoneText);
            AddZone(Made);
        } else if (Key == "Link") {
            const int32_t I = SplitOffInt(Value, ',');
            const int32_t J = SplitOffInt(Value, ',');
            TZone* Zone1 = Zone(I);
            AddLink(Zone1, Zone(J));
        }
    }
}

void TZoneSpriteSurface::BuildPreview(const std::vector<std::unique_ptr<TBitmap>>& Images) {
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
