#include "editor/OverviewWindow.h"

#include "editor/MapNavigator.h"
#include "graphics/ColorPalette.h"
#include "zonemap/ZoneSpriteSurface.h"

#include <QMouseEvent>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace {

QRgb PaletteColor(const TColorPalette* Palette, uint32_t Index) {
    if (!Palette || Index > 255)
        return qRgb(255, 255, 255);
    const uint32_t entry = Palette->Entries(int(Index));
    return qRgb(int(entry & 0xFF), int((entry >> 8) & 0xFF), int((entry >> 16) & 0xFF));
}

// A line in pixel units of an image of Width x Height, clipped to it first, so that
// coordinates far outside cost nothing.
void DrawLine(uint32_t* Bits, int64_t Stride, int Width, int Height, double X0, double Y0,
              double X1, double Y1, uint32_t Color) {
    // Liang-Barsky against [0, Width) x [0, Height).
    const double dx = X1 - X0;
    const double dy = Y1 - Y0;
    double t0 = 0;
    double t1 = 1;
    const double p[4] = {-dx, dx, -dy, dy};
    const double q[4] = {X0, Width - 1e-6 - X0, Y0, Height - 1e-6 - Y0};
    for (int i = 0; i < 4; ++i) {
        if (p[i] == 0) {
            if (q[i] < 0)
                return;
            continue;
        }
        const double t = q[i] / p[i];
        if (p[i] < 0)
            t0 = std::max(t0, t);
        else
            t1 = std::min(t1, t);
        if (t0 > t1)
            return;
    }
    const auto pixel = [](double V, int Limit) {
        return std::clamp(int(std::floor(V)), 0, Limit - 1);
    };
    int x = pixel(X0 + t0 * dx, Width);
    int y = pixel(Y0 + t0 * dy, Height);
    const int xEnd = pixel(X0 + t1 * dx, Width);
    const int yEnd = pixel(Y0 + t1 * dy, Height);
    const int ax = std::abs(xEnd - x);
    const int ay = -std::abs(yEnd - y);
    const int sx = x < xEnd ? 1 : -1;
    const int sy = y < yEnd ? 1 : -1;
    int error = ax + ay;
    for (;;) {
        Bits[y * Stride + x] = Color;
        if (x == xEnd && y == yEnd)
            return;
        const int e2 = 2 * error;
        if (e2 >= ay) {
            error += ay;
            x += sx;
        }
        if (e2 <= ax) {
            error += ax;
            y += sy;
        }
    }
}

} // namespace

TOverviewWindow::TOverviewWindow(TZoneSpriteSurface* Surface, TMapNavigator* Navigator,
                                 QWidget* Parent)
    : QWidget(Parent, Qt::Tool), FSurface(Surface), FNavigator(Navigator) {
    setObjectName("frmOverview");
    setWindowTitle("Overview");
    setAttribute(Qt::WA_OpaquePaintEvent);
    setCursor(Qt::CrossCursor);
    setMinimumSize(80, 60);
    resize(sizeHint());
}

TOverviewWindow::~TOverviewWindow() = default;

void TOverviewWindow::MapChanged() {
    FMapDirty = true;
    update();
}

void TOverviewWindow::BackgroundChanged() {
    FBackgroundDirty = true;
    FMapDirty = true;
    update();
}

void TOverviewWindow::ViewChanged() {
    update();
}

TOverviewWindow::TLayout TOverviewWindow::Layout() const {
    TLayout L;
    if (!FSurface)
        return L;
    L.AreaWidth = std::max<int64_t>({1, FSurface->VirtualWidth(), FSurface->Width()});
    L.AreaHeight = std::max<int64_t>({1, FSurface->VirtualHeight(), FSurface->Height()});
    const int cw = std::max(1, width());
    const int ch = std::max(1, height());
    L.Scale = std::min(cw / double(L.AreaWidth), ch / double(L.AreaHeight));
    const int w = std::clamp(int(std::lround(L.AreaWidth * L.Scale)), 1, cw);
    const int h = std::clamp(int(std::lround(L.AreaHeight * L.Scale)), 1, ch);
    L.Rect = QRect((cw - w) / 2, (ch - h) / 2, w, h);
    return L;
}

QRect TOverviewWindow::MapRect() const {
    return Layout().Rect;
}

double TOverviewWindow::Scale() const {
    return Layout().Scale;
}

QRectF TOverviewWindow::ViewRect() const {
    if (!FSurface)
        return {};
    const TLayout L = Layout();
    return QRectF(L.Rect.left() + FSurface->OffsetX() * L.Scale,
                  L.Rect.top() + FSurface->OffsetY() * L.Scale, FSurface->Width() * L.Scale,
                  FSurface->Height() * L.Scale);
}

QPoint TOverviewWindow::MapPointAt(QPoint P) const {
    const TLayout L = Layout();
    const auto along = [&](int Pixel, int Origin, int64_t Size) {
        const int64_t v = int64_t(std::floor((Pixel - Origin) / L.Scale));
        return int(std::clamp<int64_t>(v, 0, Size - 1));
    };
    return {along(P.x(), L.Rect.left(), L.AreaWidth), along(P.y(), L.Rect.top(), L.AreaHeight)};
}

std::vector<TOverviewWindow::TElementKey> TOverviewWindow::ElementKeys() const {
    std::vector<TElementKey> keys;
    if (!FSurface)
        return keys;
    keys.reserve(FSurface->ElementNames().size());
    for (const TElementEntry& entry : FSurface->ElementNames()) {
        if (!entry.Sprite)
            continue;
        const TPoint p = entry.Sprite->Position();
        keys.push_back({&entry.Sprite->CompressedBitmap(), p.X, p.Y});
    }
    return keys;
}

void TOverviewWindow::BuildBackground(const TLayout& L) {
    const int w = L.Rect.width();
    const int h = L.Rect.height();
    FBackground = QImage(w, h, QImage::Format_Indexed8);
    FBackground.fill(0);
    // The map pixel each image column and row shows: the one under its centre.
    std::vector<int64_t> mapX(static_cast<size_t>(w));
    std::vector<int64_t> mapY(static_cast<size_t>(h));
    for (int i = 0; i < w; ++i)
        mapX[size_t(i)] = int64_t(std::floor((i + 0.5) / L.Scale));
    for (int i = 0; i < h; ++i)
        mapY[size_t(i)] = int64_t(std::floor((i + 0.5) / L.Scale));
    const auto first = [](const std::vector<int64_t>& Map, int64_t Value) {
        return int(std::lower_bound(Map.begin(), Map.end(), Value) - Map.begin());
    };
    // In placement order: later elements lie over earlier ones, as the engine draws them.
    for (const TElementEntry& entry : FSurface->ElementNames()) {
        if (!entry.Sprite)
            continue;
        const TCompressedBitmap& bitmap = entry.Sprite->CompressedBitmap();
        const int64_t bw = bitmap.Width();
        const int64_t bh = bitmap.Height();
        if (bw <= 0 || bh <= 0 || bitmap.RunCount() <= 0)
            continue;
        const TPoint at = entry.Sprite->Position();
        const int c0 = first(mapX, at.X);
        const int c1 = first(mapX, at.X + bw);
        const int r0 = first(mapY, at.Y);
        const int r1 = first(mapY, at.Y + bh);
        if (c0 >= c1 || r0 >= r1)
            continue;
        const int32_t stride = bitmap.RowStride();
        for (int row = r0; row < r1; ++row) {
            const int64_t sy = mapY[size_t(row)] - at.Y;
            const TCompressedBitmap::TRowStart& start = bitmap.RowStart(int32_t(sy / stride));
            const TRunRecord* run = bitmap.Runs() + start.Run;
            int32_t used = start.Offset;
            int64_t sx = mapX[size_t(c0)] - at.X;
            TCompressedBitmap::Advance(run, used, (sy % stride) * bw + sx);
            uchar* line = FBackground.scanLine(row);
            for (int column = c0; column < c1; ++column) {
                const int64_t next = mapX[size_t(column)] - at.X;
                TCompressedBitmap::Advance(run, used, next - sx);
                sx = next;
                line[column] = run->Color;
            }
        }
    }
}

void TOverviewWindow::BuildMapImage(const TLayout& L) {
    const TColorPalette* palette = FSurface->ColorPalette();
    QList<QRgb> colors(256);
    for (int i = 0; i < 256; ++i)
        colors[i] = palette ? PaletteColor(palette, uint32_t(i)) : qRgb(0, 0, 0);
    FBackground.setColorTable(colors);
    FMapImage = FBackground.convertToFormat(QImage::Format_RGB32);
    const int w = FMapImage.width();
    const int h = FMapImage.height();
    auto* bits = reinterpret_cast<uint32_t*>(FMapImage.bits());
    const int64_t stride = FMapImage.bytesPerLine() / 4;
    const double s = L.Scale;
    for (int32_t i = 0; i < FSurface->ZoneCount(); ++i) {
        const TZone* zone = FSurface->Zone(i);
        const int32_t n = zone->PointCount();
        if (n == 0)
            continue;
        const TRect& b = zone->Bounds();
        if (b.Right * s < 0 || b.Bottom * s < 0 || b.Left * s >= w || b.Top * s >= h)
            continue;
        const uint32_t color = PaletteColor(palette, zone->ColorIndex());
        for (int32_t k = 0; k < n; ++k) {
            const TPoint& p = zone->Point(k);
            const TPoint& q = zone->Point(k + 1 < n ? k + 1 : 0);
            DrawLine(bits, stride, w, h, p.X * s, p.Y * s, q.X * s, q.Y * s, color);
        }
    }
    FMapDirty = false;
}

const QImage& TOverviewWindow::MapImage() {
    const TLayout L = Layout();
    if (!FSurface || L.Rect.isEmpty()) {
        FMapImage = QImage();
        return FMapImage;
    }
    std::vector<TElementKey> keys = ElementKeys();
    if (FBackgroundDirty || keys != FBackgroundKeys || L.Rect.size() != FBackgroundSize ||
        L.Scale != FBackgroundScale) {
        BuildBackground(L);
        FBackgroundKeys = std::move(keys);
        FBackgroundSize = L.Rect.size();
        FBackgroundScale = L.Scale;
        FBackgroundDirty = false;
        FMapDirty = true;
    }
    if (FMapDirty)
        BuildMapImage(L);
    return FMapImage;
}

void TOverviewWindow::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), QColor(64, 64, 64));
    const QImage& image = MapImage();
    if (image.isNull())
        return;
    painter.drawImage(MapRect().topLeft(), image);
    // Dark then light, so the rectangle shows on any background.
    const QRectF view = ViewRect();
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(Qt::black, 1));
    painter.drawRect(view.adjusted(-1, -1, 0, 0));
    painter.setPen(QPen(Qt::white, 1));
    painter.drawRect(view.adjusted(0, 0, -1, -1));
}

void TOverviewWindow::mousePressEvent(QMouseEvent* Event) {
    if (Event->button() == Qt::LeftButton)
        CenterAt(Event->position().toPoint());
}

void TOverviewWindow::mouseMoveEvent(QMouseEvent* Event) {
    if (Event->buttons() & Qt::LeftButton)
        CenterAt(Event->position().toPoint());
}

void TOverviewWindow::CenterAt(QPoint P) {
    if (!FNavigator || !FSurface)
        return;
    FNavigator->RunInput([&] {
        const QPoint target = MapPointAt(P);
        FNavigator->CenterOn(target.x(), target.y());
        ViewChanged();
    });
}
