#include "editor/BitmapPreview.h"

#include "platform/Bitmap.h"
#include "platform/Text.h"
#include "zonemap/ZoneSpriteSurface.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QImage>
#include <QImageReader>
#include <QLabel>
#include <QPixmap>
#include <QVBoxLayout>

#include <exception>

namespace {

int BitsPerPixel(TPixelFormat Format) {
    switch (Format) {
    case TPixelFormat::pf1bit:
        return 1;
    case TPixelFormat::pf4bit:
        return 4;
    case TPixelFormat::pf8bit:
        return 8;
    case TPixelFormat::pf15bit:
        return 15;
    case TPixelFormat::pf16bit:
        return 16;
    case TPixelFormat::pf24bit:
        return 24;
    case TPixelFormat::pf32bit:
        return 32;
    case TPixelFormat::pfDevice:
        break;
    }
    return 0;
}

// The 8-bit picture as the map will draw it: the file's indices through its own table.
QImage Indexed(const TBitmap& Bitmap) {
    QImage Image(Bitmap.Width(), Bitmap.Height(), QImage::Format_Indexed8);
    QList<QRgb> Colors;
    for (const TRGBQuad& C : Bitmap.Palette())
        Colors.push_back(qRgb(C.rgbRed, C.rgbGreen, C.rgbBlue));
    Image.setColorTable(Colors);
    for (int32_t Row = 0; Row < Bitmap.Height(); ++Row)
        std::copy_n(Bitmap.ScanLine(Row), Bitmap.Width(), Image.scanLine(Row));
    return Image;
}

} // namespace

TBitmapPreview::TBitmapPreview(QWidget* Parent) : QWidget(Parent) {
    setObjectName("pnlBitmapPreview");
    imgThumbnail = new QLabel(this);
    imgThumbnail->setObjectName("imgThumbnail");
    imgThumbnail->setFixedSize(ThumbnailSize, ThumbnailSize);
    imgThumbnail->setAlignment(Qt::AlignCenter);
    imgThumbnail->setFrameShape(QFrame::StyledPanel);
    lblSize = new QLabel(this);
    lblSize->setObjectName("lblSize");
    lblDepth = new QLabel(this);
    lblDepth->setObjectName("lblDepth");
    lblDepth->setWordWrap(true);
    lblDepth->setFixedWidth(ThumbnailSize);
    auto* Layout = new QVBoxLayout(this);
    Layout->setContentsMargins(0, 0, 0, 0);
    Layout->addWidget(imgThumbnail);
    Layout->addWidget(lblSize);
    Layout->addWidget(lblDepth);
    Layout->addStretch();
}

void TBitmapPreview::ShowFile(const std::string& Path) {
    imgThumbnail->clear();
    lblSize->clear();
    lblDepth->clear();
    if (Path.empty() || !QFileInfo(QtFileName(Path)).isFile())
        return;
    TBitmap Bitmap;
    try {
        // The map's own reader and limit: what it says here is what Add would say.
        Bitmap.LoadFromFile(Path, TZoneSpriteSurface::MaxBitmapPixels);
    } catch (const std::exception& Error) {
        lblDepth->setText(ShownText(Error.what()));
        return;
    }
    lblSize->setText(QString("%1x%2").arg(Bitmap.Width()).arg(Bitmap.Height()));
    const int Bits = BitsPerPixel(Bitmap.PixelFormat());
    QString Depth = Bits ? QString("%1 bits per pixel").arg(Bits) : QString("Unknown depth");
    QImage Picture;
    if (Bitmap.HasPixels())
        Picture = Indexed(Bitmap);
    else {
        Depth += ": only 8-bit bitmaps can be added";
        // Only the header was read: the toolkit draws the thumbnail, at its size.
        QImageReader Reader(QtFileName(Path));
        const QSize Full = Reader.size();
        if (Full.isValid())
            Reader.setScaledSize(Full.scaled(ThumbnailSize, ThumbnailSize, Qt::KeepAspectRatio));
        Picture = Reader.read();
    }
    lblDepth->setText(Depth);
    if (!Picture.isNull())
        imgThumbnail->setPixmap(QPixmap::fromImage(Picture.scaled(
            ThumbnailSize, ThumbnailSize, Qt::KeepAspectRatio, Qt::SmoothTransformation)));
}

bool ExecuteOpenDialogWithPreview(const TFileDialogOptions& Options,
                                  std::vector<std::string>& Files) {
    Files.clear();
    QFileDialog Dialog(nullptr, ShownText(Options.Title), QtFileName(Options.InitialDir),
                       ShownText(Options.Filter));
    Dialog.setAcceptMode(QFileDialog::AcceptOpen);
    Dialog.setFileMode(Options.MultiSelect ? QFileDialog::ExistingFiles
                                           : QFileDialog::ExistingFile);
    if (Options.Preview) {
        // The desktop's own dialog takes no extra pane.
        Dialog.setOption(QFileDialog::DontUseNativeDialog);
        auto* Preview = new TBitmapPreview(&Dialog);
        if (auto* Grid = qobject_cast<QGridLayout*>(Dialog.layout()))
            Grid->addWidget(Preview, 0, Grid->columnCount(), Grid->rowCount(), 1);
        QObject::connect(
            &Dialog, &QFileDialog::currentChanged, Preview,
            [Preview](const QString& Path) { Preview->ShowFile(FileNameBytes(Path)); });
        // Room for the pane without squeezing the list's columns.
        Dialog.resize(Dialog.sizeHint().expandedTo(QSize(780, 420)));
    }
    if (!Options.FileName.empty())
        Dialog.selectFile(QtFileName(Options.FileName));
    if (Dialog.exec() != QDialog::Accepted)
        return false;
    for (const QString& File : Dialog.selectedFiles())
        Files.push_back(FileNameBytes(File));
    return !Files.empty();
}
