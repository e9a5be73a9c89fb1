#include "platform/FileOpen.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace {

bool Adopt(int Fd, QIODevice::OpenMode Mode, QFile& File) {
    if (File.open(Fd, Mode, QFileDevice::AutoCloseHandle))
        return true;
    const int Errno = errno;
    ::close(Fd);
    errno = Errno != 0 ? Errno : EIO;
    return false;
}

} // namespace

bool OpenRegularFileForReading(const std::string& Name, QFile& File) {
    // Non-blocking, so that opening a FIFO returns at once; it is refused below.
    const int Fd = ::open(Name.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (Fd < 0)
        return false;
    struct stat Info {};
    if (::fstat(Fd, &Info) != 0 || !S_ISREG(Info.st_mode)) {
        ::close(Fd);
        errno = EINVAL;
        return false;
    }
    const int Flags = ::fcntl(Fd, F_GETFL);
    if (Flags >= 0)
        ::fcntl(Fd, F_SETFL, Flags & ~O_NONBLOCK);
    return Adopt(Fd, QIODevice::ReadOnly, File);
}

bool IsRegularFile(const std::string& Name) {
    struct stat Info {};
    return ::stat(Name.c_str(), &Info) == 0 && S_ISREG(Info.st_mode);
}

bool OpenFileForWriting(const std::string& Name, int Flags, unsigned Mode, QFile& File) {
    const int Fd = ::open(Name.c_str(), Flags | O_CLOEXEC, mode_t(Mode));
    if (Fd < 0)
        return false;
    return Adopt(Fd, QIODevice::WriteOnly | QIODevice::Unbuffered, File);
}

TCheckedOutput::TCheckedOutput(TSink Sink) : FSink(std::move(Sink)) {
    open(QIODevice::WriteOnly | QIODevice::Unbuffered);
}

std::string TCheckedOutput::Reason() const {
    return std::generic_category().message(FErrno != 0 ? FErrno : EIO);
}

qint64 TCheckedOutput::writeData(const char* Data, qint64 Size) {
    if (FFailed)
        return Size;
    errno = 0;
    if (!FSink(Data, Size)) {
        FFailed = true;
        FErrno = errno;
        setErrorString(QString::fromStdString(Reason()));
    }
    return Size;
}
