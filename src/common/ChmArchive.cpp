#include "common/ChmArchive.h"

#include <QFile>
#include <QRegularExpression>

#include <chm_lib.h>

namespace ostrevik {
namespace {

QByteArray objectPath(const QString& entry) {
    QString p = entry;
    const qsizetype hash = p.indexOf(QLatin1Char('#'));
    if (hash >= 0) {
        p.truncate(hash);
    }
    if (!p.startsWith(QLatin1Char('/'))) {
        p.prepend(QLatin1Char('/'));
    }
    return p.toUtf8();
}

int collectHhc(struct chmFile*, struct chmUnitInfo* ui, void* context) {
    auto* found = static_cast<QString*>(context);
    const QString path = QString::fromUtf8(ui->path);
    if (path.endsWith(QLatin1String(".hhc"), Qt::CaseInsensitive)) {
        *found = path;
        return CHM_ENUMERATOR_SUCCESS;
    }
    return CHM_ENUMERATOR_CONTINUE;
}

}  // namespace

struct ChmArchive::Handle {
    struct chmFile* file = nullptr;
    ~Handle() {
        if (file) {
            chm_close(file);
        }
    }
};

ChmArchive::ChmArchive() = default;
ChmArchive::~ChmArchive() = default;

bool ChmArchive::open(const QString& path) {
    handle_.reset();
    path_.clear();
    auto h = std::make_unique<Handle>();
    h->file = chm_open(QFile::encodeName(path).constData());
    if (!h->file) {
        return false;
    }
    handle_ = std::move(h);
    path_ = path;
    return true;
}

bool ChmArchive::isOpen() const {
    return handle_ != nullptr;
}

bool ChmArchive::contains(const QString& entry) const {
    if (!handle_) {
        return false;
    }
    chmUnitInfo ui{};
    return chm_resolve_object(handle_->file, objectPath(entry).constData(), &ui) ==
           CHM_RESOLVE_SUCCESS;
}

QByteArray ChmArchive::read(const QString& entry, bool* ok) const {
    if (ok) {
        *ok = false;
    }
    if (!handle_) {
        return {};
    }
    chmUnitInfo ui{};
    if (chm_resolve_object(handle_->file, objectPath(entry).constData(), &ui) !=
        CHM_RESOLVE_SUCCESS) {
        return {};
    }
    // Help pages are small; refuse absurd sizes from a damaged file.
    constexpr LONGUINT64 kMaxEntry = 64ULL * 1024 * 1024;
    if (ui.length > kMaxEntry) {
        return {};
    }
    QByteArray data(static_cast<qsizetype>(ui.length), '\0');
    const LONGINT64 got =
        chm_retrieve_object(handle_->file, &ui, reinterpret_cast<unsigned char*>(data.data()), 0,
                            static_cast<LONGINT64>(ui.length));
    if (got < 0) {
        return {};
    }
    data.truncate(static_cast<qsizetype>(got));
    if (ok) {
        *ok = true;
    }
    return data;
}

QVector<ChmArchive::Topic> ChmArchive::contents() const {
    QVector<Topic> topics;
    if (!handle_) {
        return topics;
    }
    QString hhc;
    chm_enumerate(handle_->file, CHM_ENUMERATE_NORMAL, collectHhc, &hhc);
    if (hhc.isEmpty()) {
        return topics;
    }
    const QString text = QString::fromUtf8(read(hhc));
    static const QRegularExpression item(
        QStringLiteral("<param\\s+name=\"Name\"\\s+value=\"([^\"]*)\">\\s*"
                       "<param\\s+name=\"Local\"\\s+value=\"([^\"]*)\">"),
        QRegularExpression::CaseInsensitiveOption);
    for (auto it = item.globalMatch(text); it.hasNext();) {
        const auto m = it.next();
        topics.append({m.captured(1), m.captured(2)});
    }
    return topics;
}

}  // namespace ostrevik
