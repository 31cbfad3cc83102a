#pragma once

// Word indexes kept in memory for the rest of the run, by the path their file
// would have had, for albums whose index the cache folder cannot hold (a
// folder that may not be written, a full disk): such an album is searched
// all the same, its index built again at the next start.

#include <SQLiteCpp/Database.h>

#include <memory>
#include <string>

namespace store::memory_indexes {

// The index kept for `indexPath`, or nothing.
std::shared_ptr<SQLite::Database> Find(const std::string& indexPath);
void Keep(const std::string& indexPath, std::shared_ptr<SQLite::Database> index);
void Drop(const std::string& indexPath);

}  // namespace store::memory_indexes
