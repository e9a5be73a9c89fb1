#include "platform/IntegerText.h"

namespace {

int HexDigit(char C) {
    if (C >= '0' && C <= '9')
        return C - '0';
    if (C >= 'a' && C <= 'f')
        return C - 'a' + 10;
    if (C >= 'A' && C <= 'F')
        return C - 'A' + 10;
    return -1;
}

} // namespace

bool TryReadInteger(std::string_view Text, int32_t& Value, bool SignBeforeHex) {
    size_t I = 0;
    while (I < Text.size() && Text[I] == ' ')
        ++I;
    bool Negative = false;
    bool Signed = false;
    if (I < Text.size() && (Text[I] == '+' || Text[I] == '-')) {
        Negative = Text[I] == '-';
        Signed = true;
        ++I;
    }
    bool Hex = false;
    if (I < Text.size() && (Text[I] == '$' || Text[I] == 'x' || Text[I] == 'X')) {
        Hex = true;
        ++I;
    } else if (I + 1 < Text.size() && Text[I] == '0' &&
               (Text[I + 1] == 'x' || Text[I + 1] == 'X')) {
        Hex = true;
        I += 2;
    }
    if (I == Text.size() || (Hex && Signed && !SignBeforeHex))
        return false;

    // Accumulate in 64 bits; any value past the limit is refused at once, so it cannot wrap.
    uint64_t Magnitude = 0;
    const uint64_t Limit = Hex ? 0xFFFFFFFFull : (Negative ? 2147483648ull : 2147483647ull);
    for (; I < Text.size(); ++I) {
        const int Digit =
            Hex ? HexDigit(Text[I]) : (Text[I] >= '0' && Text[I] <= '9' ? Text[I] - '0' : -1);
        if (Digit < 0)
            return false;
        Magnitude = Magnitude * (Hex ? 16 : 10) + uint64_t(Digit);
        if (Magnitude > Limit)
            return false;
    }
    uint32_t Pattern = uint32_t(Magnitude);
    if (Negative)
        Pattern = 0u - Pattern;
    Value = int32_t(Pattern);
    return true;
}
