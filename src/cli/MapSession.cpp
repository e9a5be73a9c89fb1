#include "cli/MapSession.h"

#include "graphics/ColorPalette.h"
#include "mapcheck/FileChecks.h"
#include "platform/Exception.h"
#include "platform/FileOpen.h"
#include "platform/Text.h"
#include "zonemap/EditorPalette.h"
#include "zonemap/StringUtils.h"
#include "zonemap/ZoneSpriteSurface.h"

#include <QFile>
#include <QFileInfo>

#include <climits>
#include <unistd.h>

namespace {

// The directory of a file name, absolute, as bytes: a name that the locale cannot decode
// (Latin-1 bytes under UTF-8) must not pass through a QString.
std::string AbsoluteDirectoryOf(const std::string& FileName) {
    const size_t Slash = FileName.rfind('/');
    const std::string Directory = Slash == std::string::npos ? std::string(".")
                                  : Slash == 0               ? std::string("/")
                                                             : FileName.substr(0, Slash);
    if (FileNameBytes(QtFileName(Directory)) == Directory)
        return FileNameBytes(QFileInfo(QtFileName(FileName)).absolutePath());
    if (Directory.front() == '/')
        return Directory;
    char Current[PATH_MAX];
    if (::getcwd(Current, sizeof Current) == nullptr)
        return Directory;
    return std::string(Current) + "/" + Directory;
}

// Lines as the map-set reader counts them: ended by CR, LF or CR LF, up to the first NUL.
int32_t CountLines(const QByteArray& Bytes) {
    int32_t Count = 0;
    const qsizetype End = Bytes.indexOf('\0') < 0 ? Bytes.size() : Bytes.indexOf('\0');
    for (qsizetype I = 0; I < End;) {
        while (I < End && Bytes[I] != '\r' && Bytes[I] != '\n')
            ++I;
        if (I < End)
            I += (Bytes[I] == '\r' && I + 1 < End && Bytes[I + 1] == '\n') ? 2 : 1;
        ++Count;
    }
    return Count;
}

// What resolving the zone's neighbour field raises, if anything: the loader's own steps
// (StrToInt, then Zone), replayed to learn which zone stopped it.
std::string NeighborFieldError(TZoneSpriteSurface& Surface, const TZone& Zone) {
    try {
        std::string_view Rest = Zone.NeighborIndexText();
        std::string_view Number;
        while (!Rest.empty()) {
            SplitOff(Rest, '#', Number);
            Surface.Zone(StrToInt(Number));
        }
    } catch (const std::exception& E) {
        return E.what();
    }
    return {};
}

} // namespace

TZoneRef RefOf(const TZone& Zone) {
    return {Zone.Index(), Zone.Name()};
}

TMapSession::TMapSession()
    : FPalette(std::make_unique<TColorPalette>()),
      FSurface(std::make_unique<TZoneSpriteSurface>()) {
    FPalette->SetPaletteEntries(EditorPaletteEntries());
    FPalette->RecreateHandle(false);
    TZoneSpriteSurface& S = *FSurface;
    S.SetColorPalette(FPalette.get());
    S.SetBitDepth(bd8);
    S.SetColorIndexLand(118);
    S.SetColorIndexSea(196);
    S.SetGridMarginTop(16);
    S.SetGridWidth(20);
    S.SetGridHeight(26);
    // Loading renders frames; a small view keeps them cheap.
    S.SetBounds(0, 0, 64, 64);
    S.OnCreateZone = [this](TObject*, TZone*& AZone, const std::string& Text) {
        FZoneLines.push_back(FSurface->LoadLine());
        AZone = new TZone(FSurface.get(), Text);
    };
}

TMapSession::~TMapSession() {
    // The surface refers to the palette; it goes first.
    FSurface.reset();
}

bool TMapSession::Load(const std::string& FileName, TFinding& Error) {
    Error = TFinding{};
    Error.Kind = "load-error";
    FTextFindings.clear();
    QFile File;
    if (!OpenRegularFileForReading(FileName, File)) {
        Error.Message = EFOpenError(FileName).what();
        return false;
    }
    const QByteArray Bytes = File.readAll();
    File.close();
    const int32_t LineCount = CountLines(Bytes);
    FTextFindings = CheckMapSetText(std::string_view(Bytes.constData(), size_t(Bytes.size())));

    FZoneLines.clear();
    FSurface->SetBitmapDirectory(AbsoluteDirectoryOf(FileName));
    try {
        FSurface->SetMapSetFile(FileName);
    } catch (const std::exception& E) {
        Error.Message = E.what();
        Error.Line = FSurface->LoadLine();
        // Past the last line only the neighbour fields are left to fail.
        if (Error.Line >= LineCount)
            for (int32_t I = 0; I < FSurface->ZoneCount(); ++I) {
                TZone& Z = *FSurface->Zone(I);
                if (NeighborFieldError(*FSurface, Z) == Error.Message) {
                    Error.Line = FZoneLines[size_t(I)];
                    Error.Zones.push_back(RefOf(Z));
                    break;
                }
            }
        return false;
    }
    return true;
}
