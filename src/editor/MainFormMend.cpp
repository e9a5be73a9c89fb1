// Split borders mended from the Zone menu (every pair) and from the Map Check window (the
// pair of one finding).
#include "editor/MainForm.h"
#include "editor/MapCheckRunner.h"

#include "editor/MapDocument.h"
#include "editor/MendBordersCommand.h"
#include "mapcheck/Finding.h"
#include "mend/BorderMend.h"
#include "platform/Application.h"
#include "platform/Text.h"

#include <QTimer>

namespace {

std::string Counted(size_t N, const char* What) {
    return std::to_string(N) + " " + What + (N == 1 ? "" : "s");
}

std::string PairText(const TZoneSpriteSurface& S, int32_t A, int32_t B) {
    return "Zones " + std::to_string(A) + " \"" + S.Zone(A)->Name() + "\" and " +
           std::to_string(B) + " \"" + S.Zone(B)->Name() + "\"";
}

// Enough of the pairs left to act on; the Map Check lists every one.
constexpr size_t LeftShown = 10;

} // namespace

void TfrmMain::mniMendBordersClick() {
    ApplyMend(PlanBorderMend(SurfaceZones(*surface)), "Mend Borders", true);
}

void TfrmMain::MendBorder(const TZoneRef& Zone1, const TZoneRef& Zone2) {
    // A finding from before the last change may name zones that have gone or moved: the
    // findings are shown afresh instead.
    const auto Current = [this](const TZoneRef& Ref) {
        return Ref.Number >= 0 && Ref.Number < surface->ZoneCount() &&
               surface->Zone(Ref.Number)->Name() == Ref.Name;
    };
    if (FCheckTimer->isActive() || !FMapCheck->Current() || !Current(Zone1) || !Current(Zone2)) {
        StartMapCheck();
        return;
    }
    ApplyMend(PlanBorderMend(SurfaceZones(*surface), Zone1.Number, Zone2.Number),
              "Mend Border " + ShownText(Zone1.Name) + " and " + ShownText(Zone2.Name), false);
}

void TfrmMain::ApplyMend(const TBorderMend& Plan, const QString& Caption, bool ReportAlways) {
    if (Plan.Mended.empty() && Plan.Left.empty()) {
        ShowMessage("No split borders to mend.");
        return;
    }
    // Reported before the change, while the plan's zone numbers still name these zones.
    std::string Left;
    for (size_t I = 0; I < Plan.Left.size() && I < LeftShown; ++I)
        Left += "\n" + PairText(*surface, Plan.Left[I].Zone1, Plan.Left[I].Zone2) + ": " +
                Plan.Left[I].Reason + ".";
    if (Plan.Left.size() > LeftShown)
        Left += "\n... and " + std::to_string(Plan.Left.size() - LeftShown) +
                " more (the Map Check lists them).";
    const std::string Summary = "Mended " + Counted(Plan.Mended.size(), "pair") + ": " +
                                Counted(size_t(Plan.PointsAdded), "point") + " added to " +
                                Counted(Plan.Changes.size(), "zone") + ".";
    if (!Plan.Changes.empty())
        FDocument->Push(new TMendBordersCommand(FDocument, Plan.Changes, Caption));
    SetStatus(3, Summary);
    if (!Plan.Left.empty())
        ShowMessage(Summary + "\n\n" + Counted(Plan.Left.size(), "split border") +
                    " left as drawn, since mending would move a point:" + Left);
    else if (ReportAlways)
        ShowMessage(Summary);
}
