#pragma once

#include <QStringList>

#include <map>
#include <vector>

namespace ostrevik {

class TrainingArchive;
struct ArchiveError;

// The archive's schema as a list of migrations: migration k (from 0) brings
// a file from schema version k to k + 1. A change of the schema is a new
// migration at the end; a migration that has shipped is never edited, since
// archives out there were made with it. The statements serve both backends:
// the few words that differ are placeholders that ArchiveDialect::schema()
// fills ({id}, {int}, {real}, {blob}, {norowid}).
const std::vector<QStringList>& archiveMigrations();

// What a migration does beyond its statements, by the version it brings an
// archive to: run in the migration's transaction after the statements, on
// the archive as it is by then. False with `error` set undoes the migration.
using MigrationStep = bool (*)(TrainingArchive& archive, ArchiveError& error);
const std::map<int, MigrationStep>& archiveMigrationSteps();

}  // namespace ostrevik
