#include "cli/StandardOutput.h"

#include <cerrno>
#include <system_error>
#include <unistd.h>

TDescriptorBuffer::TDescriptorBuffer(int Fd) : FFd(Fd) {
    setp(FBuffer, FBuffer + sizeof FBuffer);
}

TDescriptorBuffer::~TDescriptorBuffer() {
    Drain();
}

bool TDescriptorBuffer::WriteAll(const char* Data, size_t Size) {
    if (FErrno != 0)
        return false;
    while (Size > 0) {
        const ssize_t Written = ::write(FFd, Data, Size);
        if (Written < 0 && errno == EINTR)
            continue;
        if (Written <= 0) {
            FErrno = Written < 0 ? errno : EIO;
            return false;
        }
        Data += Written;
        Size -= size_t(Written);
    }
    return true;
}

bool TDescriptorBuffer::Drain() {
    const bool Written = WriteAll(pbase(), size_t(pptr() - pbase()));
    setp(FBuffer, FBuffer + sizeof FBuffer);
    return Written;
}

TDescriptorBuffer::int_type TDescriptorBuffer::overflow(int_type C) {
    if (!Drain())
        return traits_type::eof();
    if (!traits_type::eq_int_type(C, traits_type::eof()))
        return sputc(traits_type::to_char_type(C));
    return traits_type::not_eof(C);
}

std::streamsize TDescriptorBuffer::xsputn(const char* Data, std::streamsize Size) {
    if (Size <= epptr() - pptr()) {
        traits_type::copy(pptr(), Data, size_t(Size));
        pbump(int(Size));
        return Size;
    }
    if (!Drain() || !WriteAll(Data, size_t(Size)))
        return 0;
    return Size;
}

int TDescriptorBuffer::sync() {
    return Drain() ? 0 : -1;
}

std::string OutputFailureReason(const std::ostream& Out) {
    const auto* Buffer = dynamic_cast<const TDescriptorBuffer*>(Out.rdbuf());
    return std::generic_category().message(
        Buffer != nullptr && Buffer->Errno() != 0 ? Buffer->Errno() : EIO);
}
