#include "drills/DrillLibrary.h"

#include "drills/DrillFile.h"
#include "drills/DrillTexts.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>

namespace ostrevik {
namespace {

using Kind = DrillLibraryError::Kind;

// Long enough to tell drills apart, short enough for any file system.
constexpr qsizetype kFileBaseMaxLength = 64;

bool sameName(const QString& a, const QString& b) {
    return a.trimmed().compare(b.trimmed(), Qt::CaseInsensitive) == 0;
}

DrillLibraryError failure(Kind kind, QString name = {}, QString path = {}, QString detail = {}) {
    DrillLibraryError e;
    e.kind = kind;
    e.name = std::move(name);
    e.path = std::move(path);
    e.detail = std::move(detail);
    return e;
}

}  // namespace

QString DrillEntry::name() const {
    return source == Source::Damaged ? QFileInfo(path).fileName() : drill.name;
}

DrillLibrary::DrillLibrary(QString folder) : folder_(std::move(folder)) {}

QString DrillLibrary::defaultFolder() {
    // Beside the analysis' and the archive's settings files.
    QString base = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (base.isEmpty() || !QDir::isAbsolutePath(base)) {
        base = QDir::homePath() + QStringLiteral("/.config");
    }
    return base + QStringLiteral("/Ostrevik/Uebungen");
}

std::vector<DrillEntry> DrillLibrary::list() const {
    std::vector<DrillEntry> entries;
    for (Drill& d : builtInDrills()) {
        entries.push_back({DrillEntry::Source::BuiltIn, std::move(d), {}, {}});
    }
    std::vector<DrillEntry> own;
    std::vector<DrillEntry> damaged;
    const QFileInfoList files =
        QDir(folder_).entryInfoList({QStringLiteral("*.json")}, QDir::Files, QDir::Name);
    for (const QFileInfo& info : files) {
        DrillRead read = readDrillFile(info.absoluteFilePath());
        if (read.error.ok()) {
            // The first file of a name keeps it; a later one (a copy made by
            // hand) would make the name mean two drills.
            const auto taken = [&read](const DrillEntry& e) {
                return sameName(e.drill.name, read.drill.name);
            };
            if (std::ranges::any_of(entries, taken) || std::ranges::any_of(own, taken)) {
                read.error = {DrillFileError::Kind::NameTaken, 0, read.drill.name, 0};
            }
        }
        if (read.error.ok()) {
            own.push_back(
                {DrillEntry::Source::Own, std::move(read.drill), info.absoluteFilePath(), {}});
        } else {
            damaged.push_back(
                {DrillEntry::Source::Damaged, {}, info.absoluteFilePath(), read.error});
        }
    }
    std::ranges::stable_sort(own, [](const DrillEntry& a, const DrillEntry& b) {
        return a.drill.name.compare(b.drill.name, Qt::CaseInsensitive) < 0;
    });
    entries.insert(entries.end(), std::make_move_iterator(own.begin()),
                   std::make_move_iterator(own.end()));
    entries.insert(entries.end(), std::make_move_iterator(damaged.begin()),
                   std::make_move_iterator(damaged.end()));
    return entries;
}

std::optional<DrillEntry> DrillLibrary::find(const QString& name) const {
    for (DrillEntry& e : list()) {
        if (e.source != DrillEntry::Source::Damaged && sameName(e.drill.name, name)) {
            return std::move(e);
        }
    }
    return std::nullopt;
}

bool DrillLibrary::nameTaken(const QString& name, const QString& exceptPath) const {
    const std::vector<DrillEntry> entries = list();
    return std::ranges::any_of(entries, [&](const DrillEntry& e) {
        return e.source != DrillEntry::Source::Damaged && sameName(e.drill.name, name) &&
               (exceptPath.isEmpty() || e.path != exceptPath);
    });
}

QString DrillLibrary::fileNameFor(const QString& name, const QString& except) const {
    QString base;
    for (const QChar c : name.trimmed()) {
        const QChar kept = c.isLetterOrNumber() ? c : QLatin1Char('_');
        if (kept != QLatin1Char('_') || (!base.isEmpty() && !base.endsWith(QLatin1Char('_')))) {
            base += kept;
        }
    }
    base = base.left(kFileBaseMaxLength);
    while (base.endsWith(QLatin1Char('_'))) {
        base.chop(1);
    }
    if (base.isEmpty()) {
        base = QStringLiteral("Uebung");
    }
    const QDir dir(folder_);
    for (int n = 1;; ++n) {
        const QString file = (n == 1 ? base : base + QLatin1Char('-') + QString::number(n)) +
                             QStringLiteral(".json");
        const QString path = dir.absoluteFilePath(file);
        if (path == except || !QFileInfo::exists(path)) {
            return file;
        }
    }
}

DrillLibraryError DrillLibrary::write(const Drill& drill, const QString& oldPath) {
    if (!QDir().mkpath(folder_)) {
        return failure(Kind::FolderNotMade, drill.name, folder_);
    }
    const QString path = QDir(folder_).absoluteFilePath(fileNameFor(drill.name, oldPath));
    if (const FileWriteResult w = writeDrillFile(path, drill); !w.ok) {
        return failure(Kind::WriteFailed, drill.name, path, w.reason);
    }
    if (!oldPath.isEmpty() && oldPath != path) {
        QFile old(oldPath);
        if (!old.remove()) {
            return failure(Kind::RemoveFailed, drill.name, oldPath, old.errorString());
        }
    }
    return {};
}

DrillLibraryError DrillLibrary::save(const Drill& drill, const QString& previous) {
    Drill d = drill;
    d.name = d.name.trimmed();
    if (const DrillFileError invalid = validateDrill(d); invalid.failed()) {
        DrillLibraryError e = failure(Kind::Invalid, d.name);
        e.file = invalid;
        return e;
    }
    QString oldPath;
    if (!previous.isEmpty()) {
        const std::optional<DrillEntry> old = find(previous);
        if (!old) {
            return failure(Kind::NotFound, previous);
        }
        if (old->source == DrillEntry::Source::BuiltIn) {
            return failure(Kind::BuiltIn, old->drill.name);
        }
        oldPath = old->path;
    }
    if (nameTaken(d.name, oldPath)) {
        return failure(Kind::NameTaken, d.name);
    }
    return write(d, oldPath);
}

DrillLibraryError DrillLibrary::copy(const QString& name, const QString& newName) {
    const std::optional<DrillEntry> original = find(name);
    if (!original) {
        return failure(Kind::NotFound, name);
    }
    Drill d = original->drill;
    d.name = newName;
    return save(d);
}

DrillLibraryError DrillLibrary::remove(const QString& name) {
    for (const DrillEntry& e : list()) {
        const bool named = e.source == DrillEntry::Source::Damaged ? e.name() == name
                                                                   : sameName(e.drill.name, name);
        if (!named) {
            continue;
        }
        if (e.source == DrillEntry::Source::BuiltIn) {
            return failure(Kind::BuiltIn, e.drill.name);
        }
        QFile file(e.path);
        if (!file.remove()) {
            return failure(Kind::RemoveFailed, e.name(), e.path, file.errorString());
        }
        return {};
    }
    return failure(Kind::NotFound, name);
}

DrillLibraryError DrillLibrary::importFile(const QString& path) {
    const DrillRead read = readDrillFile(path);
    if (read.error.failed()) {
        DrillLibraryError e = failure(Kind::ImportRefused, {}, path);
        e.file = read.error;
        return e;
    }
    return save(read.drill);
}

DrillLibraryError DrillLibrary::exportDrill(const QString& name, const QString& path) const {
    const std::optional<DrillEntry> entry = find(name);
    if (!entry) {
        return failure(Kind::NotFound, name);
    }
    if (const FileWriteResult w = writeDrillFile(path, entry->drill); !w.ok) {
        return failure(Kind::WriteFailed, entry->drill.name, path, w.reason);
    }
    return {};
}

std::optional<Drill> namedDrill(const QString& nameOrPath, QString& why) {
    if (QFileInfo::exists(nameOrPath)) {
        DrillRead read = readDrillFile(nameOrPath);
        if (read.error.failed()) {
            why = DrillTexts::FileRefused(nameOrPath, read.error);
            return std::nullopt;
        }
        return std::move(read.drill);
    }
    if (std::optional<DrillEntry> entry = DrillLibrary().find(nameOrPath)) {
        return std::move(entry->drill);
    }
    why = DrillTexts::NoSuchDrill(nameOrPath);
    return std::nullopt;
}

}  // namespace ostrevik
