#pragma once

#include "zonemap/ZoneSpriteSurface.h"

#include <QString>
#include <QUndoCommand>

#include <cstdint>
#include <string>
#include <vector>

class TfrmMain;

// The undoable changes to a map set, one class per kind. Zones, links, bitmaps and
// elements are named by their positions, never by pointers: an undo makes new objects, so
// only the positions stay the same from one step to the next. Each command's undo leaves
// the map set exactly as it was before it: the same zones, links, bitmaps and elements in
// the same order, and the same list entries.

// A new zone, last in the zone order (Create New Zone and Create Standard Sea Zone).
class TCreateZoneCommand : public QUndoCommand {
public:
    // Text: the zone text without neighbours (points, name, sea flag).
    TCreateZoneCommand(TfrmMain* Form, int32_t Index, std::string Text, const QString& Name,
                       QUndoCommand* Parent = nullptr);
    void redo() override;
    void undo() override;

private:
    TfrmMain* FForm;
    int32_t FIndex;
    std::string FText;
};

// A zone deleted with its links.
class TDeleteZoneCommand : public QUndoCommand {
public:
    TDeleteZoneCommand(TfrmMain* Form, int32_t Index, QUndoCommand* Parent = nullptr);
    void redo() override;
    void undo() override;

private:
    struct TLinkPlace {
        int32_t Index, Zone1, Zone2;
    };
    TfrmMain* FForm;
    int32_t FIndex;
    std::string FText;
    std::vector<TLinkPlace> FLinks;
};

// A link made by Add a non-Adjacent Neighbor, last in the link order.
class TAddLinkCommand : public QUndoCommand {
public:
    TAddLinkCommand(TfrmMain* Form, int32_t Zone1, int32_t Zone2);
    void redo() override;
    void undo() override;

private:
    TfrmMain* FForm;
    int32_t FIndex;
    int32_t FZone1, FZone2;
};

// A source bitmap added (already read when the command is made; redo puts the same
// picture back without reading the file again).
class TAddBitmapCommand : public QUndoCommand {
public:
    TAddBitmapCommand(TfrmMain* Form, int32_t Index);
    void redo() override;
    void undo() override;

private:
    TfrmMain* FForm;
    int32_t FIndex;
    TBitmapEntry FTaken;
    bool FDone = true;
};

// A source bitmap removed with every element made from it.
class TRemoveBitmapCommand : public QUndoCommand {
public:
    TRemoveBitmapCommand(TfrmMain* Form, int32_t Index);
    void redo() override;
    void undo() override;

private:
    TfrmMain* FForm;
    int32_t FIndex;
    std::vector<TZoneSpriteSurface::TElementPlace> FElements;
    QStringList FElementList;
    TBitmapEntry FTaken;
};

// An element placed from the New Element dialog, last in the element order.
class TAddElementCommand : public QUndoCommand {
public:
    TAddElementCommand(TfrmMain* Form, std::string BitmapName, int32_t X, int32_t Y,
                       const QString& ListText);
    void redo() override;
    void undo() override;

private:
    TfrmMain* FForm;
    int32_t FIndex;
    TZoneSpriteSurface::TElementPlace FPlace;
    QString FListText;
};

// An element removed by its index.
class TRemoveElementCommand : public QUndoCommand {
public:
    TRemoveElementCommand(TfrmMain* Form, int32_t Index);
    void redo() override;
    void undo() override;

private:
    TfrmMain* FForm;
    TZoneSpriteSurface::TElementPlace FPlace;
    QString FListText;
};
