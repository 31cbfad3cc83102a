#pragma once

// The ROWS files of write-access-album: UTF-8 lines of tab-separated fields,
// "\N" for a null, and "\t", "\n" and "\\" escaped. Shared by the writer and
// the tests that read its fixtures back.
#include <string>
#include <vector>

namespace rows_format {

// A line's fields, split at every tab, still escaped.
inline std::vector<std::string> Split(const std::string& line) {
    std::vector<std::string> fields;
    std::size_t from = 0;
    for (std::size_t tab; (tab = line.find('\t', from)) != std::string::npos; from = tab + 1)
        fields.push_back(line.substr(from, tab - from));
    fields.push_back(line.substr(from));
    return fields;
}

// A field's text with its escapes undone.
inline std::string Unescape(const std::string& field) {
    std::string out;
    for (std::size_t i = 0; i < field.size(); ++i) {
        if (field[i] != '\\' || i + 1 == field.size()) {
            out += field[i];
            continue;
        }
        const char next = field[++i];
        out += next == 't' ? '\t' : next == 'n' ? '\n' : next;
    }
    return out;
}

}  // namespace rows_format
