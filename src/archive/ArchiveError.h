#pragma once

#include <QString>

namespace ostrevik {

// What went wrong with the season archive, told as data: which problem, with
// which file, and what its words need. The window and the command line put
// it into words with ArchiveTexts::Problem(); the core never does.
struct ArchiveError {
    enum class Kind {
        None,
        NoDriver,           // Qt's SQLite driver is not installed
        NotAFile,           // path: a folder or device where the archive should be
        FolderNotMade,      // path: the archive's folder, which cannot be made
        FolderReadOnly,     // path: an archive that cannot be made in its folder
        Locked,             // another program writes
        Damaged,            // no SQLite file, or a broken one
        DiskFull,           // nothing was written
        ReadOnly,           // the file is write-protected
        CannotOpen,         // SQLite cannot open the file
        InputOutput,        // the system failed to read or write
        Database,           // detail: the driver's own words
        OlderReadOnly,      // an older schema that cannot be brought up to date
        Newer,              // schema: the file's; only read by this program
        ShooterNameTaken,   // detail: the name another shooter has
        ShooterGone,        // the shooter asked for is no longer in the archive
        ServerAddress,      // path: an address that is no PostgreSQL address the program can use
        PasswordInAddress,  // path: an address with a password in it
        NoServerDriver,     // Qt's PostgreSQL driver is not installed
        ServerUnreachable,  // path: the address; detail: the driver's words
        NoWriteRights,      // path: the address; the server lets this user only read
        ConnectionLost,     // path: the address; the connection broke off
    };

    Kind kind = Kind::None;
    QString path;    // the archive file (its folder for FolderNotMade) or server address
    QString detail;  // see the kinds
    int schema = 0;  // Newer: the schema of the file

    bool ok() const { return kind == Kind::None; }
    bool failed() const { return kind != Kind::None; }
    bool operator==(const ArchiveError&) const = default;
};

}  // namespace ostrevik
