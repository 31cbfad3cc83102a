#include "store/record_source.h"

#include <cctype>

namespace store {

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f';
}
bool IsWordStart(char c) {
    return std::isalpha(static_cast<unsigned char>(c)) || c == '_';
}
bool IsWordPart(char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_';
}

// Words and the punctuation "*", "," and ";"; nullopt on any other character,
// so quotes, brackets or a WHERE clause never get as far as the engine.
std::optional<std::vector<std::string_view>> Tokens(std::string_view s) {
    std::vector<std::string_view> tokens;
    std::size_t i = 0;
    while (i < s.size()) {
        if (IsBlank(s[i])) {
            ++i;
        } else if (s[i] == '*' || s[i] == ',' || s[i] == ';') {
            tokens.push_back(s.substr(i, 1));
            ++i;
        } else if (IsWordStart(s[i])) {
            const std::size_t start = i;
            while (i < s.size() && IsWordPart(s[i])) ++i;
            tokens.push_back(s.substr(start, i - start));
        } else {
            return std::nullopt;
        }
    }
    return tokens;
}

bool IsWord(std::string_view token) {
    return !token.empty() && IsWordStart(token[0]);
}

}  // namespace

bool SameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i]))) {
            return false;
        }
    }
    return true;
}

std::optional<AlbumQuery> ParseRecordSource(std::string_view source) {
    auto tokens = Tokens(source);
    if (!tokens) return std::nullopt;
    std::vector<std::string_view>& t = *tokens;
    if (!t.empty() && t.back() == ";") t.pop_back();

    if (t.size() == 1 && SameName(t[0], "datab")) return AlbumQuery{};

    std::size_t i = 0;
    auto take = [&](std::string_view word) {
        if (i < t.size() && SameName(t[i], word)) {
            ++i;
            return true;
        }
        return false;
    };
    if (!take("SELECT")) return std::nullopt;

    AlbumQuery query;
    if (take("*")) {
        query.allColumns = true;
    } else {
        query.allColumns = false;
        do {
            if (i >= t.size() || !IsWord(t[i]) || SameName(t[i], "FROM")) return std::nullopt;
            query.columns.emplace_back(t[i++]);
        } while (take(","));
    }
    if (!take("FROM") || !take("datab") || !take("ORDER") || !take("BY") || !take("id")) {
        return std::nullopt;
    }
    if (i != t.size()) return std::nullopt;
    return query;
}

}  // namespace store
