#pragma once

#include <QStringList>

#include <vector>

namespace ostrevik {

// The archive's schema as a list of migrations: migration k (from 0) brings
// a file from schema version k to k + 1. A change of the schema is a new
// migration at the end; a migration that has shipped is never edited, since
// archives out there were made with it.
const std::vector<QStringList>& archiveMigrations();

}  // namespace ostrevik
