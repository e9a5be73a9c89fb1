#include "editor/MendBordersCommand.h"

#include "editor/MapDocument.h"

TMendBordersCommand::TMendBordersCommand(TMapDocument* Document,
                                         std::vector<TZoneOutlineChange> Changes,
                                         const QString& Text)
    : QUndoCommand(Text), FDocument(Document), FChanges(std::move(Changes)) {}

void TMendBordersCommand::redo() {
    FDocument->ReplaceZoneOutlines(FChanges, false);
}

void TMendBordersCommand::undo() {
    FDocument->ReplaceZoneOutlines(FChanges, true);
}
