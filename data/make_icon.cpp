// Draws the program icon: a map sheet with a coast, zone borders and a brick of sea grid.
//
//   make_icon OUTPUT.png

#include <QImage>
#include <QPainter>
#include <QPainterPath>

#include <cstdio>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_icon OUTPUT.png\n");
        return 2;
    }
    constexpr int Size = 128;
    QImage Icon(Size, Size, QImage::Format_ARGB32_Premultiplied);
    Icon.fill(Qt::transparent);
    QPainter P(&Icon);
    P.setRenderHint(QPainter::Antialiasing);

    const QRectF Sheet(6, 6, Size - 12, Size - 12);
    QPainterPath SheetPath;
    SheetPath.addRoundedRect(Sheet, 14, 14);
    P.fillPath(SheetPath, QColor(38, 78, 132));
    P.setClipPath(SheetPath);

    // The sea's brick grid, faint, as the editor draws it for standard sea zones.
    P.setPen(QPen(QColor(62, 108, 158), 2));
    for (int Row = 0; Row * 24 < Size; ++Row) {
        const int Y = 6 + Row * 24;
        P.drawLine(0, Y, Size, Y);
        for (int X = (Row % 2 ? 12 : 0); X < Size; X += 24)
            P.drawLine(6 + X, Y, 6 + X, Y + 24);
    }

    QPainterPath Land;
    Land.moveTo(40, 0);
    Land.cubicTo(30, 30, 52, 40, 34, 62);
    Land.cubicTo(20, 80, 46, 96, 40, 128);
    Land.lineTo(128, 128);
    Land.lineTo(128, 86);
    Land.cubicTo(104, 90, 88, 72, 96, 56);
    Land.cubicTo(104, 40, 128, 42, 128, 30);
    Land.lineTo(128, 0);
    Land.closeSubpath();
    P.setPen(QPen(QColor(120, 160, 196), 6));
    P.drawPath(Land);
    P.setPen(QPen(QColor(72, 64, 48), 2.5));
    P.setBrush(QColor(150, 186, 104));
    P.drawPath(Land);

    // Zone borders meeting at shared corners, one zone picked out in white.
    const QPointF A(40, 58), B(70, 50), C(78, 86), D(54, 100), E(104, 20), F(66, 14);
    P.setClipPath(Land.intersected(SheetPath));
    P.fillPath(
        [&] {
            QPainterPath Zone;
            Zone.moveTo(B);
            Zone.lineTo(C);
            Zone.lineTo(D);
            Zone.lineTo(A);
            Zone.closeSubpath();
            return Zone;
        }(),
        QColor(200, 190, 130));
    P.setPen(QPen(QColor(150, 30, 24), 3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    const QPointF Borders[][2] = {{A, B}, {B, C}, {C, D}, {D, A}, {B, F}, {B, E}, {C, {128, 94}}};
    for (const auto& Border : Borders)
        P.drawLine(Border[0], Border[1]);
    P.setClipping(false);

    P.setPen(QPen(QColor(255, 255, 255), 3));
    P.setBrush(Qt::NoBrush);
    P.drawRoundedRect(Sheet, 14, 14);
    P.end();
    return Icon.save(QString::fromLocal8Bit(argv[1])) ? 0 : 1;
}
