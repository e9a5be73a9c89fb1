#pragma once

#include <ostream>
#include <streambuf>
#include <string>

// The tool's standard output: written straight to the descriptor, and the system's reason
// for the first write that fails kept, so that a full disk or a closed pipe is reported as
// such instead of ending in a cut-off output and a success.
class TDescriptorBuffer : public std::streambuf {
public:
    explicit TDescriptorBuffer(int Fd);
    ~TDescriptorBuffer() override;
    TDescriptorBuffer(const TDescriptorBuffer&) = delete;
    TDescriptorBuffer& operator=(const TDescriptorBuffer&) = delete;
    // errno of the first failed write, 0 while none failed.
    int Errno() const { return FErrno; }

protected:
    int_type overflow(int_type C) override;
    std::streamsize xsputn(const char* Data, std::streamsize Size) override;
    int sync() override;

private:
    bool WriteAll(const char* Data, size_t Size);
    bool Drain();

    int FFd;
    int FErrno = 0;
    char FBuffer[1 << 16];
};

// Why writing to Out failed: the system's reason where Out writes through a
// TDescriptorBuffer, else a general one.
std::string OutputFailureReason(const std::ostream& Out);
