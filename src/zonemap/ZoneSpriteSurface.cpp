#include "zonemap/ZoneSpriteSurface.h"

#include "graphics/ColorPalette.h"
#include "platform/Exception.h"

#include <QRegion>

#include <algorithm>
#include <cstdint>
#include <limits>
#include <unordered_set>

namespace {

bool SameTextIgnoringCase(const std::string& A, const std::string& B) {
    const auto Lower = [](char C) { return C >= 'A' && C <= 'Z' ? char(C - 'A' + 'a') : C; };
    return A.size() == B.size() && std::equal(A.begin(), A.end(), B.begin(),
                                              [&](char X, char Y) { return Lower(X) == Lower(Y); });
}

} // namespace

TZoneSpriteSurface::TZoneSpriteSurface(TComponent* AOwner, QWidget* Parent)
    : TSpriteSurface(AOwner, Parent), FBackgroundEngine(std::make_unique<TSpriteEngine>()),
      FZoneEngine(std::make_unique<TSpriteEngine>()), FPreview(std::make_unique<TBitmap>()) {
    FBackgroundEngine->SetSpriteSurface(this);
    FBackgroundEngine->SetPriority(101);
    FZoneEngine->SetSpriteSurface(this);
    FZoneEngine->SetPriority(100);
    // A zone's outline never changes while its sprite is drawn (a changed zone is a new
    // zone) and zone sprites do not move, so the engine may find the zones in view through
    // its grid and skip the movement step: a frame costs what the view holds.
    FZoneEngine->SetCullingCell(256);
    FZoneEngine->SetMoveSprites(false);
    SetUseVirtualSize(true);
}

TZoneSpriteSurface::~TZoneSpriteSurface() {
    // No frame may be asked for while the map set is being freed.
    SetActive(false);
    Clear();
    FZoneEngine.reset();
    FBackgroundEngine.reset();
}

bool TZoneSpriteSurface::ShowBackground() const {
    return FBackgroundEngine->Visible();
}

void TZoneSpriteSurface::SetShowBackground(bool Value) {
    FBackgroundEngine->SetVisible(Value);
}

bool TZoneSpriteSurface::ShowZones() const {
    return FZoneEngine->Visible();
}

void TZoneSpriteSurface::SetShowZones(bool Value) {
    FZoneEngine->SetVisible(Value);
}

std::string TZoneSpriteSurface::BitmapPath(const std::string& FileName) const {
    if (FBitmapDirectory.empty() || FileName.empty() || FileName.front() == '/')
        return FileName;
    return FBitmapDirectory.back() == '/' ? FBitmapDirectory + FileName
                                          : FBitmapDirectory + "/" + FileName;
}

// --- Background ----------------------------------------------------------------------

int64_t TZoneSpriteSurface::BitmapEntryBytes(const std::string& Name) {
    return int64_t(sizeof(TBitmapEntry) + sizeof(TCompressedBitmapSpriteFactory) + Name.size() +
                   64);
}

int64_t TZoneSpriteSurface::BitmapBytes() const {
    int64_t Bytes = 0;
    std::unordered_set<const TCompressedBitmap*> Counted;
    for (const TBitmapEntry& B : FBitmaps) {
        Bytes += BitmapEntryBytes(B.Name);
        if (Counted.insert(&B.Factory->CompressedBitmap()).second)
            Bytes += B.Factory->CompressedBitmap().KeptBytes();
    }
    return Bytes;
}

std::string TZoneSpriteSurface::BitmapBytesMessage() {
    return "Bitmap image is not valid: the bitmaps of the map set together would hold more "
           "than the limit of " +
           std::to_string(MaxBitmapBytes) + " bytes";
}

std::unique_ptr<TCompressedBitmapSpriteFactory>
TZoneSpriteSurface::CompressWithinBudget(const TBitmap& Image, const std::string& Path,
                                         int64_t Held) const {
    auto Factory = std::make_unique<TCompressedBitmapSpriteFactory>();
    try {
        Factory->SetBitmap(&Image, MaxBitmapBytes - Held);
    } catch (const EPictureTooLarge&) {
        throw EPictureTooLarge(Path + ": " + BitmapBytesMessage());
    }
    return Factory;
}

void TZoneSpriteSurface::AddBitmap(const std::string& FileName) {
    TBitmap Image;
    const std::string Path = BitmapPath(FileName);
    Image.LoadFromFile(Path, MaxBitmapPixels);
    auto Factory = CompressWithinBudget(Image, Path, BitmapBytes() + BitmapEntryBytes(FileName));
    if (ColorPalette() != nullptr)
        ColorPalette()->LoadFromBitmap(&Image);
    RecreateBuffer();
    FBitmaps.push_back({FileName, std::move(Factory), Image.Palette()});
}

int32_t TZoneSpriteSurface::BitmapIndex(const std::string& Name) const {
    for (size_t I = 0; I < FBitmaps.size(); ++I)
        if (SameTextIgnoringCase(FBitmaps[I].Name, Name))
            return int32_t(I);
    return -1;
}

void TZoneSpriteSurface::RemoveBitmap(const std::string& FileName) {
    const int32_t Index = BitmapIndex(FileName);
    if (Index >= 0)
        TakeBitmap(Index);
}

void TZoneSpriteSurface::AddElement(const std::string& BitmapName, int32_t X, int32_t Y) {
    const int32_t Index = BitmapIndex(BitmapName);
    if (Index < 0)
        return;
    TCompressedBitmapSpriteFactory* Factory = FBitmaps[size_t(Index)].Factory.get();
    std::unique_ptr<TSprite> Made = Factory->CreateSprite();
    auto* Sprite = static_cast<TCompressedBitmapSprite*>(Made.get());
    FElementNames.push_back({BitmapName, Sprite});
    FBackgroundEngine->AddSprite(std::move(Made));
    Sprite->SetX(float(X));
    Sprite->SetY(float(Y));
    Sprite->SetFactory(Factory);
    UpdateVirtualSize();
}

void TZoneSpriteSurface::RemoveElement(int32_t Index) {
    if (Index < 0 || Index >= ElementCount())
        throw EListError(Index);
    TCompressedBitmapSprite* Sprite = FElementNames[size_t(Index)].Sprite;
    FElementNames.erase(FElementNames.begin() + Index);
    FBackgroundEngine->RemoveSprite(Sprite);
    UpdateVirtualSize();
}

TCompressedBitmapSprite* TZoneSpriteSurface::Element(int32_t Index) const {
    if (Index < 0 || Index >= ElementCount())
        throw EListError(Index);
    return FElementNames[size_t(Index)].Sprite;
}

void TZoneSpriteSurface::UpdateVirtualSize() {
    int64_t Width = 0, Height = 0;
    for (const TElementEntry& E : FElementNames) {
        const TPoint P = E.Sprite->Position();
        Width = std::max(Width, int64_t(P.X) + E.Sprite->Width());
        Height = std::max(Height, int64_t(P.Y) + E.Sprite->Height());
    }
    constexpr int64_t Max = std::numeric_limits<int32_t>::max();
    SetVirtualWidth(int32_t(std::min(Width, Max)));
    SetVirtualHeight(int32_t(std::min(Height, Max)));
}

void TZoneSpriteSurface::BeforeDrawSprites() {
    if (AutoBlank())
        return;
    TDIBCanvas& Canvas = DIBCanvas();
    const QRect View(0, 0, Canvas.Width(), Canvas.Height());
    if (View.isEmpty())
        return;
    QRegion Uncovered(View);
    if (ShowBackground()) {
        TRect B;
        for (const TElementEntry& E : FElementNames) {
            if (!E.Sprite->Visible() || E.Sprite->Dead())
                continue;
            E.Sprite->ScreenBounds(B);
            // Inclusive right and bottom; clipped to the view before QRect's int arithmetic.
            const int32_t Left = std::max(B.Left, 0);
            const int32_t Top = std::max(B.Top, 0);
            const int32_t Right = std::min<int64_t>(int64_t(B.Right) + 1, View.width());
            const int32_t Bottom = std::min<int64_t>(int64_t(B.Bottom) + 1, View.height());
            if (Left < Right && Top < Bottom)
                Uncovered -= QRect(Left, Top, Right - Left, Bottom - Top);
        }
    }
    const uint16_t Saved = Canvas.BrushColor();
    Canvas.SetBrushColor(AutoBlankColorIndex());
    for (const QRect& R : Uncovered)
        Canvas.FillRect({R.left(), R.top(), R.right() + 1, R.bottom() + 1});
    Canvas.SetBrushColor(Saved);
}

// --- Zones ---------------------------------------------------------------------------

void TZoneSpriteSurface::AddZone(TZone* Zone) {
    BuildDueGridPoints();
    FZones.emplace_back(Zone);
    Zone->FIndex = int32_t(FZones.size()) - 1;
    AttachSprite(Zone);
}

void TZoneSpriteSurface::AttachSprite(TZone* Zone) {
    TZoneSprite* Sprite = nullptr;
    if (OnCreateZoneSprite)
        OnCreateZoneSprite(this, Zone, Sprite);
    if (Sprite == nullptr)
        Sprite = new TZoneSprite(Zone);
    Zone->SetSprite(Sprite);
    FZoneEngine->AddSprite(std::unique_ptr<TSprite>(Sprite));
}

void TZoneSpriteSurface::DeleteZone(TZone* Zone) {
    const auto Found = std::find_if(FZones.begin(), FZones.end(),
                                    [Zone](const auto& Z) { return Z.get() == Zone; });
    if (Found == FZones.end())
        return;
    BuildDueGridPoints();
    // The zone's own sprite, not a search by zone: a dead sprite of a freed zone may still
    // wait in the engine with the same address.
    if (TZoneSprite* Sprite = Zone->Sprite()) {
        Sprite->FZone = nullptr;
        FZoneEngine->RemoveSprite(Sprite);
    }
    for (size_t I = FLinks.size(); I-- > 0;) {
        TLink& L = *FLinks[I];
        if (L.Zone1 == Zone || L.Zone2 == Zone) {
            RemoveNeighbors(L.Zone1, L.Zone2);
            FLinks.erase(FLinks.begin() + std::ptrdiff_t(I));
        }
    }
    // Shared edges leave entries for Zone in other lists; drop them now rather than at the
    // next rebuild, so no list, path or predecessor can lead to the freed zone.
    for (const auto& Other : FZones) {
        std::erase(Other->NeighborList(), Zone);
        if (Other->PathPrevious() == Zone)
            Other->SetPathPrevious(nullptr);
    }
    std::erase(FPath, Zone);
    std::erase(FOpenList, Zone);

    const size_t Position = size_t(Found - FZones.begin());
    FZones.erase(Found);
    Renumber(Position);
}

void TZoneSpriteSurface::Renumber(size_t From) {
    for (size_t I = From; I < FZones.size(); ++I)
        FZones[I]->FIndex = int32_t(I);
}

TZone* TZoneSpriteSurface::Zone(int32_t Index) const {
    if (Index < 0 || Index >= ZoneCount())
        throw EListError(Index);
    return FZones[size_t(Index)].get();
}

TZone* TZoneSpriteSurface::ZoneByName(const std::string& Name) const {
    for (const auto& Z : FZones)
        if (Z->Name() == Name)
            return Z.get();
    return nullptr;
}

void TZoneSpriteSurface::AddLink(TZone* Zone1, TZone* Zone2) {
    Zone1->NeighborList().push_back(Zone2);
    Zone2->NeighborList().push_back(Zone1);
    FLinks.push_back(std::make_unique<TLink>(TLink{Zone1, Zone2}));
}

TLink* TZoneSpriteSurface::Link(int32_t Index) const {
    if (Index < 0 || Index >= LinkCount())
        throw EListError(Index);
    return FLinks[size_t(Index)].get();
}

TZone* TZoneSpriteSurface::PathZone(int32_t Index) const {
    if (Index < 0 || Index >= PathCount())
        throw EListError(Index);
    return FPath[size_t(Index)];
}

void TZoneSpriteSurface::Clear() {
    FGridPointsDue = false;
    FBackgroundEngine->Clear();
    FZoneEngine->Clear();
    FLinks.clear();
    for (const auto& Z : FZones)
        Z->FIndex = -1;
    FZones.clear();
    FBitmaps.clear();
    FElementNames.clear();
    FPath.clear();
    FOpenList.clear();
}

// --- Mouse and grid ------------------------------------------------------------------

void TZoneSpriteSurface::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
    TSpriteSurface::MouseDown(Button, Shift, X, Y);
    if (!OnZoneClick)
        return;
    const int64_t VX = int64_t(X) + OffsetX();
    const int64_t VY = int64_t(Y) + OffsetY();
    for (const auto& Z : FZones) {
        const TRect& B = Z->Bounds();
        if (VX >= B.Left && VX < B.Right && VY >= B.Top && VY < B.Bottom &&
            Z->Region().Contains(int32_t(VX), int32_t(VY))) {
            OnZoneClick(this, Z.get());
            return;
        }
    }
}

void TZoneSpriteSurface::BuildDueGridPoints() {
    if (!FGridPointsDue.load(std::memory_order_acquire))
        return;
    const std::lock_guard<std::mutex> Lock(FGridPointsLock);
    if (FGridPointsDue.load(std::memory_order_relaxed))
        BuildGridPoints();
}

namespace {

// The grid-point budgets of one build, zone by zone in list order.
struct TGridBudget {
    int64_t CandidatesLeft = TZoneSpriteSurface::MaxGridCandidates;
    int64_t WorkLeft = TZoneSpriteSurface::MaxGridWorkTotal;

    // False when the zone's Rows x Columns candidates are refused; else they are taken.
    bool Take(int64_t Rows, int64_t Columns, int64_t Points) {
        if (Rows > TZoneSpriteSurface::MaxGridWork / Columns ||
            Rows * Columns > TZoneSpriteSurface::MaxGridWork / Points ||
            Rows * Columns > CandidatesLeft || Rows * Columns * Points > WorkLeft)
            return false;
        CandidatesLeft -= Rows * Columns;
        WorkLeft -= Rows * Columns * Points;
        return true;
    }
};

} // namespace

void TZoneSpriteSurface::GridRange(const TZone& Z, int64_t& Top, int64_t& RowEnd, int64_t& Rows,
                                   int64_t& Columns) const {
    const TRect& B = Z.Bounds();
    // 64-bit throughout: bounds near the limits of 32 bits must not wrap.
    Top = int64_t(Z.Point(0).Y) + FGridMarginTop;
    RowEnd = int64_t(B.Bottom) - FGridHeight;
    const int64_t ColumnEnd = int64_t(B.Right) - FGridWidth;
    Rows = Top < RowEnd ? (RowEnd - Top + FGridHeight - 1) / FGridHeight : 0;
    Columns = B.Left < ColumnEnd ? (ColumnEnd - B.Left + FGridWidth - 1) / FGridWidth : 0;
}

std::vector<bool> TZoneSpriteSurface::GridPointRefusals() {
    std::vector<bool> Refused(FZones.size(), false);
    if (!FGridPointsDue.load(std::memory_order_acquire)) {
        for (size_t I = 0; I < FZones.size(); ++I)
            Refused[I] = FZones[I]->FGridPointsRefused;
        return Refused;
    }
    if (FGridWidth <= 0 || FGridHeight <= 0)
        return Refused;
    TGridBudget Budget;
    for (size_t I = 0; I < FZones.size(); ++I) {
        const TZone& Z = *FZones[I];
        if (Z.PointCount() == 0)
            continue;
        int64_t Top, RowEnd, Rows, Columns;
        GridRange(Z, Top, RowEnd, Rows, Columns);
        if (Rows != 0 && Columns != 0)
            Refused[I] = !Budget.Take(Rows, Columns, Z.PointCount());
    }
    return Refused;
}

void TZoneSpriteSurface::BuildGridPoints() {
    // Whatever was due is replaced by this build.
    FGridPointsDue.store(false, std::memory_order_release);
    if (FGridWidth <= 0 || FGridHeight <= 0)
        return;
    TGridBudget Budget;
    for (const auto& Z : FZones) {
        TPointList& Grid = Z->EnsureGridPoints();
        Grid.Clear();
        Z->FGridPointsRefused = false;
        if (Z->PointCount() == 0)
            continue;
        const TRect& B = Z->Bounds();
        int64_t Top, RowEnd, Rows, Columns;
        GridRange(*Z, Top, RowEnd, Rows, Columns);
        const int64_t ColumnEnd = int64_t(B.Right) - FGridWidth;
        if (Rows == 0 || Columns == 0)
            continue;
        if (!Budget.Take(Rows, Columns, Z->PointCount())) {
            Z->FGridPointsRefused = true;
            continue;
        }
        for (int64_t Y = Top; Y < RowEnd; Y += FGridHeight) {
            if (Y < std::numeric_limits<int32_t>::min())
                continue;
            for (int64_t X = B.Left; X < ColumnEnd; X += FGridWidth)
                if (Z->Region().Contains(int32_t(X), int32_t(Y)))
                    Grid.Add({int32_t(X), int32_t(Y)});
        }
    }
}
