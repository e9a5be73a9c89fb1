#include "editor/PictureWorker.h"

#include "platform/Exception.h"
#include "platform/Text.h"
#include "zonemap/ZoneSpriteSurface.h"

#include <QEventLoop>
#include <QFileInfo>
#include <QFutureWatcher>
#include <QProgressDialog>
#include <QtConcurrent/QtConcurrentRun>

namespace {

struct TOutcome {
    TConvertedPicture Picture;
    std::string Error;
};

} // namespace

bool ConvertPictureInWorker(QWidget* Parent, const std::string& File,
                            const std::vector<TRGBQuad>& MapPalette, bool Dither,
                            TConvertedPicture& Result) {
    // The worker has its own copies: a cancelled conversion may outlive this call.
    QFuture<TOutcome> Future = QtConcurrent::run([File, MapPalette, Dither] {
        TOutcome Outcome;
        try {
            Outcome.Picture = ConvertPicture(ReadPicture(File, TZoneSpriteSurface::MaxBitmapPixels),
                                             MapPalette, Dither);
        } catch (const std::exception& Error) {
            Outcome.Error = Error.what();
        }
        return Outcome;
    });
    QProgressDialog Progress("Converting " + QFileInfo(QtFileName(File)).fileName() +
                                 " to the map's palette...",
                             "Cancel", 0, 0, Parent);
    Progress.setObjectName("dlgPictureProgress");
    Progress.setWindowTitle("Add Picture");
    Progress.setWindowModality(Qt::WindowModal);
    // Small pictures are done before it would be seen.
    Progress.setMinimumDuration(400);
    QEventLoop Wait;
    QFutureWatcher<TOutcome> Watcher;
    QObject::connect(&Watcher, &QFutureWatcherBase::finished, &Wait, &QEventLoop::quit);
    QObject::connect(&Progress, &QProgressDialog::canceled, &Wait, &QEventLoop::quit);
    Watcher.setFuture(Future);
    if (!Future.isFinished())
        Wait.exec();
    if (!Future.isFinished())
        return false;
    TOutcome Outcome = Future.takeResult();
    if (!Outcome.Error.empty())
        throw Exception(Outcome.Error);
    Result = std::move(Outcome.Picture);
    return true;
}
