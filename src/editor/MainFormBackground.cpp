// Background composition in the main window: the source bitmaps and the elements placed
// from them, with the New Element dialog.
#include "editor/MainForm.h"

#include "editor/AddPictureDialog.h"
#include "editor/BackgroundCommands.h"
#include "editor/FileDialog.h"
#include "editor/MapDocument.h"
#include "editor/NewElementForm.h"
#include "editor/PictureWorker.h"
#include "editor/SortedList.h"
#include "editor/SpinEdit.h"
#include "graphics/ColorPalette.h"
#include "platform/Application.h"
#include "platform/Text.h"
#include "zonemap/ZoneSpriteSurface.h"

#include <QListWidget>
#include <QUndoStack>

#include <cmath>
#include <cstdio>
#include <set>

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
    // A file that cannot be added (not 8-bit, unreadable) is named and skipped; the ones
    // after it are still added, each as its own step of Undo.
    std::string Refused;
    for (const std::string& File : Files) {
        const std::string Name = FileNameOf(File);
        try {
            FDocument->Push(new TAddBitmapCommand(FDocument, Name));
        } catch (const std::exception& Error) {
            Refused += (Refused.empty() ? "" : "\n") + Name + ": " + Error.what();
        }
    }
    if (!Refused.empty())
        ShowMessage("These bitmaps were not added:\n" + Refused);
}

void TfrmMain::btnAddPictureClick() {
    dlgOpenPicture->SetInitialDir(ProgramDir());
    if (!dlgOpenPicture->Execute())
        return;
    const std::string Picture = dlgOpenPicture->FileName();
    std::set<std::string> Names;
    for (const TBitmapEntry& Entry : surface->Bitmaps())
        Names.insert(Entry.Name);
    // With bitmaps in the map, the colours in force are theirs and must stay as they are.
    const bool MapColours = !Names.empty();
    TdlgAddPicture Options(Picture, ProgramDir(), Names, MapColours, this);
    if (Options.exec() != QDialog::Accepted)
        return;
    std::vector<TRGBQuad> Palette;
    if (MapColours)
        for (int I = 0; I < 256; ++I) {
            const uint32_t E = palMain->Entries(I);
            Palette.push_back({uint8_t(E >> 16), uint8_t(E >> 8), uint8_t(E), 0});
        }
    TConvertedPicture Converted;
    if (!ConvertPictureInWorker(this, Picture, Palette, Options.Dither(), Converted)) {
        SetStatus(3, "Add Picture cancelled");
        return;
    }
    const std::string Name = Options.BitmapName();
    std::string Directory = ProgramDir();
    if (!Directory.empty() && Directory.back() != '/')
        Directory += '/';
    SaveConvertedPicture(Converted, Directory + Name);
    surface->SetBitmapDirectory(ProgramDir());
    FDocument->Push(new TAddBitmapCommand(FDocument, Name));

    std::string Report =
        FileNameOf(Picture) + " was converted to " + Name + " (" + std::to_string(Converted.Width) +
        "x" + std::to_string(Converted.Height) + ") with " +
        (MapColours ? std::string("the map's colours")
                    : std::to_string(Converted.ColorCount) + " colours of its own");
    if (Converted.MeanSquaredError <= 0) {
        Report += ", exactly.";
    } else {
        char Figures[160];
        std::snprintf(Figures, sizeof Figures,
                      ", with a colour error of %.1f of 255 per channel (root mean square; "
                      "PSNR %.1f dB).",
                      std::sqrt(Converted.MeanSquaredError), Converted.PSNR());
        Report += Figures;
    }
    ShowMessage(Report);
}

void TfrmMain::btnRemoveBitmapClick() {
    QListWidgetItem* Item = lbBitmaps->currentItem();
    if (!Item || !Item->isSelected())
        return;
    const int32_t Index = surface->BitmapIndex(BitmapNameOf(Item));
    if (Index < 0) {
        delete Item;
        return;
    }
    FDocument->Push(new TRemoveBitmapCommand(FDocument, Index));
}

void TfrmMain::btnAddElementClick() {
    QListWidget* Choices = FNewElement->lbBitmaps;
    Choices->clear();
    for (int Row = 0; Row < lbBitmaps->count(); ++Row)
        Choices->addItem(lbBitmaps->item(Row)->clone());
    // The first bitmap starts chosen, so OK works at once with a single bitmap.
    Choices->clearSelection();
    Choices->setCurrentRow(Choices->count() > 0 ? 0 : -1);
    if (FNewElement->exec() != QDialog::Accepted)
        return;
    const int Index = Choices->currentRow();
    if (Index < 0 || Index >= lbBitmaps->count())
        return;
    const std::string Name = BitmapNameOf(Choices->item(Index));
    if (surface->BitmapIndex(Name) < 0)
        return;
    FDocument->Push(new TAddElementCommand(
        FDocument, Name, FNewElement->spinLeft->Value(), FNewElement->spinTop->Value(),
        lbBitmaps->item(Index)->text() + ": " + FNewElement->spinLeft->Text() + "," +
            FNewElement->spinTop->Text()));
}

void TfrmMain::btnRemoveElementClick() {
    QListWidgetItem* Item = lbElements->currentItem();
    if (!Item || !Item->isSelected())
        return;
    FDocument->Push(new TRemoveElementCommand(FDocument, lbElements->row(Item)));
}

QString TfrmMain::BitmapEntryText(const TBitmapEntry& Entry) {
    return ShownText(Entry.Name + ": " + std::to_string(Entry.Factory->Width()) + "x" +
                     std::to_string(Entry.Factory->Height()));
}

QListWidgetItem* TfrmMain::BitmapEntry(const std::string& Name) const {
    for (int Row = 0; Row < lbBitmaps->count(); ++Row)
        if (BitmapNameOf(lbBitmaps->item(Row)) == Name)
            return lbBitmaps->item(Row);
    return nullptr;
}
