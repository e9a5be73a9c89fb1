#include "editor/UndoCommands.h"

#include "editor/MainForm.h"
#include "platform/Text.h"

#include <cmath>

namespace {

// Where an element is now: enough to make it again in the same place of both orders.
TZoneSpriteSurface::TElementPlace PlaceOf(const TZoneSpriteSurface& Surface, int32_t Index) {
    const TCompressedBitmapSprite* Sprite = Surface.Element(Index);
    return {Index, Surface.ElementNames()[size_t(Index)].Name, int32_t(std::trunc(Sprite->X())),
            int32_t(std::trunc(Sprite->Y())), Surface.ElementDrawnIndex(Index)};
}

} // namespace

TCreateZoneCommand::TCreateZoneCommand(TfrmMain* Form, int32_t Index, std::string Text,
                                       const QString& Name, QUndoCommand* Parent)
    : QUndoCommand("Create Zone " + Name, Parent), FForm(Form), FIndex(Index),
      FText(std::move(Text)) {}

void TCreateZoneCommand::redo() {
    FForm->InsertZoneAt(FIndex, FText);
}

void TCreateZoneCommand::undo() {
    FForm->RemoveZoneAt(FIndex);
}

TDeleteZoneCommand::TDeleteZoneCommand(TfrmMain* Form, int32_t Index, QUndoCommand* Parent)
    : QUndoCommand(Parent), FForm(Form), FIndex(Index) {
    const TZoneSpriteSurface& Surface = *Form->surface;
    const TZone* Zone = Surface.Zone(Index);
    setText("Delete Zone " + ShownText(Zone->Name()));
    FText = TfrmMain::ZoneDefinition(Zone);
    for (int32_t L = 0; L < Surface.LinkCount(); ++L) {
        const TLink* Link = Surface.Link(L);
        if (Link->Zone1 == Zone || Link->Zone2 == Zone)
            FLinks.push_back({L, Link->Zone1->Index(), Link->Zone2->Index()});
    }
}

void TDeleteZoneCommand::redo() {
    FForm->RemoveZoneAt(FIndex);
}

void TDeleteZoneCommand::undo() {
    FForm->InsertZoneAt(FIndex, FText);
    // In link order, each at its old place, so the links come back as they were.
    for (const TLinkPlace& L : FLinks)
        FForm->InsertLinkAt(L.Index, L.Zone1, L.Zone2);
}

TAddLinkCommand::TAddLinkCommand(TfrmMain* Form, int32_t Zone1, int32_t Zone2)
    : FForm(Form), FIndex(Form->surface->LinkCount()), FZone1(Zone1), FZone2(Zone2) {
    setText("Link " + ShownText(Form->surface->Zone(Zone1)->Name()) + " and " +
            ShownText(Form->surface->Zone(Zone2)->Name()));
}

void TAddLinkCommand::redo() {
    FForm->InsertLinkAt(FIndex, FZone1, FZone2);
}

void TAddLinkCommand::undo() {
    FForm->RemoveLinkAt(FIndex);
}

TAddBitmapCommand::TAddBitmapCommand(TfrmMain* Form, int32_t Index) : FForm(Form), FIndex(Index) {
    setText("Add Bitmap " + ShownText(Form->surface->Bitmaps().at(size_t(Index)).Name));
}

void TAddBitmapCommand::redo() {
    // The first time the bitmap was read and listed by the command that made this one.
    if (FDone) {
        FDone = false;
        return;
    }
    FForm->InsertBitmapAt(FIndex, std::move(FTaken));
}

void TAddBitmapCommand::undo() {
    FTaken = FForm->TakeBitmapAt(FIndex, false);
}

TRemoveBitmapCommand::TRemoveBitmapCommand(TfrmMain* Form, int32_t Index)
    : FForm(Form), FIndex(Index) {
    const TZoneSpriteSurface& Surface = *Form->surface;
    const TBitmapEntry& Entry = Surface.Bitmaps().at(size_t(Index));
    setText("Remove Bitmap " + ShownText(Entry.Name));
    for (int32_t E = 0; E < Surface.ElementCount(); ++E)
        if (Surface.Element(E)->Factory() == Entry.Factory.get())
            FElements.push_back(PlaceOf(Surface, E));
    FElementList = Form->ElementEntries();
}

void TRemoveBitmapCommand::redo() {
    FTaken = FForm->TakeBitmapAt(FIndex, true);
}

void TRemoveBitmapCommand::undo() {
    FForm->InsertBitmapAt(FIndex, std::move(FTaken));
    FForm->InsertElementsAt(FElements, {});
    FForm->SetElementEntries(FElementList);
}

TAddElementCommand::TAddElementCommand(TfrmMain* Form, std::string BitmapName, int32_t X, int32_t Y,
                                       const QString& ListText)
    : QUndoCommand("Add Element " + ShownText(BitmapName)), FForm(Form),
      FIndex(Form->surface->ElementCount()), FListText(ListText) {
    // Admitted with the next frame, in front of the others, as any new element.
    FPlace = {FIndex, std::move(BitmapName), X, Y, -1};
}

void TAddElementCommand::redo() {
    FForm->InsertElementsAt({FPlace}, {FListText});
}

void TAddElementCommand::undo() {
    FForm->RemoveElementAt(FIndex);
}

TRemoveElementCommand::TRemoveElementCommand(TfrmMain* Form, int32_t Index)
    : FForm(Form), FPlace(PlaceOf(*Form->surface, Index)),
      FListText(Form->ElementEntries().value(Index)) {
    setText("Remove Element " + ShownText(FPlace.BitmapName));
}

void TRemoveElementCommand::redo() {
    FForm->RemoveElementAt(FPlace.Index);
}

void TRemoveElementCommand::undo() {
    FForm->InsertElementsAt({FPlace}, {FListText});
}
