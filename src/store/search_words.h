#pragma once

// How a search takes words apart, in what the user types and in the album's
// fields alike. Letters and digits make words; case and accents do not count;
// blanks, apostrophes and every other punctuation mark part words. Symbols
// such as emoji, currency signs and arrows are words of their own, one per
// symbol, so "☕" finds the photos whose fields hold one; the marks that only
// dress a symbol (emoji variation selectors, skin tones, joiners) are
// ignored, so "👍" finds "👍🏽" too.

#include <string>
#include <string_view>
#include <utility>
#include <vector>

struct sqlite3;

namespace store {

// The words of `text` as a search takes them: split at blanks, apostrophes
// and every other punctuation mark.
std::vector<std::string> SearchWords(const std::string& text);

// `text` as a query of the word index: each word quoted and taken as the
// start of a word, all of them required. Empty when `text` holds no word.
std::string SearchQuery(const std::string& text);

// The code point starting at byte `at` of `text` and its length in bytes; a
// byte that starts no valid UTF-8 sequence reads as a blank one byte long.
std::pair<char32_t, std::size_t> CodePointAt(const std::string_view& text, std::size_t at);

// True for the symbols that are words of their own.
bool IsSymbolWord(char32_t c);

// The name of the word index's tokenizer, and what its table is declared
// with: unicode61 folding case and accents, each symbol a word besides.
inline constexpr const char* kSearchTokenizer = "pictora remove_diacritics 2";

// Makes the tokenizer known to the connection `db`, which must happen before
// the word index is read or written through it. False when this SQLite has
// no FTS5.
bool AddSearchTokenizer(sqlite3* db);

}  // namespace store
