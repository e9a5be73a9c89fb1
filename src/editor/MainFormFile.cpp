// The main window's file commands: the program's directory rule, load, save, new map set,
// exit, the question before unsaved changes are lost, and the watch on the open file.
#include "editor/MainForm.h"

#include "editor/FileDialog.h"
#include "editor/MapCheckWindow.h"
#include "editor/MapDocument.h"
#include "editor/OverviewWindow.h"
#include "editor/PointsEditorForm.h"
#include "editor/RecoveryCopy.h"
#include "editor/SortedList.h"
#include "platform/Application.h"
#include "platform/Exception.h"
#include "platform/Text.h"
#include "zonemap/ZoneSpriteSurface.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFile>
#include <QFileInfo>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QUndoStack>

namespace {

const std::string ChangedOnDisk = "The map set has been changed by another program.";

std::string AsciiUpper(std::string Text) {
    for (char& C : Text)
        if (C >= 'a' && C <= 'z')
            C = char(C - 'a' + 'A');
    return Text;
}

// Busy cursor and a progress text in the last status panel for as long as it lives, also
// when the work stops with an error.
class TBusy {
public:
    TBusy(std::function<void(const std::string&)> SetText, const std::string& Text)
        : FSetText(std::move(SetText)) {
        Application().SetCursor(TCursor::crHourGlass);
        FSetText(Text);
    }
    ~TBusy() {
        FSetText("");
        Application().SetCursor(TCursor::crDefault);
    }
    TBusy(const TBusy&) = delete;
    TBusy& operator=(const TBusy&) = delete;

private:
    std::function<void(const std::string&)> FSetText;
};

} // namespace

std::string TfrmMain::ProgramDir() {
    return Application().ExeDir();
}

std::string TfrmMain::DirectoryOf(const std::string& Path) {
    const size_t Slash = Path.find_last_of('/');
    return Slash == std::string::npos ? std::string() : Path.substr(0, Slash + 1);
}

std::string TfrmMain::FileNameOf(const std::string& Path) {
    return Path.substr(DirectoryOf(Path).size());
}

bool TfrmMain::InProgramDir(const std::string& Path) {
    std::string Dir = ProgramDir();
    if (Dir.empty() || Dir.back() != '/')
        Dir += '/';
    return AsciiUpper(DirectoryOf(Path)) == AsciiUpper(Dir);
}

void TfrmMain::mniNewMapSetClick() {
    if (!MayDiscardChanges())
        return;
    FFileName.clear();
    FDiskWatch.Forget();
    FDocument->Clear();
    UpdateCaption();
}

void TfrmMain::mniLoadClick() {
    dlgOpenMapSet->SetInitialDir(ProgramDir());
    if (!dlgOpenMapSet->Execute())
        return;
    const std::string Path = dlgOpenMapSet->FileName();
    if (!InProgramDir(Path)) {
        ShowMessage("MapSet Files must reside in Application Directory!");
        return;
    }
    if (!MayDiscardChanges())
        return;
    LoadMapSet(Path);
}

void TfrmMain::LoadMapSet(const std::string& Path) {
    FFileName = Path;
    // Taken before the read: a write while it reads shows as a change later.
    FDiskWatch.Remember(Path);
    try {
        TBusy Busy([this](const std::string& Text) { SetStatus(3, Text, true); },
                   "Loading MapSet...");
        FDocument->Load(Path);
    } catch (...) {
        // What was read stays on the map and in the lists, but it is not the file: a save
        // must ask for a name instead of writing the part over the whole.
        FFileName.clear();
        FDiskWatch.Forget();
        UpdateCaption();
        if (FDocument->StoppedAtLine() > 0)
            SetStatus(3, "MapSet incomplete: loading stopped at line " +
                             std::to_string(FDocument->StoppedAtLine()));
        throw;
    }
    UpdateCaption();
}

void TfrmMain::OpenAtStart(const std::string& Path) {
    if (!QFileInfo(QtFileName(Path)).isFile()) {
        ShowMessage(EFOpenError(Path).what());
        return;
    }
    Application().Guarded([&] { LoadMapSet(Path); });
}

void TfrmMain::OfferRecovery() {
    const std::string Copy = TRecoveryCopy::Leftover();
    if (Copy.empty())
        return;
    const std::string Original = TRecoveryCopy::OriginalOf(Copy);
    QMessageBox Ask(
        QMessageBox::Question, QString::fromStdString(Application().Title()),
        "The editor stopped with unsaved changes to " +
            (Original.empty() ? QString("a new map set") : ShownText(FileNameOf(Original))) +
            ". A copy of them is kept in " + ShownText(FileNameOf(Copy)) + ".",
        QMessageBox::NoButton, this);
    QPushButton* Recover = Ask.addButton("Recover", QMessageBox::AcceptRole);
    Ask.addButton("Discard", QMessageBox::DestructiveRole);
    Ask.exec();
    if (Ask.clickedButton() != Recover) {
        QFile::remove(QtFileName(Copy));
        return;
    }
    RunCommand([&] {
        FDocument->Load(Copy);
        // The copy stands for the map set as it was, unsaved: saving writes the file it
        // came from and removes the copy.
        FFileName = Original;
        if (Original.empty())
            FDiskWatch.Forget();
        else
            FDiskWatch.Remember(Original);
        UndoStack()->resetClean();
        FRecovery->Adopt(Copy);
        UpdateCaption();
    });
}

void TfrmMain::FillLists() {
    std::vector<std::pair<QString, QVariant>> Bitmaps;
    for (const TBitmapEntry& Entry : surface->Bitmaps())
        Bitmaps.emplace_back(BitmapEntryText(Entry), QByteArray::fromStdString(Entry.Name));
    SortedList::Fill(lbBitmaps, std::move(Bitmaps));
    FillElementList();
    std::vector<std::pair<QString, QVariant>> Zones;
    for (int32_t I = 0; I < surface->ZoneCount(); ++I) {
        TZone* Zone = surface->Zone(I);
        if (!Zone->IsSea())
            Zones.emplace_back(ShownText(Zone->Name()),
                               QVariant::fromValue(reinterpret_cast<quintptr>(Zone)));
    }
    SortedList::Fill(lbLandZones, std::move(Zones));
}

void TfrmMain::FillElementList() {
    lbElements->setUpdatesEnabled(false);
    lbElements->clear();
    lbElements->addItems(FDocument->ElementTexts());
    lbElements->setUpdatesEnabled(true);
}

void TfrmMain::mniSaveClick() {
    if (!FFileName.empty())
        SaveCurrentFile();
    else
        mniSaveAsClick();
}

void TfrmMain::mniSaveAsClick() {
    SaveAs();
}

bool TfrmMain::SaveAs() {
    dlgSave->SetInitialDir(ProgramDir());
    if (!dlgSave->Execute())
        return false;
    const std::string Previous = FFileName;
    const auto KeepPrevious = [&] {
        FFileName = Previous;
        UpdateCaption();
    };
    FFileName = dlgSave->FileName();
    bool Saved = false;
    try {
        Saved = SaveCurrentFile();
    } catch (...) {
        KeepPrevious();
        throw;
    }
    if (!Saved)
        KeepPrevious();
    return Saved;
}

bool TfrmMain::SaveCurrentFile() {
    if (!MayOverwriteDisk())
        return false;
    RebuildNeighbors();
    if (!surface->SaveMapSet(FFileName))
        return false;
    FDocument->ReadTextFindings(FFileName);
    // Our own write is no change by another program.
    FDiskWatch.Remember(FFileName);
    MarkSaved(false);
    UpdateCaption();
    ShowMessage("File " + FFileName + " saved");
    return true;
}

void TfrmMain::RebuildNeighbors() {
    TBusy Busy([this](const std::string& Text) { SetStatus(3, Text, true); },
               "Building Neighbors List...");
    FDocument->BuildNeighbors();
}

bool TfrmMain::MayDiscardChanges() {
    if (!Modified())
        return true;
    switch (Application().AskSaveChanges("Save changes to the map set?")) {
    case TSaveChangesAnswer::scDiscard:
        return true;
    case TSaveChangesAnswer::scCancel:
        return false;
    case TSaveChangesAnswer::scSave:
        break;
    }
    bool Saved = false;
    Application().Guarded([&] { Saved = FFileName.empty() ? SaveAs() : SaveCurrentFile(); });
    return Saved;
}

void TfrmMain::mniExitClick() {
    close();
}

void TfrmMain::closeEvent(QCloseEvent* Event) {
    if (!MayDiscardChanges()) {
        Event->ignore();
        return;
    }
    if (FPointsEditor)
        FPointsEditor->hide();
    frmOverview->hide();
    frmMapCheck->hide();
    surface->SetActive(false);
    FRecovery->Remove();
    Event->accept();
}

bool TfrmMain::MayOverwriteDisk() {
    if (FFileName.empty() || FDiskWatch.FileName() != FFileName || !FDiskWatch.Changed())
        return true;
    return Application().AskChoice(ChangedOnDisk + " Overwrite it?", {"Overwrite", "Cancel"}) == 0;
}

void TfrmMain::WatchDisk() {
    if (auto* App = qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        connect(App, &QGuiApplication::applicationStateChanged, this,
                [this](Qt::ApplicationState State) {
                    if (State == Qt::ApplicationActive)
                        CheckDiskSoon();
                });
}

void TfrmMain::changeEvent(QEvent* Event) {
    QMainWindow::changeEvent(Event);
    if (Event->type() == QEvent::ActivationChange && isActiveWindow())
        CheckDiskSoon();
}

void TfrmMain::CheckDiskSoon() {
    if (FDiskCheckDue)
        return;
    FDiskCheckDue = true;
    // The focus comes back while dialogs close and while frames pump events: the question
    // waits until no command runs. Behind a modal box it is dropped; the window's
    // activation when the box closes asks again.
    QTimer::singleShot(0, this, [this] {
        FDiskCheckDue = false;
        if (QApplication::activeModalWidget() != nullptr)
            return;
        if (FRenderHold > 0 || FRendering) {
            QTimer::singleShot(100, this, [this] { CheckDiskSoon(); });
            return;
        }
        RunCommand([this] { OfferReload(); });
    });
}

void TfrmMain::OfferReload() {
    if (FFileName.empty() || FDiskWatch.FileName() != FFileName ||
        !FDiskWatch.ChangedSinceReported())
        return;
    if (Application().AskChoice(ChangedOnDisk + " Reload it?", {"Reload", "Keep"}) != 0)
        return;
    if (!MayDiscardChanges())
        return;
    const std::string Path = FFileName;
    LoadMapSet(Path);
}
