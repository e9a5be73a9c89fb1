#include "zonemap/Zone.h"

#include "platform/Exception.h"
#include "zonemap/StringUtils.h"
#include "zonemap/ZoneSpriteSurface.h"

#include <algorithm>
#include <charconv>
#include <limits>

TZone::TZone(TZoneSpriteSurface* ASurface) : FSurface(ASurface) {
    SetGeometry({});
}

TZone::TZone(TZoneSpriteSurface* ASurface, std::string_view Text) : TZone(ASurface) {
    ReadText(Text);
}

TZone::~TZone() = default;

namespace {

// One coordinate item. The form every saved file has, up to nine plain decimal digits, is
// read here at once; any other goes through the general integer reading.
int32_t SplitOffCoordinate(std::string_view& Items) {
    const char* const Start = Items.data();
    const char* const End = Start + Items.size();
    const char* P = Start;
    const bool Negative = P < End && *P == '-';
    P += Negative ? 1 : 0;
    const char* const Digits = P;
    int32_t Value = 0;
    while (P < End && P - Digits < 9 && *P >= '0' && *P <= '9')
        Value = Value * 10 + (*P++ - '0');
    if (P == Digits || (P < End && *P != ','))
        return SplitOffInt(Items, ',');
    Items.remove_prefix(size_t(P - Start) + (P < End ? 1 : 0));
    return Negative ? -Value : Value;
}

} // namespace

void TZone::ReadText(std::string_view Text) {
    std::string_view Rest = Text;
    std::string_view Coordinates;
    SplitOff(Rest, ';', Coordinates);

    // An empty item between two commas is a value (0) too; one trailing comma adds none,
    // so the written form and one without it read alike.
    const size_t ItemCount = size_t(std::count(Coordinates.begin(), Coordinates.end(), ',')) +
                             (!Coordinates.empty() && Coordinates.back() != ',' ? 1 : 0);

    // The bounds and the area that the region needs are taken as the points are read,
    // while each point is at hand.
    std::vector<TPoint> Points(ItemCount / 2);
    std::string_view Items = Coordinates;
    TRegion::TShape Shape;
    Shape.Bounds = EmptyBounds();
    TRegion::TArea2 Area2 = 0;
    TPoint Previous{};
    for (TPoint& P : Points) {
        P.X = SplitOffCoordinate(Items);
        P.Y = SplitOffCoordinate(Items);
        Include(Shape.Bounds, P);
        Area2 += TRegion::TArea2(Previous.X) * P.Y - TRegion::TArea2(P.X) * Previous.Y;
        Previous = P;
    }
    if (!Points.empty()) {
        // The sum began at (0, 0) instead of the last point; this closes it exactly.
        const TPoint& First = Points.front();
        Area2 += TRegion::TArea2(Previous.X) * First.Y - TRegion::TArea2(First.X) * Previous.Y;
    }
    Shape.HasArea = Area2 != 0;

    std::string_view Name;
    SplitOff(Rest, ';', Name);
    FName = Name;
    FIsSea = uint8_t(uint32_t(SplitOffInt(Rest, ';')) & 0xFF);
    std::string_view NeighborText;
    SplitOff(Rest, ';', NeighborText);
    FNeighborIndexText = NeighborText;

    SetGeometry(std::move(Points), Shape);
}

TRect TZone::EmptyBounds() {
    return {std::numeric_limits<int32_t>::max(), std::numeric_limits<int32_t>::max(),
            std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::min()};
}

void TZone::Include(TRect& Bounds, const TPoint& P) {
    Bounds.Left = std::min(Bounds.Left, P.X);
    Bounds.Top = std::min(Bounds.Top, P.Y);
    Bounds.Right = std::max(Bounds.Right, P.X);
    Bounds.Bottom = std::max(Bounds.Bottom, P.Y);
}

void TZone::SetGeometry(std::vector<TPoint> Points) {
    TRegion::TShape Shape;
    Shape.Bounds = EmptyBounds();
    for (const TPoint& P : Points)
        Include(Shape.Bounds, P);
    Shape.HasArea = TRegion::Area2(Points.data(), Points.size()) != 0;
    SetGeometry(std::move(Points), Shape);
}

void TZone::SetGeometry(std::vector<TPoint> Points, const TRegion::TShape& Shape) {
    FPoints = std::move(Points);
    // The region lies over FPoints, which never change once set.
    FRegion = TRegion::Over(FPoints.data(), int(FPoints.size()), Shape);
    FBounds = Shape.Bounds;
    // In 64 bits: the spread of a zone without points (or of far-apart points) does not
    // fit 32 bits.
    const auto Mid = [](int32_t Low, int32_t High) {
        return int32_t(int64_t(Low) + (int64_t(High) - int64_t(Low)) / 2);
    };
    FCenter = {Mid(FBounds.Left, FBounds.Right), Mid(FBounds.Top, FBounds.Bottom)};
}

uint16_t TZone::ColorIndex() const {
    if (FSurface == nullptr)
        return 0;
    return FIsSea != 0 ? FSurface->ColorIndexSea() : FSurface->ColorIndexLand();
}

TEdge TZone::Edge(int32_t Index) const {
    const TPoint& A = FPoints[size_t(Index)];
    const TPoint& B = FPoints[size_t(Index) + 1 < FPoints.size() ? size_t(Index) + 1 : 0];
    return {A.X, A.Y, B.X, B.Y};
}

TZone* TZone::Neighbor(int32_t Index) const {
    if (Index < 0 || Index >= NeighborCount())
        throw EListError(Index);
    return FNeighbors[size_t(Index)];
}

TPointList* TZone::GridPoints() const {
    if (FSurface != nullptr)
        FSurface->BuildDueGridPoints();
    return FGridPoints.get();
}

bool TZone::GridPointsRefused() const {
    if (FSurface != nullptr)
        FSurface->BuildDueGridPoints();
    return FGridPointsRefused;
}

TPointList& TZone::EnsureGridPoints() {
    if (!FGridPoints)
        FGridPoints = std::make_unique<TPointList>();
    return *FGridPoints;
}

namespace {

void AppendInt(std::string& Text, int32_t Value) {
    char Digits[12];
    const auto Result = std::to_chars(Digits, Digits + sizeof Digits, Value);
    Text.append(Digits, Result.ptr);
}

} // namespace

std::string TZone::ZoneText() const {
    std::string Text;
    Text.reserve(FPoints.size() * 10 + FName.size() + FNeighbors.size() * 6 + 8);
    for (const TPoint& P : FPoints) {
        AppendInt(Text, P.X);
        Text += ',';
        AppendInt(Text, P.Y);
        Text += ',';
    }
    Text += ';';
    Text += FName;
    Text += ';';
    AppendInt(Text, FIsSea);
    Text += ';';
    for (const TZone* N : FNeighbors) {
        AppendInt(Text, N->Index());
        Text += '#';
    }
    return Text;
}

bool TZone::IsAdjacentTo(const TZone& Other) const {
    for (int32_t I = 0; I < PointCount(); ++I) {
        const TEdge E = Edge(I);
        for (int32_t J = 0; J < Other.PointCount(); ++J)
            if (SameEdge(E, Other.Edge(J)))
                return true;
    }
    return false;
}

bool SameEdge(const TEdge& E, const TEdge& F) {
    return (E.X1 == F.X1 && E.Y1 == F.Y1 && E.X2 == F.X2 && E.Y2 == F.Y2) ||
           (E.X1 == F.X2 && E.Y1 == F.Y2 && E.X2 == F.X1 && E.Y2 == F.Y1);
}

void MakeNeighbors(TZone* A, TZone* B) {
    std::vector<TZone*>& ListA = A->NeighborList();
    if (std::find(ListA.begin(), ListA.end(), B) == ListA.end())
        ListA.push_back(B);
    std::vector<TZone*>& ListB = B->NeighborList();
    if (std::find(ListB.begin(), ListB.end(), A) == ListB.end())
        ListB.push_back(A);
}

void RemoveNeighbors(TZone* A, TZone* B) {
    std::vector<TZone*>& ListA = A->NeighborList();
    if (auto It = std::find(ListA.begin(), ListA.end(), B); It != ListA.end())
        ListA.erase(It);
    std::vector<TZone*>& ListB = B->NeighborList();
    if (auto It = std::find(ListB.begin(), ListB.end(), A); It != ListB.end())
        ListB.erase(It);
}
