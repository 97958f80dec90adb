#pragma once

#include "drills/Drill.h"
#include "drills/DrillFile.h"

#include <QString>

#include <optional>
#include <vector>

namespace ostrevik {

// A drill as the library lists it.
struct DrillEntry {
    enum class Source { BuiltIn, Own, Damaged };
    Source source = Source::BuiltIn;
    Drill drill;             // BuiltIn and Own
    QString path;            // Own and Damaged: its file
    DrillFileError problem;  // Damaged: why it cannot be read

    // The drill's name; a damaged file's file name.
    QString name() const;
};

// What became of a change to the library. DrillTexts puts it into words.
struct DrillLibraryError {
    enum class Kind {
        None,
        Invalid,        // the drill breaks a rule of the file format: `file`
        NameTaken,      // name: a built-in or another own drill has it
        BuiltIn,        // name: a built-in drill is neither changed nor deleted
        NotFound,       // name: no such drill
        FolderNotMade,  // path: the library's folder
        WriteFailed,    // path, detail: the system's words
        RemoveFailed,   // path, detail
        ImportRefused,  // path: the file imported, `file`: why
    };
    Kind kind = Kind::None;
    QString name;
    QString path;
    QString detail;
    DrillFileError file;

    bool ok() const { return kind == Kind::None; }
    bool failed() const { return kind != Kind::None; }
};

// The drills a shooter can choose: the built-in ones and his own, one file
// each in a folder ($XDG_CONFIG_HOME/Ostrevik/Uebungen). Names are unique,
// whatever their case: a drill is named on the command line and in the
// archive by its name. A file that cannot be read, or whose name another
// drill has, is listed as damaged with its reason and never run.
class DrillLibrary {
public:
    explicit DrillLibrary(QString folder = defaultFolder());
    static QString defaultFolder();
    const QString& folder() const { return folder_; }

    // The built-in drills in their order, then the own ones by name, then
    // the damaged files by file name.
    std::vector<DrillEntry> list() const;
    // The drill of that name (any case), built-in or own; never a damaged one.
    std::optional<DrillEntry> find(const QString& name) const;

    // Keeps a new own drill, or (`previous` given) the changed own drill of
    // that name: renamed, it moves to a file of its new name.
    DrillLibraryError save(const Drill& drill, const QString& previous = {});
    // A copy of a built-in or own drill under a new name.
    DrillLibraryError copy(const QString& name, const QString& newName);
    // Deletes an own drill, or a damaged file by its file name.
    DrillLibraryError remove(const QString& name);
    // Takes a drill file (a coach's) into the library, under the drill's name.
    DrillLibraryError importFile(const QString& path);
    // Writes a drill, built-in or own, to a file for others.
    DrillLibraryError exportDrill(const QString& name, const QString& path) const;

    // The file name a drill's name is kept under: its letters and digits,
    // every other character an underscore, so that no name reaches outside
    // the folder or hides its file; "-2", "-3", … where that name is taken.
    QString fileNameFor(const QString& name, const QString& except = {}) const;

private:
    // Own drills' names (any case) but the one of `except`'s file, and the
    // built-in ones'.
    bool nameTaken(const QString& name, const QString& exceptPath) const;
    DrillLibraryError write(const Drill& drill, const QString& oldPath);

    QString folder_;
};

// The drill a command names: a drill file where one is at that path, else a
// built-in or own drill of that name. Nothing, with why in `why`, when
// there is none or the file is refused.
std::optional<Drill> namedDrill(const QString& nameOrPath, QString& why);

}  // namespace ostrevik
