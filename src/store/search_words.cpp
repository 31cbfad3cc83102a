// Words for searching: the splitter of what the user types, and the word
// index's tokenizer, which is SQLite's unicode61 with the symbols it would
// drop kept as words.

#include "store/search_words.h"

#include <sqlite3.h>

#include <algorithm>

namespace store {

namespace {

// True for the characters that part words: blanks and punctuation.
bool Separates(char32_t c) {
    if (c < 0x80)
        return !((c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'));
    return c == 0xA0 || c == 0xA1 || c == 0xAB || c == 0xB4 || c == 0xB7 || c == 0xBB ||
           c == 0xBF || c == 0x2BC || (c >= 0x2000 && c <= 0x206F) || c == 0x3000 ||
           (c >= 0xFF01 && c <= 0xFF0F) || c == 0xFEFF;
}

// unicode61 as SQLite made it, which the tokenizer below wraps.
struct Unicode61 {
    fts5_tokenizer api;
    void* context;
};

// One tokenizer made for a word index table.
struct Tokenizer {
    fts5_tokenizer api;
    Fts5Tokenizer* inner;
};

using TokenCallback = int (*)(void*, int, const char*, int, int, int);

// One text being split: unicode61's words are passed on as they come, and
// the symbols in the stretches between them are given as words in their
// places, so both keep the text's order.
struct Pass {
    const char* text;
    int done;  // the bytes before this are already given
    void* context;
    TokenCallback token;

    int SymbolsUpTo(int end) {
        const std::string_view view(text, static_cast<std::size_t>(end));
        for (auto at = static_cast<std::size_t>(done); at < view.size();) {
            const auto [c, length] = CodePointAt(view, at);
            if (IsSymbolWord(c)) {
                const int start = static_cast<int>(at);
                const int rc = token(context, 0, text + at, static_cast<int>(length), start,
                                     start + static_cast<int>(length));
                if (rc != SQLITE_OK) return rc;
            }
            at += length;
        }
        done = std::max(done, end);
        return SQLITE_OK;
    }
};

int Word(void* pass, int flags, const char* word, int size, int start, int end) {
    auto& p = *static_cast<Pass*>(pass);
    if (start > p.done) {
        if (const int rc = p.SymbolsUpTo(start); rc != SQLITE_OK) return rc;
    }
    p.done = std::max(p.done, end);
    return p.token(p.context, flags, word, size, start, end);
}

int Create(void* context, const char** args, int count, Fts5Tokenizer** made) {
    const auto& base = *static_cast<Unicode61*>(context);
    Fts5Tokenizer* inner = nullptr;
    if (const int rc = base.api.xCreate(base.context, args, count, &inner); rc != SQLITE_OK)
        return rc;
    *made = reinterpret_cast<Fts5Tokenizer*>(new Tokenizer{base.api, inner});
    return SQLITE_OK;
}

void Delete(Fts5Tokenizer* made) {
    auto* tokenizer = reinterpret_cast<Tokenizer*>(made);
    tokenizer->api.xDelete(tokenizer->inner);
    delete tokenizer;
}

int Tokenize(Fts5Tokenizer* made, void* context, int flags, const char* text, int size,
             TokenCallback token) {
    auto& tokenizer = *reinterpret_cast<Tokenizer*>(made);
    Pass pass{text, 0, context, token};
    const int rc = tokenizer.api.xTokenize(tokenizer.inner, &pass, flags, text, size, Word);
    return rc == SQLITE_OK ? pass.SymbolsUpTo(size) : rc;
}

// FTS5 hands out its API only through a pointer bound to "SELECT fts5(?1)";
// SQLiteCpp binds no pointers (sqlite3_bind_pointer) and keeps its prepared
// statement to itself, so this one statement is SQLite's own.
fts5_api* Fts5(sqlite3* db) {
    fts5_api* api = nullptr;
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(db, "SELECT fts5(?1)", -1, &statement, nullptr) == SQLITE_OK) {
        sqlite3_bind_pointer(statement, 1, static_cast<void*>(&api), "fts5_api_ptr", nullptr);
        sqlite3_step(statement);
    }
    sqlite3_finalize(statement);
    return api;
}

}  // namespace

std::pair<char32_t, std::size_t> CodePointAt(const std::string_view& text, std::size_t at) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(at);
    if (lead < 0x80) return {lead, 1};
    const std::size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 0;
    if (length == 0 || lead > 0xF4 || at + length > text.size()) return {U' ', 1};
    char32_t c = lead & (0x7F >> length);
    for (std::size_t i = 1; i < length; ++i) {
        if ((byte(at + i) & 0xC0) != 0x80) return {U' ', 1};
        c = (c << 6) | (byte(at + i) & 0x3F);
    }
    return {c, length};
}

bool IsSymbolWord(char32_t c) {
    // Skin tones only dress the emoji before them.
    if (c >= 0x1F3FB && c <= 0x1F3FF) return false;
    // Currency, letter-like symbols, arrows, mathematical and technical
    // signs, shapes, dingbats, the enclosed signs, and the emoji planes.
    return (c >= 0xA2 && c <= 0xA6) || c == 0xA9 || c == 0xAC || c == 0xAE || c == 0xB0 ||
           c == 0xB1 || c == 0xD7 || c == 0xF7 || (c >= 0x20A0 && c <= 0x20CF) ||
           (c >= 0x2100 && c <= 0x214F) || (c >= 0x2190 && c <= 0x2BFF) ||
           (c >= 0x3200 && c <= 0x33FF) || (c >= 0x1F000 && c <= 0x1FAFF);
}

std::vector<std::string> SearchWords(const std::string& text) {
    std::vector<std::string> words;
    std::string word;
    for (std::size_t at = 0; at < text.size();) {
        const auto [c, length] = CodePointAt(text, at);
        if (Separates(c)) {
            if (!word.empty()) words.push_back(std::move(word));
            word.clear();
        } else {
            word.append(text, at, length);
        }
        at += length;
    }
    if (!word.empty()) words.push_back(std::move(word));
    return words;
}

std::string SearchQuery(const std::string& text) {
    // Quotes are among the separators, so no word holds one: each quoted
    // word is a plain string to FTS5, whatever it spells (NEAR, AND, OR).
    std::string query;
    for (const std::string& word : SearchWords(text)) {
        if (!query.empty()) query += ' ';
        query += '"' + word + "\"*";
    }
    return query;
}

bool AddSearchTokenizer(sqlite3* db) {
    fts5_api* api = Fts5(db);
    if (api == nullptr) return false;
    auto* base = new Unicode61{};
    if (api->xFindTokenizer(api, "unicode61", &base->context, &base->api) != SQLITE_OK) {
        delete base;
        return false;
    }
    fts5_tokenizer ours{Create, Delete, Tokenize};
    // SQLite owns `base` once the tokenizer is made, and not before.
    if (api->xCreateTokenizer(api, "pictora", base, &ours, [](void* made) {
            delete static_cast<Unicode61*>(made);
        }) != SQLITE_OK) {
        delete base;
        return false;
    }
    return true;
}

}  // namespace store
