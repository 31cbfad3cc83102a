#include "store/search_memory.h"

#include <map>
#include <mutex>

namespace store::memory_indexes {

namespace {

// Built on a build's thread, read on the window's.
std::mutex guard;

std::map<std::string, std::shared_ptr<SQLite::Database>>& Kept() {
    static std::map<std::string, std::shared_ptr<SQLite::Database>> kept;
    return kept;
}

}  // namespace

std::shared_ptr<SQLite::Database> Find(const std::string& indexPath) {
    const std::lock_guard<std::mutex> lock(guard);
    const auto it = Kept().find(indexPath);
    return it == Kept().end() ? nullptr : it->second;
}

void Keep(const std::string& indexPath, std::shared_ptr<SQLite::Database> index) {
    const std::lock_guard<std::mutex> lock(guard);
    Kept()[indexPath] = std::move(index);
}

void Drop(const std::string& indexPath) {
    const std::lock_guard<std::mutex> lock(guard);
    Kept().erase(indexPath);
}

}  // namespace store::memory_indexes
