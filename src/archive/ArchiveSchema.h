#pragma once

#include <QStringList>

#include <vector>

namespace ostrevik {

// The archive's schema as a list of migrations: migration k (from 0) brings
// a file from schema version k to k + 1. A change of the schema is a new
// migration at the end; a migration that has shipped is never edited, since
// archives out there were made with it. The statements serve both backends:
// the few words that differ are placeholders that ArchiveDialect::schema()
// fills ({id}, {int}, {real}, {blob}, {norowid}).
const std::vector<QStringList>& archiveMigrations();

}  // namespace ostrevik
