#include "platform/FileWrite.h"

#include "platform/Exception.h"
#include "platform/FileOpen.h"

#include <QFile>
#include <QRandomGenerator>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace {

std::string SystemReason(int Errno) {
    return std::generic_category().message(Errno != 0 ? Errno : EIO);
}

[[noreturn]] void WriteFailed(const std::string& FileName, const std::string& Reason) {
    throw EStreamError("Cannot write file " + FileName + ": " + Reason);
}

// Writes through File, keeping the system's reason of a failure.
TCheckedOutput::TSink SinkOf(QFile& File) {
    return [&File](const char* Data, qint64 Size) { return File.write(Data, Size) == Size; };
}

// Where a link points, so that the file it names is replaced and the link itself stays.
std::string ResolvedTarget(const std::string& FileName) {
    char Resolved[PATH_MAX];
    if (::realpath(FileName.c_str(), Resolved) != nullptr)
        return Resolved;
    return FileName;
}

// A new file beside Target that no one else has: O_EXCL under a random name.
std::string CreateTemporary(const std::string& Target, QFile& File) {
    const size_t Slash = Target.rfind('/');
    const std::string Directory =
        Slash == std::string::npos ? std::string() : Target.substr(0, Slash + 1);
    const std::string Base = Slash == std::string::npos ? Target : Target.substr(Slash + 1);
    for (int Attempt = 0; Attempt < 100; ++Attempt) {
        const std::string Name = Directory + "." + Base + "." +
                                 std::to_string(QRandomGenerator::global()->generate()) + ".tmp";
        if (OpenFileForWriting(Name, O_WRONLY | O_CREAT | O_EXCL, 0666, File))
            return Name;
        if (errno != EEXIST)
            break;
    }
    throw EFCreateError(Target, SystemReason(errno));
}

void WriteDirectly(const std::string& FileName, const std::function<void(TCheckedOutput&)>& Write) {
    QFile File;
    if (!OpenFileForWriting(FileName, O_WRONLY | O_TRUNC, 0666, File))
        throw EFCreateError(FileName, SystemReason(errno));
    TCheckedOutput Output(SinkOf(File));
    Write(Output);
    if (Output.Failed())
        WriteFailed(FileName, Output.Reason());
}

} // namespace

void WriteWholeFile(const std::string& FileName, const char* Data, size_t Size) {
    WriteWholeFile(FileName, [&](TCheckedOutput& Device) { Device.write(Data, qint64(Size)); });
}

void WriteWholeFile(const std::string& FileName,
                    const std::function<void(TCheckedOutput&)>& Write) {
    struct stat Old {};
    const bool Exists = ::stat(FileName.c_str(), &Old) == 0;
    if (Exists && S_ISDIR(Old.st_mode))
        throw EFCreateError(FileName, SystemReason(EISDIR));
    if (Exists && !S_ISREG(Old.st_mode)) {
        WriteDirectly(FileName, Write);
        return;
    }
    const std::string Target = Exists ? ResolvedTarget(FileName) : FileName;
    QFile File;
    const std::string Temporary = CreateTemporary(Target, File);
    try {
        if (Exists) {
            // The owner first: changing it may clear the set-id bits that the mode restores.
            // Refused for other users' files unless root: the file is then the saver's.
            if (::fchown(File.handle(), Old.st_uid, Old.st_gid) != 0)
                (void)::fchown(File.handle(), uid_t(-1), Old.st_gid);
            ::fchmod(File.handle(), Old.st_mode & 07777);
        }
        TCheckedOutput Output(SinkOf(File));
        Write(Output);
        if (Output.Failed())
            WriteFailed(FileName, Output.Reason());
        if (::fsync(File.handle()) != 0)
            WriteFailed(FileName, SystemReason(errno));
        File.close();
        if (::rename(Temporary.c_str(), Target.c_str()) != 0)
            WriteFailed(FileName, SystemReason(errno));
    } catch (...) {
        File.close();
        ::unlink(Temporary.c_str());
        throw;
    }
}
