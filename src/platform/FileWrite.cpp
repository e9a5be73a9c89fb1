#include "platform/FileWrite.h"

#include "platform/Exception.h"
#include "platform/Text.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <cerrno>
#include <system_error>

namespace {

// Qt loses the reason of some failed writes ("Unknown error" for a file-size limit); the
// system's errno, read at once, still has it.
std::string Reason(int Errno, const QFileDevice& File) {
    if (Errno != 0)
        return std::generic_category().message(Errno);
    return TypedText(File.errorString());
}

[[noreturn]] void WriteFailed(const std::string& FileName, int Errno, const QFileDevice& File) {
    throw EStreamError("Cannot write file " + FileName + ": " + Reason(Errno, File));
}

} // namespace

void WriteWholeFile(const std::string& FileName, const char* Data, size_t Size) {
    const QString Name = QtFileName(FileName);
    const QFileInfo Info(Name);
    if (Info.exists() && !Info.isFile() && !Info.isDir()) {
        QFile File(Name);
        errno = 0;
        if (!File.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
            throw EFCreateError(FileName, Reason(errno, File));
        errno = 0;
        if (File.write(Data, qint64(Size)) != qint64(Size))
            WriteFailed(FileName, errno, File);
        return;
    }
    // Unbuffered: a buffered QSaveFile flushes at commit without noting a failed write
    // there, and would rename a file cut short over the old one.
    QSaveFile File(Name);
    errno = 0;
    if (!File.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        throw EFCreateError(FileName, Reason(errno, File));
    errno = 0;
    if (File.write(Data, qint64(Size)) != qint64(Size) || !File.commit()) {
        const int Errno = errno;
        File.cancelWriting();
        WriteFailed(FileName, Errno, File);
    }
}
