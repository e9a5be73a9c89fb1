#include "editor/ZoneCommands.h"

#include "editor/MapDocument.h"
#include "platform/Text.h"

TCreateZoneCommand::TCreateZoneCommand(TMapDocument* Document, int32_t Index, std::string Text,
                                       const QString& Name, QUndoCommand* Parent)
    : QUndoCommand("Create Zone " + Name, Parent), FDocument(Document), FIndex(Index),
      FText(std::move(Text)) {}

void TCreateZoneCommand::redo() {
    FDocument->InsertZoneAt(FIndex, FText);
}

void TCreateZoneCommand::undo() {
    FDocument->RemoveZoneAt(FIndex);
}

TDeleteZoneCommand::TDeleteZoneCommand(TMapDocument* Document, int32_t Index, QUndoCommand* Parent)
    : QUndoCommand(Parent), FDocument(Document), FIndex(Index) {
    const TZoneSpriteSurface& Surface = Document->Surface();
    const TZone* Zone = Surface.Zone(Index);
    setText("Delete Zone " + ShownText(Zone->Name()));
    FText = TMapDocument::ZoneDefinition(Zone);
    for (int32_t L = 0; L < Surface.LinkCount(); ++L) {
        const TLink* Link = Surface.Link(L);
        if (Link->Zone1 == Zone || Link->Zone2 == Zone)
            FLinks.push_back({L, Link->Zone1->Index(), Link->Zone2->Index()});
    }
}

void TDeleteZoneCommand::redo() {
    FDocument->RemoveZoneAt(FIndex);
}

void TDeleteZoneCommand::undo() {
    FDocument->InsertZoneAt(FIndex, FText);
    // In link order, each at its old place, so the links come back as they were.
    for (const TLinkPlace& L : FLinks)
        FDocument->InsertLinkAt(L.Index, L.Zone1, L.Zone2);
}

TAddLinkCommand::TAddLinkCommand(TMapDocument* Document, int32_t Zone1, int32_t Zone2)
    : FDocument(Document), FIndex(Document->Surface().LinkCount()), FZone1(Zone1), FZone2(Zone2) {
    const TZoneSpriteSurface& Surface = Document->Surface();
    setText("Link " + ShownText(Surface.Zone(Zone1)->Name()) + " and " +
            ShownText(Surface.Zone(Zone2)->Name()));
}

TAddLinkCommand::TAddLinkCommand(TMapDocument* Document, int32_t Index, int32_t Zone1,
                                 int32_t Zone2, QUndoCommand* Parent)
    : QUndoCommand(Parent), FDocument(Document), FIndex(Index), FZone1(Zone1), FZone2(Zone2) {}

void TAddLinkCommand::redo() {
    FDocument->InsertLinkAt(FIndex, FZone1, FZone2);
}

void TAddLinkCommand::undo() {
    FDocument->RemoveLinkAt(FIndex);
}
