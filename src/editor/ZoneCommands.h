#pragma once

#include <QString>
#include <QUndoCommand>

#include <cstdint>
#include <string>
#include <vector>

class TMapDocument;

// The undoable changes to zones and links. Zones and links are named by their positions,
// never by pointers: an undo makes new objects, so only the positions stay the same from
// one step to the next. Each undo leaves the map set exactly as it was before: the same
// zones and links in the same order.

// A new zone, last in the zone order (Create New Zone and Create Standard Sea Zone).
class TCreateZoneCommand : public QUndoCommand {
public:
    // Text: the zone text without neighbours (points, name, sea flag).
    TCreateZoneCommand(TMapDocument* Document, int32_t Index, std::string Text, const QString& Name,
                       QUndoCommand* Parent = nullptr);
    void redo() override;
    void undo() override;

private:
    TMapDocument* FDocument;
    int32_t FIndex;
    std::string FText;
};

// A zone deleted with its links.
class TDeleteZoneCommand : public QUndoCommand {
public:
    TDeleteZoneCommand(TMapDocument* Document, int32_t Index, QUndoCommand* Parent = nullptr);
    void redo() override;
    void undo() override;

private:
    struct TLinkPlace {
        int32_t Index, Zone1, Zone2;
    };
    TMapDocument* FDocument;
    int32_t FIndex;
    std::string FText;
    std::vector<TLinkPlace> FLinks;
};

// A link made by Add a non-Adjacent Neighbor, last in the link order.
class TAddLinkCommand : public QUndoCommand {
public:
    TAddLinkCommand(TMapDocument* Document, int32_t Zone1, int32_t Zone2);
    // As link Index, part of Parent: zones and links are given as they will be when Parent's
    // earlier steps have run.
    TAddLinkCommand(TMapDocument* Document, int32_t Index, int32_t Zone1, int32_t Zone2,
                    QUndoCommand* Parent);
    void redo() override;
    void undo() override;

private:
    TMapDocument* FDocument;
    int32_t FIndex;
    int32_t FZone1, FZone2;
};
