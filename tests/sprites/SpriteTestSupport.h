#pragma once

#include "graphics/ColorPalette.h"
#include "graphics/DIBCanvas.h"
#include "sprites/Velmora.h"

#include <memory>
#include <string>
#include <vector>

// A sprite of a fixed size that records what happens to it in a shared log.
class TProbeSprite : public TSprite {
public:
    TProbeSprite(std::string Name, std::vector<std::string>* Log, int32_t W = 10, int32_t H = 10)
        : FName(std::move(Name)), FLog(Log), FW(W), FH(H) {}
    ~TProbeSprite() override {
        if (FLog)
            FLog->push_back("free " + FName);
    }
    const std::string& Name() const { return FName; }
    // Inclusive right and bottom, as the bitmap sprites give them.
    void GetBounds(TRect& Rect) const override {
        const TPoint p = Position();
        Rect = {p.X, p.Y, p.X + FW - 1, p.Y + FH - 1};
    }
    void Move() override {
        if (FLog)
            FLog->push_back("move " + FName);
        TSprite::Move();
    }
    void Draw(TCanvas&, TDIBCanvas&) override {
        if (FLog)
            FLog->push_back("draw " + FName);
    }

private:
    std::string FName;
    std::vector<std::string>* FLog;
    int32_t FW;
    int32_t FH;
};

inline std::unique_ptr<TProbeSprite> Probe(const std::string& Name, std::vector<std::string>* Log,
                                           int32_t W = 10, int32_t H = 10) {
    return std::make_unique<TProbeSprite>(Name, Log, W, H);
}

inline std::string NameOf(TSprite* S) {
    auto* probe = dynamic_cast<TProbeSprite*>(S);
    return probe ? probe->Name() : "other";
}

// A surface of the given size with a palette, ready to render.
struct TSurfaceFixture {
    TColorPalette Palette;
    TSpriteSurface Surface;
    explicit TSurfaceFixture(int W = 64, int H = 32) {
        Palette.RecreateHandle(false);
        Surface.SetColorPalette(&Palette);
        Surface.SetBounds(0, 0, W, H);
    }
};
