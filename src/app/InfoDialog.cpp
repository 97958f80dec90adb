#include "app/InfoDialog.h"

#include "common/Texts.h"

#include <QFrame>
#include <QLabel>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>

#include <cmath>

namespace ostrevik {

QString InfoText() {
    const char* const lines[] = {
        "Programmname : Ostrevik.exe",
        "Version: 4.0709",
        "Entwicklung: Ostrevik-Projektgruppe",
        "2007 - 2026",
        "Ostrevik Schießsporttechnik",
        "Am Schießstand 7",
        "12345 Musterstadt",
        "E-Mail: info@ostrevik.example",
    };
    QString text;
    for (const char* line : lines) {
        text += QString::fromUtf8(line) + QLatin1Char('\n');
    }
    return text;
}

QImage InfoPicture(const QSize& size) {
    QImage image(size, QImage::Format_RGB32);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal w = size.width();
    const qreal h = size.height();

    QLinearGradient sky(0, 0, 0, h);
    sky.setColorAt(0.0, QColor(0x1F, 0x3A, 0x5F));
    sky.setColorAt(1.0, QColor(0x4A, 0x7F, 0xB0));
    p.fillRect(image.rect(), sky);

    // A grid like the curve pictures' one, faint.
    p.setPen(QPen(QColor(255, 255, 255, 40), 1));
    for (qreal x = 0; x < w; x += w / 16) {
        p.drawLine(QPointF(x, 0), QPointF(x, h));
    }
    for (qreal y = 0; y < h; y += h / 4) {
        p.drawLine(QPointF(0, y), QPointF(w, y));
    }

    // The tone threshold and a take-up of the pressure point up to the shot.
    const qreal base = h - 8;
    const qreal threshold = h * 0.35;
    p.setPen(QPen(QColor(0, 255, 255), 1, Qt::DashLine));
    p.drawLine(QPointF(0, threshold), QPointF(w, threshold));
    QPainterPath curve(QPointF(0, base));
    const qreal shotX = w * 0.78;
    for (qreal x = 0; x <= shotX; x += 2) {
        const qreal t = x / shotX;
        const qreal rise = 1.0 / (1.0 + std::exp(-10.0 * (t - 0.45)));
        curve.lineTo(x, base - rise * (base - h * 0.22) + 1.5 * std::sin(x / 5.0));
    }
    p.setPen(QPen(QColor(255, 64, 64), 2));
    p.drawPath(curve);
    const QPointF shot = curve.currentPosition();
    p.setPen(QPen(QColor(255, 255, 0), 2));
    p.drawEllipse(shot, 5, 5);

    QFont font = p.font();
    font.setPixelSize(static_cast<int>(h * 0.3));
    font.setBold(true);
    p.setFont(font);
    p.setPen(Qt::white);
    p.drawText(QRectF(8, 4, w - 16, h * 0.4), Qt::AlignLeft | Qt::AlignTop, Texts::kOstrevik);
    return image;
}

TPvxInfoDlg::TPvxInfoDlg(QWidget* parent) : ProgramDialog(parent) {
    setWindowTitle(QStringLiteral("Info Ostrevik"));
    MakeFixedForm(277, 256);

    Panel1 = new QFrame(this);
    Panel1->setGeometry(4, 8, 269, 209);
    Panel1->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    Panel1->setLineWidth(1);
    Panel1->setAutoFillBackground(true);
    QPalette window = Panel1->palette();
    window.setColor(QPalette::Window, window.color(QPalette::Base));
    Panel1->setPalette(window);

    Label1 = new QLabel(Panel1);
    Label1->setGeometry(18, 16, 233, 113);
    Label1->setAlignment(Qt::AlignHCenter | Qt::AlignTop);

    Image1 = new QLabel(Panel1);
    Image1->setGeometry(1, 209 - 1 - 72, 267, 72);
    Image1->setScaledContents(true);
    Image1->setPixmap(QPixmap::fromImage(InfoPicture(QSize(267, 72))));

    OKBtn = new QPushButton(QStringLiteral("OK"), this);
    OKBtn->setGeometry(101, 224, 75, 25);
    OKBtn->setDefault(true);
    connect(OKBtn, &QPushButton::clicked, this, &QDialog::accept);
}

void TPvxInfoDlg::FormShow() {
    Label1->setText(InfoText());
}

}  // namespace ostrevik
