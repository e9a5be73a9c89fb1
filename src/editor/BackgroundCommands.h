#pragma once

#include "zonemap/ZoneSpriteSurface.h"

#include <QString>
#include <QStringList>
#include <QUndoCommand>

#include <cstdint>
#include <string>
#include <vector>

class TMapDocument;

// The undoable changes to the background: source bitmaps and the elements placed from
// them, named by their positions. Each undo leaves the bitmaps, the elements (in both
// orders) and the element list's texts exactly as they were before.

// A source bitmap read from its file, last in the bitmap order. The file is read once;
// a redo puts the same picture back.
class TAddBitmapCommand : public QUndoCommand {
public:
    TAddBitmapCommand(TMapDocument* Document, std::string Name);
    void redo() override;
    void undo() override;

private:
    TMapDocument* FDocument;
    std::string FName;
    int32_t FIndex = -1;
    TBitmapEntry FTaken;
};

// A source bitmap removed with every element made from it.
class TRemoveBitmapCommand : public QUndoCommand {
public:
    TRemoveBitmapCommand(TMapDocument* Document, int32_t Index);
    void redo() override;
    void undo() override;

private:
    TMapDocument* FDocument;
    int32_t FIndex;
    std::vector<TZoneSpriteSurface::TElementPlace> FElements;
    QStringList FElementTexts;
    TBitmapEntry FTaken;
};

// An element placed from the New Element dialog, last in the element order.
class TAddElementCommand : public QUndoCommand {
public:
    TAddElementCommand(TMapDocument* Document, std::string BitmapName, int32_t X, int32_t Y,
                       const QString& ListText);
    void redo() override;
    void undo() override;

private:
    TMapDocument* FDocument;
    TZoneSpriteSurface::TElementPlace FPlace;
    QString FListText;
};

// An element removed by its index.
class TRemoveElementCommand : public QUndoCommand {
public:
    TRemoveElementCommand(TMapDocument* Document, int32_t Index);
    void redo() override;
    void undo() override;

private:
    TMapDocument* FDocument;
    TZoneSpriteSurface::TElementPlace FPlace;
    QString FListText;
};
