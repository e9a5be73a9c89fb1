#pragma once

#include "platform/Application.h"

#include <QObject>

#include <string>
#include <vector>

// A file dialog component of a form: its settings, shown through the application's dialog
// hooks (so tests script it), and the files chosen the last time it was confirmed.
class TFileDialog : public QObject {
    Q_OBJECT
public:
    enum class TKind { fdOpen, fdSave };

    TFileDialog(TKind AKind, const char* AName, TFileDialogOptions AOptions, QObject* Parent);

    TFileDialogOptions& Options() { return FOptions; }
    const TFileDialogOptions& Options() const { return FOptions; }
    void SetInitialDir(const std::string& Value) { FOptions.InitialDir = Value; }

    // True when the user confirmed; Files() then holds the full paths chosen.
    bool Execute();
    const std::vector<std::string>& Files() const { return FFiles; }
    std::string FileName() const { return FFiles.empty() ? std::string() : FFiles.front(); }

private:
    TKind FKind;
    TFileDialogOptions FOptions;
    std::vector<std::string> FFiles;
};
