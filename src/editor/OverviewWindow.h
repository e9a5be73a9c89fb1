#pragma once

#include <QImage>
#include <QPointer>
#include <QWidget>

#include <cstdint>
#include <vector>

class TMapNavigator;
class TZoneSpriteSurface;

// A tool window with the whole map scaled to fit, aspect kept: the background made from
// the elements' compressed bitmaps, the zone outlines in the surface's land and sea
// colours, and the visible part of the map as a rectangle. A click or a drag puts the
// point under the mouse at the centre of the view.
//
// The area shown is what the view can reach: the virtual size, or the view's own size
// where the map is smaller. The scaled background is kept and made again only when the
// elements, their bitmaps, the area or the window's size change; the zones are drawn
// again on MapChanged. Nothing is drawn while the window is hidden.
class TOverviewWindow : public QWidget {
    Q_OBJECT
public:
    // Navigator moves the view; both it and Surface may be destroyed first.
    TOverviewWindow(TZoneSpriteSurface* Surface, TMapNavigator* Navigator,
                    QWidget* Parent = nullptr);
    ~TOverviewWindow() override;

    // Zones, links, elements or bitmaps changed (a changed set of elements is noticed
    // here too).
    void MapChanged();
    // Bitmaps or elements changed: the background is made again.
    void BackgroundChanged();
    // The offsets or the view's size changed: only the rectangle moves.
    void ViewChanged();

    // Where the map lies in the window, and the pixels per map pixel.
    QRect MapRect() const;
    double Scale() const;
    // The visible part of the map in window coordinates.
    QRectF ViewRect() const;
    // The map point under window point P (outside the map: the nearest map point).
    QPoint MapPointAt(QPoint P) const;

    // Brings the map picture up to date and returns it (MapRect's size).
    const QImage& MapImage();

    QSize sizeHint() const override { return {320, 240}; }

protected:
    void paintEvent(QPaintEvent* Event) override;
    void mousePressEvent(QMouseEvent* Event) override;
    void mouseMoveEvent(QMouseEvent* Event) override;

private:
    struct TLayout {
        int64_t AreaWidth = 1;
        int64_t AreaHeight = 1;
        double Scale = 1;
        QRect Rect;
    };
    // What the background was made from; a difference means it is out of date.
    struct TElementKey {
        const void* Bitmap;
        int32_t X;
        int32_t Y;
        friend bool operator==(const TElementKey&, const TElementKey&) = default;
    };

    TLayout Layout() const;
    std::vector<TElementKey> ElementKeys() const;
    void BuildBackground(const TLayout& L);
    void BuildMapImage(const TLayout& L);
    void CenterAt(QPoint P);

    QPointer<TZoneSpriteSurface> FSurface;
    QPointer<TMapNavigator> FNavigator;
    // Palette indexes, the map area scaled.
    QImage FBackground;
    std::vector<TElementKey> FBackgroundKeys;
    QSize FBackgroundSize;
    double FBackgroundScale = 0;
    bool FBackgroundDirty = true;
    // Background in the palette's colours with the zones over it.
    QImage FMapImage;
    bool FMapDirty = true;
};
