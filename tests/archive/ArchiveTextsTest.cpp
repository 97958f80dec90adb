#include "archive/ArchiveDatabase.h"
#include "archive/ArchiveImport.h"
#include "archive/ArchiveTexts.h"

#include <QSet>

#include <gtest/gtest.h>

using namespace ostrevik;

namespace {

using Kind = ArchiveError::Kind;

// Every problem of the archive is said, each in words of its own, naming
// the archive's file wherever one is at fault.
TEST(ArchiveTexts, EveryProblemIsSaidWithItsFile) {
    const QString path = QStringLiteral("/daten/archiv.sqlite");
    EXPECT_EQ(ArchiveTexts::Problem({}), QString());
    QSet<QString> said;
    const Kind kinds[] = {Kind::NoDriver,
                          Kind::NotAFile,
                          Kind::FolderNotMade,
                          Kind::FolderReadOnly,
                          Kind::Locked,
                          Kind::Damaged,
                          Kind::DiskFull,
                          Kind::ReadOnly,
                          Kind::CannotOpen,
                          Kind::InputOutput,
                          Kind::Database,
                          Kind::OlderReadOnly,
                          Kind::Newer,
                          Kind::ShooterNameTaken,
                          Kind::ShooterGone,
                          Kind::ServerAddress,
                          Kind::PasswordInAddress,
                          Kind::NoServerDriver,
                          Kind::ServerUnreachable,
                          Kind::NoWriteRights,
                          Kind::ConnectionLost};
    for (Kind kind : kinds) {
        const QString text = ArchiveTexts::Problem({kind, path, QStringLiteral("Anna"), 7});
        EXPECT_FALSE(text.isEmpty()) << static_cast<int>(kind);
        // An address with a password is never repeated.
        const bool namesFile = kind != Kind::NoDriver && kind != Kind::ShooterNameTaken &&
                               kind != Kind::ShooterGone && kind != Kind::NoServerDriver &&
                               kind != Kind::PasswordInAddress;
        EXPECT_EQ(text.contains(path), namesFile) << text.toStdString();
        said << text;
    }
    EXPECT_EQ(said.size(), 21);
    // What the words need beyond the file.
    EXPECT_TRUE(ArchiveTexts::Problem({Kind::Newer, path, {}, 7})
                    .contains(QStringLiteral("Schema 7, dieses Programm kennt %1")
                                  .arg(TrainingArchive::kSchemaVersion)));
    EXPECT_TRUE(ArchiveTexts::Problem({Kind::Database, path, QStringLiteral("disk I/O"), 0})
                    .endsWith(QStringLiteral(": disk I/O")));
    EXPECT_TRUE(ArchiveTexts::Problem({Kind::ShooterNameTaken, path, QString(), 0})
                    .contains(ArchiveTexts::ShooterName(QString())));
}

TEST(ArchiveTexts, ARefusedFileIsNamedWithItsReason) {
    FileImport f;
    f.path = QStringLiteral("/saison/a.pvo");
    for (ImportRefusal r : {ImportRefusal::Missing, ImportRefusal::TooLarge,
                            ImportRefusal::Unreadable, ImportRefusal::WrongType}) {
        f.refusal = r;
        f.detail = QStringLiteral("Zugriff verweigert");
        EXPECT_TRUE(ArchiveTexts::Refusal(f).contains(f.path)) << static_cast<int>(r);
    }
    f.refusal = ImportRefusal::Unreadable;
    EXPECT_TRUE(ArchiveTexts::Refusal(f).endsWith(QStringLiteral(": Zugriff verweigert")));
    f.refusal = ImportRefusal::None;
    EXPECT_EQ(ArchiveTexts::Refusal(f), QString());
}

// The counts as the README shows them, then the files found again, each
// refusal on a line of its own, why the import stopped and what it left.
TEST(ArchiveTexts, TheImportReportCountsThenNamesEachRefusalAndTheStop) {
    ImportSummary s;
    s.added = 3;
    s.updated = 1;
    s.unchanged = 10;
    FileImport missing;
    missing.path = QStringLiteral("/weg.pvo");
    missing.refusal = ImportRefusal::Missing;
    s.refused = {missing};
    EXPECT_EQ(ArchiveTexts::ImportCounts(s),
              QStringLiteral("3 aufgenommen, 1 aktualisiert, 10 unverändert, 1 abgelehnt"));
    EXPECT_EQ(ArchiveTexts::ImportReport(s), ArchiveTexts::ImportCounts(s) +
                                                 QStringLiteral("\nabgelehnt: ") +
                                                 ArchiveTexts::Refusal(missing));
    s.moved = 1;
    s.archiveError = {Kind::Locked, QStringLiteral("/archiv.sqlite"), {}, 0};
    EXPECT_EQ(ArchiveTexts::ImportReport(s),
              ArchiveTexts::ImportCounts(s) +
                  QStringLiteral(" (1 an neuem Ort wiedergefunden)\nabgelehnt: ") +
                  ArchiveTexts::Refusal(missing) + QStringLiteral("\nAufnahme abgebrochen: ") +
                  ArchiveTexts::Problem(s.archiveError));
    // What a second run will take in.
    s.notTaken = QStringList{QStringLiteral("/b.pvo"), QStringLiteral("/c.pvo")};
    EXPECT_TRUE(ArchiveTexts::ImportReport(s).endsWith(
        QStringLiteral("\nnicht aufgenommen: /b.pvo\nnicht aufgenommen: /c.pvo")));
}

}  // namespace
