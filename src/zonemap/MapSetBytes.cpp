#include "zonemap/MapSetBytes.h"

#include "platform/Exception.h"

#include <QFile>

#include <algorithm>
#include <cstring>

std::shared_ptr<const TMapSetBytes> TMapSetBytes::Read(QFile& File, const std::string& Name) {
    auto Bytes = std::make_shared<TMapSetBytes>();
    const size_t Expected = size_t(std::max<qint64>(File.size(), 0));
    Bytes->FBuffer.Assign(Expected);
    const qint64 Read = Expected == 0 ? 0 : File.read(Bytes->FBuffer.data(), qint64(Expected));
    if (Read < 0)
        throw EFOpenError(Name);
    Bytes->FSize = size_t(Read);
    const QByteArray Grown = File.readAll();
    if (File.error() != QFileDevice::NoError)
        throw EFOpenError(Name);
    if (!Grown.isEmpty()) {
        THugeBuffer<char> Whole(Bytes->FSize + size_t(Grown.size()));
        std::copy_n(Bytes->FBuffer.begin(), Bytes->FSize, Whole.data());
        std::memcpy(Whole.data() + Bytes->FSize, Grown.constData(), size_t(Grown.size()));
        Bytes->FSize = Whole.size();
        Bytes->FBuffer = std::move(Whole);
    }
    return Bytes;
}
