// Background composition in the main window: the source bitmaps and the elements placed
// from them, with the New Element dialog.
#include "editor/MainForm.h"

#include "editor/FileDialog.h"
#include "editor/NewElementForm.h"
#include "editor/SortedList.h"
#include "editor/SpinEdit.h"
#include "platform/Application.h"
#include "platform/Text.h"
#include "zonemap/ZoneSpriteSurface.h"

#include <QListWidget>

namespace {

// The name under which the surface knows the bitmap of a list entry: kept with the entry
// as the bytes it was added under, so that no conversion of the shown text can change it.
std::string BitmapNameOf(const QListWidgetItem* Item) {
    const QVariant Name = Item->data(Qt::UserRole);
    if (Name.isValid())
        return Name.toByteArray().toStdString();
    const QString Text = Item->text();
    const qsizetype Colon = Text.indexOf(':');
    return TypedText(Colon < 0 ? Text : Text.left(Colon));
}

std::string BareName(const std::string& Path) {
    const size_t Slash = Path.find_last_of('/');
    return Slash == std::string::npos ? Path : Path.substr(Slash + 1);
}

} // namespace

void TfrmMain::btnAddBitmapClick() {
    dlgOpenBitmap->SetInitialDir(ProgramDir());
    if (!dlgOpenBitmap->Execute())
        return;
    const std::vector<std::string> Files = dlgOpenBitmap->Files();
    if (!InProgramDir(Files.front())) {
        ShowMessage("Bitmaps must reside in Application Directory!");
        return;
    }
    // Bare names are opened from the program's directory, whatever the working directory.
    surface->SetBitmapDirectory(ProgramDir());
    for (const std::string& File : Files) {
        const std::string Name = BareName(File);
        surface->AddBitmap(Name);
        SetModified(true);
        const TBitmapEntry& Entry = surface->Bitmaps().back();
        SortedList::Insert(lbBitmaps,
                           ShownText(Name + ": " + std::to_string(Entry.Factory->Width()) + "x" +
                                     std::to_string(Entry.Factory->Height())),
                           QByteArray::fromStdString(Name));
        RenderNow();
    }
}

void TfrmMain::btnRemoveBitmapClick() {
    QListWidgetItem* Item = lbBitmaps->currentItem();
    if (!Item || !Item->isSelected())
        return;
    surface->RemoveBitmap(BitmapNameOf(Item));
    delete Item;
    // The surface removed the bitmap's elements too: entry i must stay element i.
    FillElementList();
    SetModified(true);
    RenderNow();
}

void TfrmMain::btnAddElementClick() {
    QListWidget* Choices = FNewElement->lbBitmaps;
    Choices->clear();
    for (int Row = 0; Row < lbBitmaps->count(); ++Row)
        Choices->addItem(lbBitmaps->item(Row)->clone());
    Choices->setCurrentRow(-1);
    Choices->clearSelection();
    if (FNewElement->exec() != QDialog::Accepted)
        return;
    const int Index = Choices->currentRow();
    if (Index < 0 || Index >= lbBitmaps->count())
        return;
    surface->AddElement(BitmapNameOf(Choices->item(Index)), FNewElement->spinLeft->Value(),
                        FNewElement->spinTop->Value());
    lbElements->addItem(lbBitmaps->item(Index)->text() + ": " + FNewElement->spinLeft->Text() +
                        "," + FNewElement->spinTop->Text());
    SetModified(true);
    RenderNow();
}

void TfrmMain::btnRemoveElementClick() {
    QListWidgetItem* Item = lbElements->currentItem();
    if (!Item || !Item->isSelected())
        return;
    surface->RemoveElement(lbElements->row(Item));
    delete Item;
    SetModified(true);
    RenderNow();
}
