#include "cli/MendCommand.h"

#include "cli/Commands.h"
#include "cli/MapSession.h"
#include "mend/BorderMend.h"
#include "zonemap/ZoneSpriteSurface.h"

const char* const MendHelp =
    "usage: zonewright-cli mend IN.mapset OUT.mapset\n"
    "\n"
    "Mends split borders: where two zones run along one line but one has a point the other\n"
    "lacks (check's split-border), each zone takes on the other's points lying exactly on\n"
    "its edges, so that both share identical edges and become neighbours. No point moves:\n"
    "every zone covers exactly the pixels it covered before. Prints each mended pair with\n"
    "the points it took on, then each split border left as it was and why (zones drawn\n"
    "over each other along their common line), then writes OUT.mapset as the editor saves.\n"
    "Exit status 1 when a split border was left or the save was refused.\n";

namespace {

std::string Pair(const TZoneSpriteSurface& S, int32_t A, int32_t B) {
    const auto Ref = [&S](int32_t I) {
        return std::to_string(I) + " \"" + S.Zone(I)->Name() + "\"";
    };
    return "zones " + Ref(A) + " and " + Ref(B);
}

std::string Counted(int32_t N, const char* What) {
    return std::to_string(N) + " " + What + (N == 1 ? "" : "s");
}

} // namespace

int RunMend(const TCommandLine& Line, std::ostream& Out, std::ostream& Err) {
    const std::string& FileName = Line.Positionals[0];
    TMapSession Session;
    TFinding Error;
    if (!Session.Load(FileName, Error)) {
        Err << FileName << (Error.Line > 0 ? ":" + std::to_string(Error.Line) : std::string())
            << ": " << Error.Message << '\n';
        return esFailed;
    }
    TZoneSpriteSurface& S = Session.Surface();
    const TBorderMend Mend = PlanBorderMend(SurfaceZones(S));
    for (const TMendedBorder& M : Mend.Mended)
        Out << "mended: " << Pair(S, M.Zone1, M.Zone2) << ": " << Counted(M.PointsAdded, "point")
            << " added\n";
    for (const TUnmendedBorder& L : Mend.Left)
        Out << "left: " << Pair(S, L.Zone1, L.Zone2) << ": " << L.Reason << '\n';
    Out << FileName << ": " << Counted(int32_t(Mend.Mended.size()), "pair") << " mended, "
        << Counted(Mend.PointsAdded, "point") << " added to "
        << Counted(int32_t(Mend.Changes.size()), "zone") << ", "
        << Counted(int32_t(Mend.Left.size()), "split border") << " left\n";
    ApplyOutlineChanges(S, Mend.Changes);
    S.BuildNeighbors();
    if (!S.SaveMapSet(Line.Positionals[1]))
        return esFound;
    return Mend.Left.empty() ? esOk : esFound;
}
