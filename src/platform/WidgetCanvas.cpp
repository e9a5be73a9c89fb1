#include "platform/Bitmap.h"

#include "platform/Canvas.h"
#include "platform/Text.h"

#include <QFont>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace {

QColor ToQColor(TColor C) {
    return QColor(GetRValue(C), GetGValue(C), GetBValue(C));
}

// Qt's integer rectangles carry int widths: keep huge ones within range.
QRect ToQRect(int64_t Left, int64_t Top, int64_t Right, int64_t Bottom) {
    auto clamp = [](int64_t v) {
        constexpr int64_t limit = int64_t(1) << 30;
        return int(std::clamp(v, -limit, limit));
    };
    return QRect(QPoint(clamp(Left), clamp(Top)), QPoint(clamp(Right) - 1, clamp(Bottom) - 1));
}

QImage ImageOf(const TBitmap& Bitmap) {
    if (Bitmap.PixelFormat() != TPixelFormat::pf8bit || !Bitmap.HasPixels())
        return {};
    QImage image(Bitmap.Width(), Bitmap.Height(), QImage::Format_Indexed8);
    QList<QRgb> table;
    for (const TRGBQuad& q : Bitmap.Palette())
        table.append(qRgb(q.rgbRed, q.rgbGreen, q.rgbBlue));
    while (table.size() < 256)
        table.append(qRgb(0, 0, 0));
    image.setColorTable(table);
    for (int32_t y = 0; y < Bitmap.Height(); ++y)
        std::copy_n(Bitmap.ScanLine(y), Bitmap.Width(), image.scanLine(y));
    return image;
}

} // namespace

QFont QtFont(const TFont& Font) {
    QFont font(ShownText(Font.Name));
    font.setPixelSize(std::max(1, int(std::lround(Font.Size * 96.0 / 72.0))));
    font.setBold((Font.Style & fsBold) != 0);
    font.setItalic((Font.Style & fsItalic) != 0);
    font.setUnderline((Font.Style & fsUnderline) != 0);
    font.setStrikeOut((Font.Style & fsStrikeOut) != 0);
    font.setStyleStrategy(QFont::NoAntialias);
    return font;
}

void TWidgetCanvas::Begin(QPainter* Painter, const TRect& Clip) {
    FPainter = Painter;
    FClip = Clip;
    if (FPainter) {
        FPainter->setRenderHint(QPainter::Antialiasing, false);
        FPainter->setClipRect(ToQRect(Clip.Left, Clip.Top, Clip.Right, Clip.Bottom));
    }
}

void TWidgetCanvas::End() {
    FPainter = nullptr;
    FClip = {};
}

void TWidgetCanvas::LineTo(int32_t X, int32_t Y) {
    const TPoint from = PenPos();
    SetPenPos({X, Y});
    if (!FPainter || Pen().Style == TPenStyle::psClear || (from.X == X && from.Y == Y))
        return;
    // Stop one step short of the end point along the major axis: the end pixel is not
    // painted.
    const double dx = double(X) - from.X;
    const double dy = double(Y) - from.Y;
    const double steps = std::max(std::abs(dx), std::abs(dy));
    const QPointF end(X - dx / steps, Y - dy / steps);
    FPainter->setPen(QPen(ToQColor(Pen().Color), std::max(1, Pen().Width), Qt::SolidLine,
                          Qt::SquareCap, Qt::MiterJoin));
    FPainter->drawLine(QPointF(from.X, from.Y), end);
}

void TWidgetCanvas::Rectangle(int32_t X1, int32_t Y1, int32_t X2, int32_t Y2) {
    if (!FPainter)
        return;
    const TBox box = BoxOf(X1, Y1, X2, Y2);
    if (box.Empty())
        return;
    const auto [left, top, right, bottom] = box;
    if (Brush().Style == TBrushStyle::bsSolid)
        FPainter->fillRect(ToQRect(left, top, right, bottom), ToQColor(Brush().Color));
    if (Pen().Style == TPenStyle::psClear)
        return;
    // The outline lies inside the rectangle, as wide as the pen.
    const int64_t w = std::max(1, Pen().Width);
    const QColor c = ToQColor(Pen().Color);
    for (const TBox& band : OutlineBands(box, w))
        FPainter->fillRect(ToQRect(band.Left, band.Top, band.Right, band.Bottom), c);
}

void TWidgetCanvas::FillRect(const TRect& Rect) {
    if (!FPainter || Brush().Style == TBrushStyle::bsClear)
        return;
    if (Rect.Right <= Rect.Left || Rect.Bottom <= Rect.Top)
        return;
    FPainter->fillRect(ToQRect(Rect.Left, Rect.Top, Rect.Right, Rect.Bottom),
                       ToQColor(Brush().Color));
}

void TWidgetCanvas::Ellipse(int32_t X1, int32_t Y1, int32_t X2, int32_t Y2) {
    if (!FPainter)
        return;
    const TBox box = BoxOf(X1, Y1, X2, Y2);
    if (box.Empty())
        return;
    const auto [left, top, right, bottom] = box;
    if (Pen().Style == TPenStyle::psClear)
        FPainter->setPen(Qt::NoPen);
    else
        FPainter->setPen(QPen(ToQColor(Pen().Color), std::max(1, Pen().Width)));
    if (Brush().Style == TBrushStyle::bsSolid)
        FPainter->setBrush(ToQColor(Brush().Color));
    else
        FPainter->setBrush(Qt::NoBrush);
    const double inset = Pen().Style == TPenStyle::psClear ? 0.0 : std::max(1, Pen().Width) / 2.0;
    FPainter->drawEllipse(QRectF(double(left) + inset, double(top) + inset,
                                 double(right - left) - 2 * inset,
                                 double(bottom - top) - 2 * inset));
    FPainter->setBrush(Qt::NoBrush);
}

void TWidgetCanvas::TextOut(int32_t X, int32_t Y, const std::string& Text) {
    if (!FPainter || Text.empty())
        return;
    const QFont font = QtFont(Font());
    const QFontMetrics metrics(font);
    const QString text = DrawnText(Text);
    if (Brush().Style == TBrushStyle::bsSolid)
        FPainter->fillRect(
            QRect(X, Y, metrics.horizontalAdvance(text), metrics.ascent() + metrics.descent()),
            ToQColor(Brush().Color));
    FPainter->setFont(font);
    FPainter->setPen(ToQColor(Font().Color));
    FPainter->drawText(QPoint(X, Y + metrics.ascent()), text);
    SetPenPos({X + metrics.horizontalAdvance(text), Y});
}

int32_t TWidgetCanvas::TextWidth(const std::string& Text) {
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        return 0;
    return QFontMetrics(QtFont(Font())).horizontalAdvance(DrawnText(Text));
}

int32_t TWidgetCanvas::TextHeight(const std::string&) {
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        return 0;
    const QFontMetrics metrics(QtFont(Font()));
    return metrics.ascent() + metrics.descent();
}

void TWidgetCanvas::StretchDraw(const TRect& Rect, const TBitmap& Bitmap) {
    if (!FPainter || Rect.Right <= Rect.Left || Rect.Bottom <= Rect.Top)
        return;
    const QImage image = ImageOf(Bitmap);
    if (image.isNull())
        return;
    FPainter->setRenderHint(QPainter::SmoothPixmapTransform, false);
    FPainter->drawImage(ToQRect(Rect.Left, Rect.Top, Rect.Right, Rect.Bottom), image);
}

void TWidgetCanvas::Draw(int32_t X, int32_t Y, const TBitmap& Bitmap) {
    if (!FPainter)
        return;
    const QImage image = ImageOf(Bitmap);
    if (!image.isNull())
        FPainter->drawImage(QPoint(X, Y), image);
}
