#pragma once

// Rows of an album as the tool moves them between files.

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace album_tool {

struct PhotoRow {
    std::int64_t id = 0;
    // The other columns, in store::kAlbumColumns' order.
    std::array<std::string, 7> texts;
};

// Writes `rows` into the empty native album at `path` in one transaction.
// Raises SQLite::Exception on failure; nothing is written then. `written` is
// told the rows written so far every thousand rows or so.
void InsertRows(const std::string& path, const std::vector<PhotoRow>& rows,
                const std::function<void(std::int64_t written)>& written = {});

}  // namespace album_tool
