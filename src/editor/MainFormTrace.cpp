// Zones traced from the map picture: Trace All Zones... (Trace Region is a mouse tool).
#include "editor/MainForm.h"

#include "editor/MapDocument.h"
#include "editor/TraceAllDialog.h"
#include "editor/TraceSession.h"
#include "editor/ZoneCommands.h"
#include "graphics/ColorPalette.h"
#include "platform/Application.h"
#include "platform/Exception.h"
#include "platform/Text.h"
#include "trace/TracePicture.h"
#include "zonemap/Zone.h"

#include <QUndoCommand>

#include <algorithm>
#include <cmath>
#include <functional>
#include <memory>
#include <unordered_set>

namespace {

// Whether any zone holds a map point. Asked for every grid cell of the picture, so the
// zones are found through square buckets of the map rather than all tested each time.
std::function<bool(TPoint)> CoverTest(const TZoneSpriteSurface& Surface) {
    struct TIndex {
        TRect Extent;
        int64_t Bucket = 64;
        int32_t Columns = 0;
        std::vector<std::vector<const TZone*>> Buckets;
        std::vector<const TZone*> Large;
    };
    auto Index = std::make_shared<TIndex>();
    bool Any = false;
    for (int32_t I = 0; I < Surface.ZoneCount(); ++I) {
        const TRect& B = Surface.Zone(I)->Bounds();
        if (Surface.Zone(I)->PointCount() < 3)
            continue;
        Index->Extent =
            Any ? TRect{std::min(Index->Extent.Left, B.Left), std::min(Index->Extent.Top, B.Top),
                        std::max(Index->Extent.Right, B.Right),
                        std::max(Index->Extent.Bottom, B.Bottom)}
                : B;
        Any = true;
    }
    if (!Any)
        return [](TPoint) { return false; };
    const TRect E = Index->Extent;
    // At most about a million buckets, however far apart the zones lie.
    const double Span = (double(E.Right) - E.Left + 1) * (double(E.Bottom) - E.Top + 1);
    Index->Bucket = std::max<int64_t>(64, int64_t(std::ceil(std::sqrt(Span / 1e6))));
    const int64_t Bucket = Index->Bucket;
    Index->Columns = int32_t((int64_t(E.Right) - E.Left) / Bucket + 1);
    const int64_t Rows = (int64_t(E.Bottom) - E.Top) / Bucket + 1;
    Index->Buckets.resize(size_t(int64_t(Index->Columns) * Rows));
    for (int32_t I = 0; I < Surface.ZoneCount(); ++I) {
        const TZone* Zone = Surface.Zone(I);
        if (Zone->PointCount() < 3)
            continue;
        const TRect& B = Zone->Bounds();
        const int64_t R0 = (int64_t(B.Top) - E.Top) / Bucket,
                      R1 = (int64_t(B.Bottom) - E.Top) / Bucket;
        const int64_t C0 = (int64_t(B.Left) - E.Left) / Bucket,
                      C1 = (int64_t(B.Right) - E.Left) / Bucket;
        // A zone over much of the map is tested everywhere instead of filling every bucket.
        if ((R1 - R0 + 1) * (C1 - C0 + 1) > 4096) {
            Index->Large.push_back(Zone);
            continue;
        }
        for (int64_t R = R0; R <= R1; ++R)
            for (int64_t C = C0; C <= C1; ++C)
                Index->Buckets[size_t(R * Index->Columns + C)].push_back(Zone);
    }
    return [Index](TPoint P) {
        const TRect& E = Index->Extent;
        if (P.X < E.Left || P.X > E.Right || P.Y < E.Top || P.Y > E.Bottom)
            return false;
        const int64_t Cell = (int64_t(P.Y) - E.Top) / Index->Bucket * Index->Columns +
                             (int64_t(P.X) - E.Left) / Index->Bucket;
        const auto Holds = [P](const TZone* Zone) {
            const TRect& B = Zone->Bounds();
            return P.X >= B.Left && P.X <= B.Right && P.Y >= B.Top && P.Y <= B.Bottom &&
                   Zone->Region().Contains(P.X, P.Y);
        };
        const auto& Near = Index->Buckets[size_t(Cell)];
        return std::any_of(Near.begin(), Near.end(), Holds) ||
               std::any_of(Index->Large.begin(), Index->Large.end(), Holds);
    };
}

} // namespace

void TfrmMain::mniTraceAllClick() {
    TTracePicture Whole;
    try {
        Whole = ComposeBackground(*surface);
    } catch (const Exception&) {
        ShowMessage("There is no background to trace.");
        return;
    }
    std::optional<TTracePicture> InView;
    const TRect View{std::max(surface->OffsetX(), Whole.Left),
                     std::max(surface->OffsetY(), Whole.Top),
                     std::min(surface->OffsetX() + surface->width(), Whole.Left + Whole.Width),
                     std::min(surface->OffsetY() + surface->height(), Whole.Top + Whole.Height)};
    if (View.Width() > 0 && View.Height() > 0)
        InView = ComposeBackground(*surface, &View);
    QVector<QRgb> Colors(256);
    for (int I = 0; I < 256; ++I) {
        const uint32_t Entry = surface->ColorPalette()->Entries(I);
        Colors[I] = qRgb(int(Entry & 0xFF), int((Entry >> 8) & 0xFF), int((Entry >> 16) & 0xFF));
    }
    TdlgTraceAll Dialog(std::move(Whole), std::move(InView), Colors, FTraceSession->Settings(),
                        CoverTest(*surface), this);
    if (Dialog.exec() != QDialog::Accepted)
        return;
    // Trace Region goes on from the settings chosen here, and from this very trace when it
    // covers the whole background.
    if (Dialog.WholeBackground())
        FTraceSession->Adopt(Dialog.Tracer());
    else
        FTraceSession->SetSettings(Dialog.Settings());
    const std::vector<TTracedRegion>& Regions = Dialog.Regions();
    if (Regions.empty()) {
        ShowMessage("No regions to make into zones.");
        return;
    }
    std::unordered_set<std::string> Taken;
    for (int32_t I = 0; I < surface->ZoneCount(); ++I)
        Taken.insert(surface->Zone(I)->Name());
    int64_t Next[2] = {1, 1};
    auto* Trace = new QUndoCommand(QString("Trace All Zones (%1)").arg(Regions.size()));
    const int32_t First = surface->ZoneCount();
    for (size_t I = 0; I < Regions.size(); ++I) {
        const TTracedRegion& R = Regions[I];
        std::string Name;
        do
            Name = (R.IsSea ? "Sea" : "Land") + std::to_string(Next[R.IsSea]++);
        while (Taken.count(Name) != 0);
        Taken.insert(Name);
        std::string Text;
        for (const TPoint& P : R.Outline)
            Text += std::to_string(P.X) + "," + std::to_string(P.Y) + ",";
        Text += ";" + Name + ";" + (R.IsSea ? "1" : "0") + ";";
        new TCreateZoneCommand(FDocument, First + int32_t(I), Text, ShownText(Name), Trace);
    }
    // An enclosed region shares no edge with the one around it: a link makes them neighbours.
    int32_t Link = surface->LinkCount();
    for (size_t I = 0; I < Regions.size(); ++I)
        for (int32_t Inner : Regions[I].Enclosed)
            new TAddLinkCommand(FDocument, Link++, First + Inner, First + int32_t(I), Trace);
    FDocument->Push(Trace);
    ShowStatusText("Traced " + std::to_string(Regions.size()) + " zones");
}
