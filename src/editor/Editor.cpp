#include "editor/Editor.h"

#include "editor/BitmapPreview.h"
#include "editor/GridSizeForm.h"
#include "editor/MainForm.h"
#include "editor/NewElementForm.h"
#include "editor/PointsEditorForm.h"
#include "editor/StartProbe.h"
#include "platform/Application.h"
#include "platform/Text.h"

#include <QApplication>
#include <QFileInfo>
#include <QFontDatabase>
#include <QIcon>
#include <QSettings>

TEditorStart ParseEditorArguments(const QStringList& Arguments) {
    TEditorStart Start;
    if (Arguments.size() < 2)
        return Start;
    const QFileInfo Given(Arguments.at(1));
    if (Given.isDir()) {
        Start.ProgramDir = FileNameBytes(Given.absoluteFilePath());
        return Start;
    }
    Start.MapSetFile = FileNameBytes(Given.absoluteFilePath());
    if (QFileInfo(Given.absolutePath()).isDir())
        Start.ProgramDir = FileNameBytes(Given.absolutePath());
    return Start;
}

std::unique_ptr<TfrmMain> CreateForms(const TEditorStart& Start) {
    Application().SetTitle("Korvane 4.0 Zonewright");
    Application().SetExeDir(Start.ProgramDir);
    // The desktop's sans-serif at a size at which every caption fits its control at the
    // design sizes.
    QFont Font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    Font.setPixelSize(11);
    QApplication::setFont(Font);

    auto frmMain = std::make_unique<TfrmMain>();
    auto* dlgNewElement = new TdlgNewElement(frmMain.get());
    auto* frmPointsEditor = new TfrmPointsEditor(frmMain.get());
    auto* dlgGridSize = new TdlgGridSize(frmMain.get());
    frmMain->SetForms(dlgNewElement, frmPointsEditor, dlgGridSize);
    frmMain->KeepWindowPlaces({});
    frmMain->setWindowIcon(QIcon(":/zonewright.png"));
    return frmMain;
}

int RunEditor(int argc, char** argv) {
    TStartProbe Probe;
    QApplication App(argc, argv);
    Probe.QtStarted();
    App.setDesktopFileName("zonewright");
    Application().SetOpenDialogHook(ExecuteOpenDialogWithPreview);
    const TEditorStart Start = ParseEditorArguments(App.arguments());
    std::unique_ptr<TfrmMain> frmMain = CreateForms(Start);
    // Only the program itself keeps places in the user's settings; tests keep their own.
    frmMain->KeepWindowPlaces(
        QSettings(QSettings::IniFormat, QSettings::UserScope, "Zonewright", "zonewright")
            .fileName());
    frmMain->show();
    Probe.WindowShown(*frmMain);
    if (!Start.MapSetFile.empty())
        frmMain->OpenAtStart(Start.MapSetFile);
    Probe.Loaded();
    frmMain->OfferRecovery();
    const int Result = App.exec();
    frmMain.reset();
    return Result;
}
