#include "app/ToolbarIcons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

#include <cmath>

namespace ostrevik {
namespace {

const QColor kBlue(26, 77, 128);

void drawBeenden(QPainter& p) {
    // A power symbol.
    p.setPen(QPen(QColor(200, 0, 0), 3.5, Qt::SolidLine, Qt::RoundCap));
    p.drawArc(QRectF(6, 7, 20, 20), 120 * 16, 300 * 16);
    p.drawLine(QPointF(16, 4), QPointF(16, 16));
}

void drawDateiNeu(QPainter& p) {
    QPainterPath page;
    page.moveTo(7, 3);
    page.lineTo(19, 3);
    page.lineTo(25, 9);
    page.lineTo(25, 29);
    page.lineTo(7, 29);
    page.closeSubpath();
    p.setPen(QPen(kBlue, 1.5));
    p.setBrush(Qt::white);
    p.drawPath(page);
    p.drawPolyline(QPolygonF({QPointF(19, 3), QPointF(19, 9), QPointF(25, 9)}));
    p.setPen(QPen(QColor(220, 0, 0), 2));
    p.setBrush(Qt::NoBrush);
    p.drawPolyline(QPolygonF(
        {QPointF(9, 25), QPointF(12, 22), QPointF(14, 16), QPointF(17, 13), QPointF(22, 12)}));
}

void drawAnzeige(QPainter& p) {
    // Curves lined up on the shot.
    p.setPen(QPen(Qt::black, 1.5));
    p.drawLine(4, 28, 28, 28);
    p.drawLine(4, 4, 4, 28);
    p.setPen(QPen(QColor(220, 0, 0), 2));
    p.drawPolyline(QPolygonF({QPointF(6, 26), QPointF(12, 18), QPointF(18, 12), QPointF(22, 11)}));
    p.drawPolyline(QPolygonF({QPointF(10, 26), QPointF(15, 21), QPointF(19, 16), QPointF(22, 15)}));
    p.setPen(QPen(QColor(0, 0, 220), 2));
    p.drawLine(22, 6, 22, 28);
    p.drawEllipse(QPointF(22, 11), 3.5, 3.5);
}

void drawEinstellungen(QPainter& p) {
    // Three sliders.
    for (int i = 0; i < 3; ++i) {
        const qreal y = 8 + i * 8;
        p.setPen(QPen(QColor(90, 90, 90), 2));
        p.drawLine(QPointF(4, y), QPointF(28, y));
        p.setPen(QPen(kBlue, 1.5));
        p.setBrush(QColor(120, 170, 220));
        const qreal x = 9 + ((i * 7) % 15);
        p.drawRoundedRect(QRectF(x - 3, y - 4, 6, 8), 1.5, 1.5);
    }
}

void drawHilfe(QPainter& p) {
    p.setPen(QPen(kBlue, 2));
    p.setBrush(QColor(230, 238, 247));
    p.drawEllipse(QRectF(3, 3, 26, 26));
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setPixelSize(20);
    f.setBold(true);
    p.setFont(f);
    p.drawText(QRectF(3, 3, 26, 26), Qt::AlignCenter, QStringLiteral("?"));
}

void drawInfo(QPainter& p) {
    p.setPen(QPen(kBlue, 2));
    p.setBrush(kBlue);
    p.drawEllipse(QRectF(3, 3, 26, 26));
    QFont f(QStringLiteral("DejaVu Serif"));
    f.setPixelSize(20);
    f.setBold(true);
    p.setFont(f);
    p.setPen(Qt::white);
    p.drawText(QRectF(3, 4, 26, 26), Qt::AlignCenter, QStringLiteral("i"));
}

}  // namespace

QImage toolbarImage(ToolbarImage image) {
    QImage img(32, 32, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    switch (image) {
        case ToolbarImage::Beenden:
            drawBeenden(p);
            break;
        case ToolbarImage::DateiNeu:
            drawDateiNeu(p);
            break;
        case ToolbarImage::Anzeige:
            drawAnzeige(p);
            break;
        case ToolbarImage::Einstellungen:
            drawEinstellungen(p);
            break;
        case ToolbarImage::Hilfe:
            drawHilfe(p);
            break;
        case ToolbarImage::Info:
            drawInfo(p);
            break;
    }
    return img;
}

QImage applicationImage(int size) {
    QImage img(size, size, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    // Drawn on a 128-unit canvas, scaled to the requested size.
    p.scale(size / 128.0, size / 128.0);
    p.setPen(QPen(kBlue, 6));
    p.setBrush(Qt::white);
    p.drawRoundedRect(QRectF(6, 6, 116, 116), 16, 16);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(192, 192, 192), 2));
    for (int y : {40, 64, 88})
        p.drawLine(22, y, 112, y);
    p.setPen(QPen(Qt::black, 5, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(22, 20, 22, 108);
    p.drawLine(16, 104, 114, 104);
    p.setPen(QPen(QColor(0, 200, 200), 4));
    p.drawLine(22, 52, 112, 52);
    p.setPen(QPen(QColor(224, 0, 0), 6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPolyline(QPolygonF({QPointF(24, 102), QPointF(36, 96), QPointF(46, 74), QPointF(56, 58),
                              QPointF(66, 52), QPointF(76, 50), QPointF(84, 49), QPointF(90, 48)}));
    p.drawPolyline(QPolygonF({QPointF(96, 56), QPointF(104, 72), QPointF(110, 84)}));
    p.setPen(QPen(QColor(0, 0, 224), 5));
    p.drawEllipse(QPointF(90, 48), 9, 9);
    return img;
}

QIcon applicationIcon() {
    QIcon icon;
    for (int size : {16, 24, 32, 48, 64, 128, 256})
        icon.addPixmap(QPixmap::fromImage(applicationImage(size)));
    return icon;
}

QIcon toolbarIcon(ToolbarImage image) {
    return QIcon(QPixmap::fromImage(toolbarImage(image)));
}

}  // namespace ostrevik
