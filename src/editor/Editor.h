#pragma once

#include <QStringList>

#include <memory>
#include <string>

class TfrmMain;

// What the command line asks for: `zonewright [FILE.mapset | DIR]`.
struct TEditorStart {
    // The program's directory for the directory rule, the dialogs and the bitmaps; empty
    // keeps the executable's.
    std::string ProgramDir;
    // The map set to open once the window is shown; empty for none.
    std::string MapSetFile;
};

// A directory stands for the program's directory; a map set opens at start and its
// directory stands for the program's.
TEditorStart ParseEditorArguments(const QStringList& Arguments);

// Sets the application's title and font and the program's directory, then creates the
// forms in their order (the main window, the New Element dialog, the points editor, the
// grid size dialog); the main window owns the others. The program entry and the tests
// both start the editor through it.
std::unique_ptr<TfrmMain> CreateForms(const TEditorStart& Start);

// The program entry: a QApplication, the forms, the map set of the command line, the
// message loop until the main window closes.
int RunEditor(int argc, char** argv);
