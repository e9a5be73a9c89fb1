#pragma once

#include <QFile>
#include <QIODevice>

#include <functional>
#include <string>

// The one place where the program opens files: by the name's bytes, as the system holds
// them, so that a name that is not valid in the locale's encoding (Latin-1 bytes under a
// UTF-8 locale) still opens. Qt's own file classes would decode the name first and lose
// such bytes.

// Opens Name for reading into File (which owns the descriptor from then on). False, with
// errno set, when it cannot be opened or is not a regular file: a FIFO would wait for a
// writer and a device may never end, so neither is opened for reading.
bool OpenRegularFileForReading(const std::string& Name, QFile& File);

// Whether Name exists and is a regular file (links followed).
bool IsRegularFile(const std::string& Name);

// Opens Name with the POSIX Flags (O_CLOEXEC added) and Mode into File, for writing;
// false with errno set when it cannot be opened.
bool OpenFileForWriting(const std::string& Name, int Flags, unsigned Mode, QFile& File);

// A write-only device that hands every write to a sink at once and keeps the system's
// reason for the first write that fails. From then on writes are dropped but reported as
// done: a writer that prints its own vague complaint on a failed write (the PNG encoder's
// "Write Error") finishes quietly, and the caller reports Failed() with the real reason.
class TCheckedOutput : public QIODevice {
public:
    // Writes all Size bytes or returns false with errno set.
    using TSink = std::function<bool(const char* Data, qint64 Size)>;
    explicit TCheckedOutput(TSink Sink);
    bool Failed() const { return FFailed; }
    // The system's text for the first failure ("No space left on device").
    std::string Reason() const;

protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char* Data, qint64 Size) override;

private:
    TSink FSink;
    bool FFailed = false;
    int FErrno = 0;
};
