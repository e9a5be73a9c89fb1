#include "cli/PictureCommand.h"

#include "cli/Commands.h"
#include "cli/MapSession.h"
#include "graphics/ColorPalette.h"
#include "picture/PictureConversion.h"
#include "zonemap/ZoneSpriteSurface.h"

#include <cmath>
#include <cstdio>

const char* const PictureHelp =
    "usage: zonewright-cli picture IN OUT.bmp [--palette-of MAP.mapset] [--dither]\n"
    "\n"
    "Converts a picture Qt reads (PNG, JPEG, GIF, BMP of any depth) into an 8-bit BMP whose\n"
    "pixels use only palette entries 10..245, the entries a map takes from its bitmaps\n"
    "(0..9 and 246..255 hold the system colours, which the map shows whatever a bitmap\n"
    "says), and prints the colour error.\n"
    "  --palette-of MAP  use the palette the map set shows its bitmaps with, so that none\n"
    "                    of them changes colour when this one is added; a map set without\n"
    "                    bitmaps gives none, and the picture gets its own\n"
    "  --dither          diffuse the error (for photos; map art is flat colour)\n"
    "Without a map's palette the picture gets its own: all of its colours when it has at\n"
    "most 236 (the conversion is then exact), else 236 chosen from it.\n";

namespace {

std::vector<TRGBQuad> MapPalette(const std::string& FileName, std::ostream& Out, std::ostream& Err,
                                 bool& Failed) {
    TMapSession Session;
    TFinding Error;
    if (!Session.Load(FileName, Error)) {
        Err << FileName << (Error.Line > 0 ? ":" + std::to_string(Error.Line) : std::string())
            << ": " << Error.Message << '\n';
        Failed = true;
        return {};
    }
    if (Session.Surface().Bitmaps().empty()) {
        Out << FileName << " has no bitmaps: the picture gets its own colours\n";
        return {};
    }
    std::vector<TRGBQuad> Colors(256);
    for (int I = 0; I < 256; ++I) {
        const uint32_t E = Session.Palette().Entries(I);
        Colors[size_t(I)] = {uint8_t(E >> 16), uint8_t(E >> 8), uint8_t(E), 0};
    }
    return Colors;
}

} // namespace

int RunPicture(const TCommandLine& Line, std::ostream& Out, std::ostream& Err) {
    const std::string& In = Line.Positionals[0];
    std::vector<TRGBQuad> Palette;
    if (Line.Has("palette-of")) {
        bool Failed = false;
        Palette = MapPalette(Line.Values("palette-of")[0], Out, Err, Failed);
        if (Failed)
            return esFailed;
    }
    const QImage Picture = ReadPicture(In, TZoneSpriteSurface::MaxBitmapPixels);
    const TConvertedPicture Converted = ConvertPicture(Picture, Palette, Line.Has("dither"));
    SaveConvertedPicture(Converted, Line.Positionals[1]);
    Out << In << ": " << Converted.Width << " x " << Converted.Height << ", "
        << (Palette.empty() ? std::to_string(Converted.ColorCount) + " colours of its own"
                            : std::string("the map's colours"))
        << ", ";
    if (Converted.MeanSquaredError == 0) {
        Out << "converted exactly\n";
    } else {
        char Figures[96];
        std::snprintf(Figures, sizeof Figures,
                      "colour error: PSNR %.1f dB (mean squared error %.2f per channel)\n",
                      Converted.PSNR(), Converted.MeanSquaredError);
        Out << Figures;
    }
    return esOk;
}
