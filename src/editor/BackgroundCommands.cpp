#include "editor/BackgroundCommands.h"

#include "editor/MapDocument.h"
#include "platform/Text.h"

TAddBitmapCommand::TAddBitmapCommand(TMapDocument* Document, std::string Name)
    : QUndoCommand("Add Bitmap " + ShownText(Name)), FDocument(Document), FName(std::move(Name)) {}

void TAddBitmapCommand::redo() {
    if (FTaken.Factory)
        FDocument->InsertBitmapAt(FIndex, std::move(FTaken));
    else
        FIndex = FDocument->AddBitmap(FName);
}

void TAddBitmapCommand::undo() {
    FTaken = FDocument->TakeBitmapAt(FIndex);
}

TRemoveBitmapCommand::TRemoveBitmapCommand(TMapDocument* Document, int32_t Index)
    : FDocument(Document), FIndex(Index), FElementTexts(Document->ElementTexts()) {
    const TZoneSpriteSurface& Surface = Document->Surface();
    const TBitmapEntry& Entry = Surface.Bitmaps().at(size_t(Index));
    setText("Remove Bitmap " + ShownText(Entry.Name));
    for (int32_t E = 0; E < Surface.ElementCount(); ++E)
        if (Surface.Element(E)->Factory() == Entry.Factory.get())
            FElements.push_back(Document->ElementPlace(E));
}

void TRemoveBitmapCommand::redo() {
    FTaken = FDocument->TakeBitmapAt(FIndex);
}

void TRemoveBitmapCommand::undo() {
    FDocument->InsertBitmapAt(FIndex, std::move(FTaken));
    FDocument->InsertElementsAt(FElements);
    FDocument->SetElementTexts(FElementTexts);
}

TAddElementCommand::TAddElementCommand(TMapDocument* Document, std::string BitmapName, int32_t X,
                                       int32_t Y, const QString& ListText)
    : QUndoCommand("Add Element " + ShownText(BitmapName)), FDocument(Document),
      FListText(ListText) {
    // Admitted with the next frame, in front of the others, as any new element.
    FPlace = {Document->Surface().ElementCount(), std::move(BitmapName), X, Y, -1};
}

void TAddElementCommand::redo() {
    FDocument->InsertElementsAt({FPlace}, {FListText});
}

void TAddElementCommand::undo() {
    FDocument->RemoveElementAt(FPlace.Index);
}

TRemoveElementCommand::TRemoveElementCommand(TMapDocument* Document, int32_t Index)
    : FDocument(Document), FPlace(Document->ElementPlace(Index)),
      FListText(Document->ElementTexts().value(Index)) {
    setText("Remove Element " + ShownText(FPlace.BitmapName));
}

void TRemoveElementCommand::redo() {
    FDocument->RemoveElementAt(FPlace.Index);
}

void TRemoveElementCommand::undo() {
    FDocument->InsertElementsAt({FPlace}, {FListText});
}
