#include "platform/Exception.h"

EFOpenError::EFOpenError(const std::string& FileName) : Exception("Cannot open file " + FileName) {}

EFCreateError::EFCreateError(const std::string& FileName)
    : Exception("Cannot create file " + FileName) {}

EFCreateError::EFCreateError(const std::string& FileName, const std::string& Reason)
    : Exception("Cannot create file " + FileName + ": " + Reason) {}

EListError::EListError(long long Index)
    : Exception("List index out of bounds (" + std::to_string(Index) + ")") {}

EConvertError::EConvertError(const std::string& Text)
    : Exception("'" + Text + "' is not a valid integer value") {}
