#include "PdfTools.h"

#include <QProcess>
#include <QRegularExpression>

#include <gtest/gtest.h>

namespace ostrevik::test {
namespace {

QString ausfuehren(const QString& programm, const QStringList& args) {
    QProcess p;
    p.start(programm, args);
    if (!p.waitForFinished(30000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        ADD_FAILURE() << programm.toStdString()
                      << " failed: " << p.readAllStandardError().toStdString();
        return {};
    }
    return QString::fromUtf8(p.readAllStandardOutput());
}

}  // namespace

int pdfSeiten(const QString& path) {
    const QString info = ausfuehren(QStringLiteral("pdfinfo"), {path});
    const QRegularExpressionMatch m =
        QRegularExpression(QStringLiteral("^Pages:\\s+(\\d+)"), QRegularExpression::MultilineOption)
            .match(info);
    return m.hasMatch() ? m.captured(1).toInt() : -1;
}

QString pdfText(const QString& path, int seite) {
    QStringList args{QStringLiteral("-layout")};
    if (seite > 0) {
        args << QStringLiteral("-f") << QString::number(seite) << QStringLiteral("-l")
             << QString::number(seite);
    }
    args << path << QStringLiteral("-");
    return ausfuehren(QStringLiteral("pdftotext"), args);
}

std::vector<PdfWort> pdfWoerter(const QString& path) {
    const QString html = ausfuehren(QStringLiteral("pdftotext"),
                                    {QStringLiteral("-bbox"), path, QStringLiteral("-")});
    std::vector<PdfWort> out;
    int seite = 0;
    static const QRegularExpression zeile(
        QStringLiteral("<page |<word xMin=\"([\\d.]+)\" yMin=\"([\\d.]+)\" xMax=\"([\\d.]+)\" "
                       "yMax=\"([\\d.]+)\">([^<]*)</word>"));
    auto it = zeile.globalMatch(html);
    while (it.hasNext()) {
        const QRegularExpressionMatch m = it.next();
        if (m.captured(0).startsWith(QStringLiteral("<page"))) {
            ++seite;
            continue;
        }
        PdfWort w;
        w.seite = seite;
        w.box = QRectF(QPointF(m.captured(1).toDouble(), m.captured(2).toDouble()),
                       QPointF(m.captured(3).toDouble(), m.captured(4).toDouble()));
        w.text = m.captured(5)
                     .replace(QStringLiteral("&lt;"), QStringLiteral("<"))
                     .replace(QStringLiteral("&gt;"), QStringLiteral(">"))
                     .replace(QStringLiteral("&quot;"), QStringLiteral("\""))
                     .replace(QStringLiteral("&amp;"), QStringLiteral("&"));
        out.push_back(w);
    }
    return out;
}

}  // namespace ostrevik::test
