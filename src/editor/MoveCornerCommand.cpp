#include "editor/MoveCornerCommand.h"

#include "editor/MapDocument.h"

namespace {

// The zone text with every occurrence of From turned into To.
std::string MovedDefinition(const TZone* Zone, TPoint From, TPoint To) {
    const std::string Definition = TMapDocument::ZoneDefinition(Zone);
    std::string Text;
    for (TPoint P : Zone->Points()) {
        if (P == From)
            P = To;
        Text += std::to_string(P.X) + "," + std::to_string(P.Y) + ",";
    }
    const size_t Rest = Definition.find(';');
    return Rest == std::string::npos ? Text : Text + Definition.substr(Rest);
}

} // namespace

TMoveCornerCommand::TMoveCornerCommand(TMapDocument* Document, TPoint From, TPoint To)
    : QUndoCommand(QString("Move Corner %1,%2").arg(From.X).arg(From.Y)), FDocument(Document) {
    const TZoneSpriteSurface& Surface = Document->Surface();
    for (int32_t I = 0; I < Surface.ZoneCount(); ++I) {
        const TZone* Zone = Surface.Zone(I);
        for (const TPoint& P : Zone->Points())
            if (P == From) {
                FZones.push_back(I);
                FBefore.push_back(TMapDocument::ZoneDefinition(Zone));
                FAfter.push_back(MovedDefinition(Zone, From, To));
                break;
            }
    }
    if (FZones.empty())
        setObsolete(true);
}

void TMoveCornerCommand::redo() {
    for (size_t I = 0; I < FZones.size(); ++I)
        Remake(FZones[I], FAfter[I]);
}

void TMoveCornerCommand::undo() {
    for (size_t I = 0; I < FZones.size(); ++I)
        Remake(FZones[I], FBefore[I]);
}

void TMoveCornerCommand::Remake(int32_t Index, const std::string& Text) {
    struct TLinkPlace {
        int32_t Index, Zone1, Zone2;
    };
    const TZoneSpriteSurface& Surface = FDocument->Surface();
    const TZone* Zone = Surface.Zone(Index);
    std::vector<TLinkPlace> Links;
    for (int32_t L = 0; L < Surface.LinkCount(); ++L) {
        const TLink* Link = Surface.Link(L);
        if (Link->Zone1 == Zone || Link->Zone2 == Zone)
            Links.push_back({L, Link->Zone1->Index(), Link->Zone2->Index()});
    }
    FDocument->RemoveZoneAt(Index);
    FDocument->InsertZoneAt(Index, Text);
    // In link order, each at its old place, so the link list is as it was.
    for (const TLinkPlace& L : Links)
        FDocument->InsertLinkAt(L.Index, L.Zone1, L.Zone2);
}
