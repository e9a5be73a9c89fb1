#include "editor/FileDialog.h"

TFileDialog::TFileDialog(TKind AKind, const char* AName, TFileDialogOptions AOptions,
                         QObject* Parent)
    : QObject(Parent), FKind(AKind), FOptions(std::move(AOptions)) {
    setObjectName(AName);
}

bool TFileDialog::Execute() {
    FFiles.clear();
    if (FKind == TKind::fdOpen) {
        std::vector<std::string> Files;
        if (!Application().ExecuteOpenDialog(FOptions, Files) || Files.empty())
            return false;
        FFiles = std::move(Files);
        return true;
    }
    std::string File;
    if (!Application().ExecuteSaveDialog(FOptions, File) || File.empty())
        return false;
    // The dialog adds the default extension when the user typed none.
    const size_t Slash = File.find_last_of('/');
    const size_t Dot = File.find_last_of('.');
    if (!FOptions.DefaultExt.empty() &&
        (Dot == std::string::npos || (Slash != std::string::npos && Dot < Slash)))
        File += "." + FOptions.DefaultExt;
    FFiles.push_back(File);
    return true;
}
