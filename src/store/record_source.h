#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace store {

// The album query a RecordSource names: the whole table or some of its
// columns, always in id order. Any engine can read it from here.
struct AlbumQuery {
    bool allColumns = true;
    std::vector<std::string> columns;  // as written, when !allColumns
};

// Reads "datab" or "SELECT <* | a, b, ...> FROM datab ORDER BY id" (keywords
// in any case, blanks anywhere between words, an optional closing ";").
// Anything else gives nullopt.
std::optional<AlbumQuery> ParseRecordSource(std::string_view source);

// Column and table names compare as SQL compares them: ignoring ASCII case.
bool SameName(std::string_view a, std::string_view b);

}  // namespace store
