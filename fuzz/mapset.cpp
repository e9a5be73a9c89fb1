// A whole map-set load from a file with a small bitmap beside it: any content either
// loads or stops with an error, never crashes or hangs, and whatever was loaded can be
// saved (or is refused by the save checks), and the map checks take both the text and
// whatever was loaded.
#include "FuzzSupport.h"

#include "graphics/ColorPalette.h"
#include "mapcheck/FileChecks.h"
#include "mapcheck/MapChecks.h"
#include "platform/Bitmap.h"
#include "platform/Exception.h"
#include "zonemap/ZoneSpriteSurface.h"

#include <QDir>

#include <fstream>
#include <memory>
#include <unistd.h>

namespace {

struct Workspace {
    std::string Dir;
    TColorPalette Palette;
    Workspace() {
        Dir = QDir::tempPath().toStdString() + "/zonewright-fuzz-" + std::to_string(getpid());
        QDir().mkpath(QString::fromStdString(Dir));
        TBitmap bitmap;
        bitmap.SetSize(8, 6);
        std::vector<TRGBQuad> colours(256);
        for (int i = 0; i < 256; ++i)
            colours[size_t(i)] = TRGBQuad{uint8_t(i), uint8_t(255 - i), uint8_t(i / 2), 0};
        bitmap.SetPalette(colours);
        for (int32_t y = 0; y < bitmap.Height(); ++y)
            for (int32_t x = 0; x < bitmap.Width(); ++x)
                bitmap.ScanLine(y)[x] = uint8_t(x * 16 + y);
        bitmap.SaveToFile(Dir + "/a.bmp");
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size) {
    FuzzInitApplication();
    static Workspace workspace;
    const std::string file = workspace.Dir + "/input.mapset";
    {
        std::ofstream out(file, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(Data), std::streamsize(Size));
    }
    auto surface = std::make_unique<TZoneSpriteSurface>();
    surface->SetColorPalette(&workspace.Palette);
    surface->SetBitmapDirectory(workspace.Dir);
    surface->SetBounds(0, 0, 64, 48);
    try {
        surface->SetMapSetFile(file);
    } catch (const Exception&) {
    }
    CheckMapSetText(std::string_view(reinterpret_cast<const char*>(Data), Size));
    try {
        surface->BuildNeighbors();
        CheckMapSet(*surface);
        surface->SaveMapSet(workspace.Dir + "/output.mapset");
    } catch (const Exception&) {
    }
    return 0;
}
