#pragma once

#include "zonemap/HugeBuffer.h"

#include <memory>
#include <string>
#include <string_view>

class QFile;

// The bytes of a map-set file, read once for a load: the load takes its lines from them,
// and whoever reads the same text beside the load (the editor's text findings) shares
// them instead of reading the file again. Tens of megabytes of real outlines go into
// huge pages, as faulting in thousands of small pages would cost more than the read.
class TMapSetBytes {
public:
    // All of the open file, also what was written to it since its size was taken; raises
    // EFOpenError for Name when it cannot be read.
    static std::shared_ptr<const TMapSetBytes> Read(QFile& File, const std::string& Name);

    std::string_view Text() const { return {FBuffer.begin(), FSize}; }

private:
    THugeBuffer<char> FBuffer;
    size_t FSize = 0;
};
