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
    FFiles.push_back(File);
    return true;
}
