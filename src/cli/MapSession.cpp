#include "cli/MapSession.h"

#include "graphics/ColorPalette.h"
#include "mapcheck/FileChecks.h"
#include "platform/Exception.h"
#include "platform/FileOpen.h"
#include "platform/Text.h"
#include "zonemap/EditorPalette.h"
#include "zonemap/LoadStop.h"
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
}

TMapSession::~TMapSession() {
    // The surface refers to the palette; it goes first.
    FSurface.reset();
}

bool TMapSession::Load(const std::string& FileName, TFinding& Error) {
    Error = TFinding{};
    Error.Kind = "load-error";
    FTextFindings.clear();
    {
        // The surface passes over what is not a regular file without a word.
        QFile File;
        if (!OpenRegularFileForReading(FileName, File)) {
            Error.Message = EFOpenError(FileName).what();
            return false;
        }
    }
    // The text is read once, by the load; its findings are worked out beside it.
    TLoadTextCheck Text(*FSurface);
    FSurface->SetBitmapDirectory(AbsoluteDirectoryOf(FileName));
    try {
        // The surface would pass over the name it holds; a second load reads the file again.
        FSurface->ForgetMapSetFile();
        FSurface->SetMapSetFile(FileName);
    } catch (const std::exception& E) {
        FTextFindings = Text.TakeFindings();
        Error.Message = E.what();
        if (Text.Read()) {
            const TLoadStop Stop = FindLoadStop(*FSurface, Text.Text(), Error.Message);
            Error.Line = Stop.Line;
            if (Stop.Zone >= 0)
                Error.Zones.push_back(RefOf(*FSurface->Zone(Stop.Zone)));
        }
        return false;
    }
    FTextFindings = Text.TakeFindings();
    return true;
}
