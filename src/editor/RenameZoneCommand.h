#pragma once

#include <QUndoCommand>

#include <cstdint>
#include <string>

class TMapDocument;

// A zone's new name (Rename Zone...); undo gives the old one back.
class TRenameZoneCommand : public QUndoCommand {
public:
    TRenameZoneCommand(TMapDocument* Document, int32_t Index, std::string Name);
    void redo() override;
    void undo() override;

private:
    TMapDocument* FDocument;
    int32_t FIndex;
    std::string FOldName;
    std::string FNewName;
};
