#include "common/PdfCheck.h"

#include <cctype>
#include <optional>

namespace ostrevik {
namespace {

class Reader {
public:
    Reader(const QByteArray& data, qsizetype at) : data_(data), at_(at) {}

    void skipSpace() {
        while (at_ < data_.size() && std::isspace(static_cast<unsigned char>(data_[at_]))) {
            ++at_;
        }
    }
    std::optional<qint64> number() {
        skipSpace();
        qint64 value = 0;
        const qsizetype start = at_;
        while (at_ < data_.size() && std::isdigit(static_cast<unsigned char>(data_[at_])) &&
               at_ - start < 12) {
            value = value * 10 + (data_[at_] - '0');
            ++at_;
        }
        if (at_ == start) {
            return std::nullopt;
        }
        return value;
    }
    bool word(const char* w) {
        skipSpace();
        const QByteArray expected(w);
        if (data_.mid(at_, expected.size()) != expected) {
            return false;
        }
        at_ += expected.size();
        return true;
    }
    char letter() {
        skipSpace();
        return at_ < data_.size() ? data_[at_++] : '\0';
    }

private:
    const QByteArray& data_;
    qsizetype at_;
};

}  // namespace

QString pdfIncompleteReason(const QByteArray& pdf) {
    const QString incomplete = QStringLiteral("Die PDF-Datei ist unvollständig.");
    if (!pdf.startsWith("%PDF-")) {
        return incomplete;
    }
    // The tail: "startxref", the table's position, "%%EOF".
    const qsizetype tail = pdf.lastIndexOf("startxref");
    if (tail < 0 || pdf.size() - tail > 64) {
        return incomplete;
    }
    Reader end(pdf, tail + 9);
    const std::optional<qint64> xref = end.number();
    if (!xref || !end.word("%%EOF") || *xref >= pdf.size()) {
        return incomplete;
    }
    // Every listed object where the table puts it.
    Reader table(pdf, static_cast<qsizetype>(*xref));
    if (!table.word("xref")) {
        return incomplete;
    }
    while (!table.word("trailer")) {
        const std::optional<qint64> first = table.number();
        const std::optional<qint64> count = table.number();
        if (!first || !count) {
            return incomplete;
        }
        for (qint64 k = 0; k < *count; ++k) {
            const std::optional<qint64> offset = table.number();
            const std::optional<qint64> generation = table.number();
            const char kind = table.letter();
            if (!offset || !generation || (kind != 'n' && kind != 'f')) {
                return incomplete;
            }
            if (kind == 'n') {
                const QByteArray header =
                    QByteArray::number(*first + k) + ' ' + QByteArray::number(*generation) + " obj";
                if (*offset >= pdf.size() ||
                    pdf.mid(static_cast<qsizetype>(*offset), header.size()) != header) {
                    return incomplete;
                }
            }
        }
    }
    return {};
}

}  // namespace ostrevik
