#pragma once

#include <cstdint>
#include <functional>

// Root of the object classes that events name as their Sender and that components
// may be asked to copy from.
class TObject {
public:
    TObject() = default;
    TObject(const TObject&) = default;
    TObject& operator=(const TObject&) = default;
    virtual ~TObject() = default;
};

using TNotifyEvent = std::function<void(TObject* Sender)>;

struct TPoint {
    int32_t X = 0;
    int32_t Y = 0;
    friend bool operator==(const TPoint&, const TPoint&) = default;
};

// Right and Bottom are exclusive unless the user of a rectangle says otherwise.
struct TRect {
    int32_t Left = 0;
    int32_t Top = 0;
    int32_t Right = 0;
    int32_t Bottom = 0;
    friend bool operator==(const TRect&, const TRect&) = default;
    int32_t Width() const { return Right - Left; }
    int32_t Height() const { return Bottom - Top; }
};

// A colour as 0x00BBGGRR: red in the lowest byte.
using TColor = uint32_t;

constexpr TColor RGBColor(uint8_t Red, uint8_t Green, uint8_t Blue) {
    return TColor(Red) | (TColor(Green) << 8) | (TColor(Blue) << 16);
}
constexpr uint8_t GetRValue(TColor C) {
    return uint8_t(C & 0xFF);
}
constexpr uint8_t GetGValue(TColor C) {
    return uint8_t((C >> 8) & 0xFF);
}
constexpr uint8_t GetBValue(TColor C) {
    return uint8_t((C >> 16) & 0xFF);
}

constexpr TColor clBlack = RGBColor(0, 0, 0);
constexpr TColor clWhite = RGBColor(255, 255, 255);
constexpr TColor clRed = RGBColor(255, 0, 0);
constexpr TColor clLime = RGBColor(0, 255, 0);
constexpr TColor clBlue = RGBColor(0, 0, 255);
constexpr TColor clYellow = RGBColor(255, 255, 0);
constexpr TColor clSilver = RGBColor(192, 192, 192);
constexpr TColor clGray = RGBColor(128, 128, 128);
constexpr TColor clBtnFace = RGBColor(212, 208, 200);

// One entry of a bitmap colour table, in file order.
struct TRGBQuad {
    uint8_t rgbBlue = 0;
    uint8_t rgbGreen = 0;
    uint8_t rgbRed = 0;
    uint8_t rgbReserved = 0;
    friend bool operator==(const TRGBQuad&, const TRGBQuad&) = default;
};
