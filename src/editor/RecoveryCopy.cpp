#include "editor/RecoveryCopy.h"

#include "editor/MapDocument.h"
#include "platform/Application.h"
#include "platform/Text.h"
#include "zonemap/ZoneSpriteSurface.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QTimer>
#include <QUndoStack>

TRecoveryCopy::TRecoveryCopy(TMapDocument* Document, std::function<std::string()> FileName,
                             QObject* Parent)
    : QObject(Parent), FDocument(Document), FFileName(std::move(FileName)),
      FTimer(new QTimer(this)) {
    FTimer->setInterval(DefaultInterval);
    connect(FTimer, &QTimer::timeout, this, &TRecoveryCopy::Due);
    FTimer->start();
    connect(FDocument->UndoStack(), &QUndoStack::cleanChanged, this, [this](bool Clean) {
        if (Clean)
            Remove();
    });
}

void TRecoveryCopy::SetInterval(int Milliseconds) {
    FTimer->setInterval(Milliseconds);
    FTimer->start();
}

std::string TRecoveryCopy::PathFor(const std::string& FileName) {
    if (!FileName.empty())
        return FileName + Suffix;
    std::string Dir = Application().ExeDir();
    if (!Dir.empty() && Dir.back() != '/')
        Dir += '/';
    return Dir + UnnamedFile + Suffix;
}

std::string TRecoveryCopy::OriginalOf(const std::string& CopyPath) {
    const std::string Suffixed = std::string(UnnamedFile) + Suffix;
    if (CopyPath.size() >= Suffixed.size() &&
        CopyPath.compare(CopyPath.size() - Suffixed.size(), Suffixed.size(), Suffixed) == 0 &&
        (CopyPath.size() == Suffixed.size() ||
         CopyPath[CopyPath.size() - Suffixed.size() - 1] == '/'))
        return "";
    return CopyPath.substr(0, CopyPath.size() - std::string(Suffix).size());
}

std::string TRecoveryCopy::Leftover() {
    const QDir Dir(QtFileName(Application().ExeDir()));
    const QFileInfoList Found =
        Dir.entryInfoList({QString("*.mapset") + Suffix}, QDir::Files, QDir::Time);
    return Found.isEmpty() ? std::string() : FileNameBytes(Found.front().absoluteFilePath());
}

bool TRecoveryCopy::WriteNow() {
    if (!FDocument->Modified())
        return false;
    std::string Text;
    {
        // The checks' complaints (names that a save refuses) are for the saves the user
        // asks for; the copy is the map set as it is.
        const auto Quiet =
            Application().SetMessageHook([](const std::string&, const std::string&) {});
        const bool Checked = FDocument->Surface().CheckedMapSetText(Text);
        Application().SetMessageHook(Quiet);
        if (!Checked)
            return false;
    }
    const std::string Path = PathFor(FFileName());
    QSaveFile File(QtFileName(Path));
    if (!File.open(QIODevice::WriteOnly) ||
        File.write(Text.data(), qint64(Text.size())) != qint64(Text.size()) || !File.commit())
        return false;
    if (!FWritten.empty() && FWritten != Path)
        QFile::remove(QtFileName(FWritten));
    FWritten = Path;
    return true;
}

void TRecoveryCopy::Remove() {
    if (!FWritten.empty())
        QFile::remove(QtFileName(FWritten));
    FWritten.clear();
}

void TRecoveryCopy::Due() {
    if (Busy && Busy()) {
        QTimer::singleShot(1000, this, &TRecoveryCopy::Due);
        return;
    }
    Application().Guarded([this] { WriteNow(); });
}
