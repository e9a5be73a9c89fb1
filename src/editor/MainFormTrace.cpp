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

#include <QUndoCommand>

#include <algorithm>
#include <unordered_set>

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
    TdlgTraceAll Dialog(
        std::move(Whole), std::move(InView), Colors, FTraceSession->Settings(),
        [this](TPoint P) { return FDocument->ZoneAt(P.X, P.Y) != nullptr; }, this);
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
