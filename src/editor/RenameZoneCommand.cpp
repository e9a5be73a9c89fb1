#include "editor/RenameZoneCommand.h"

#include "editor/MapDocument.h"
#include "platform/Text.h"

TRenameZoneCommand::TRenameZoneCommand(TMapDocument* Document, int32_t Index, std::string Name)
    : QUndoCommand(), FDocument(Document), FIndex(Index),
      FOldName(Document->Surface().Zone(Index)->Name()), FNewName(std::move(Name)) {
    setText("Rename Zone " + ShownText(FOldName));
}

void TRenameZoneCommand::redo() {
    FDocument->RenameZone(FIndex, FNewName);
}

void TRenameZoneCommand::undo() {
    FDocument->RenameZone(FIndex, FOldName);
}
