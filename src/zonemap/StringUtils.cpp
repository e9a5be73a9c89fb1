#include "zonemap/StringUtils.h"

#include "platform/Exception.h"
#include "platform/IntegerText.h"

void SplitOff(std::string& S, char Separator, std::string& Head) {
    const size_t At = S.find(Separator);
    if (At == std::string::npos) {
        Head = std::move(S);
        S.clear();
    } else {
        Head.assign(S, 0, At);
        S.erase(0, At + 1);
    }
}

void SplitOff(std::string_view& S, char Separator, std::string_view& Head) {
    const size_t At = S.find(Separator);
    if (At == std::string_view::npos) {
        Head = S;
        S = {};
    } else {
        Head = S.substr(0, At);
        S.remove_prefix(At + 1);
    }
}

int32_t SplitOffInt(std::string& S, char Separator) {
    std::string Head;
    SplitOff(S, Separator, Head);
    int32_t Value = 0;
    return TryStrToInt(Head, Value) ? Value : 0;
}

int32_t SplitOffInt(std::string_view& S, char Separator) {
    std::string_view Head;
    SplitOff(S, Separator, Head);
    int32_t Value = 0;
    return TryStrToInt(Head, Value) ? Value : 0;
}

bool TryStrToInt(std::string_view Text, int32_t& Value) {
    return TryReadInteger(Text, Value, true);
}

int32_t StrToInt(std::string_view Text) {
    int32_t Value = 0;
    if (!TryStrToInt(Text, Value))
        throw EConvertError(std::string(Text));
    return Value;
}
