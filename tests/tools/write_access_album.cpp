// write-access-album: writes a small Access-format album for the tests.
//
//   write-access-album [--jet3|--jet4] [--table NAME] [--id-type TYPE] [--upper] OUT ROWS
//
// No library at hand writes Access-format files, so the tests make their own
// from the format's public description (the notes that come with mdbtools):
// a database page, the catalogue MSysObjects with one row per table, and one
// table (`datab` unless --table says otherwise) with the eight album columns:
// `id` a whole-number column (--id-type byte, integer, long (the default),
// single, double or currency), titolo, data_scatto, luogo, nome_file and
// percorso_file text columns, persone and note memo columns. --upper writes
// the table's and the columns' names in capitals.
//
// ROWS is a UTF-8 file of lines holding the eight columns separated by tabs;
// "\N" is a null, and "\t", "\n" and "\\" stand for a tab, a line break and a
// backslash. Jet 4 text is written as compressed Unicode where that is
// shorter, Jet 3 text in code page 1252; short memos are kept in the row,
// longer ones on one long-value page or on a chain of them. No indexes are
// written. Every file written is read back by mdbtools' own programs in the
// tests, so this writer is checked by a reader that is not ours.

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <optional>
#include <stdexcept>
#include <string>
#include <variant>

#include <vector>
#include "rows_format.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

// Column types, as the format numbers them.
enum Type : std::uint8_t {
    kByte = 0x02,
    kInt = 0x03,
    kLong = 0x04,
    kMoney = 0x05,
    kFloat = 0x06,
    kDouble = 0x07,
    kText = 0x0a,
    kOle = 0x0b,
    kMemo = 0x0c,
};

struct Format {
    bool jet4;
    int pageSize;
    int rowCountOffset;  // where a data page's row count sits; offsets follow
    int columnEntrySize;
};
constexpr Format kJet3{false, 2048, 8, 18};
constexpr Format kJet4{true, 4096, 12, 25};

struct Column {
    std::string name;
    Type type;
    int textChars = 0;  // text columns: the most characters a value may hold
};

bool IsFixed(Type type) {
    return type != kText && type != kMemo && type != kOle;
}

int FixedSize(Type type) {
    switch (type) {
        case kByte:
            return 1;
        case kInt:
            return 2;
        case kLong:
        case kFloat:
            return 4;
        case kMoney:
        case kDouble:
            return 8;
        default:
            return 0;
    }
}

using Cell = std::optional<std::variant<std::int64_t, double, std::string>>;
using Row = std::vector<Cell>;

[[noreturn]] void Fail(const std::string& message) {
    throw std::runtime_error(message);
}

void Put16(Bytes& b, std::size_t at, std::uint32_t v) {
    b.at(at) = v & 0xff;
    b.at(at + 1) = (v >> 8) & 0xff;
}
void Put32(Bytes& b, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) b.at(at + i) = (v >> (8 * i)) & 0xff;
}
void Append16(Bytes& b, std::uint32_t v) {
    b.push_back(v & 0xff);
    b.push_back((v >> 8) & 0xff);
}
void Append32(Bytes& b, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) b.push_back((v >> (8 * i)) & 0xff);
}

// UTF-8 to UTF-16 code units; anything malformed is refused.
std::u16string Utf16(const std::string& s) {
    std::u16string out;
    for (std::size_t i = 0; i < s.size();) {
        const auto c = static_cast<unsigned char>(s[i]);
        std::uint32_t cp;
        int extra;
        if (c < 0x80) {
            cp = c, extra = 0;
        } else if ((c & 0xe0) == 0xc0) {
            cp = c & 0x1f, extra = 1;
        } else if ((c & 0xf0) == 0xe0) {
            cp = c & 0x0f, extra = 2;
        } else if ((c & 0xf8) == 0xf0) {
            cp = c & 0x07, extra = 3;
        } else {
            Fail("testo UTF-8 non valido: " + s);
        }
        if (i + extra >= s.size() && extra > 0) Fail("testo UTF-8 troncato: " + s);
        for (int k = 1; k <= extra; ++k) {
            const auto d = static_cast<unsigned char>(s[i + k]);
            if ((d & 0xc0) != 0x80) Fail("testo UTF-8 non valido: " + s);
            cp = cp << 6 | (d & 0x3f);
        }
        i += 1 + extra;
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out.push_back(static_cast<char16_t>(0xd800 + (cp >> 10)));
            out.push_back(static_cast<char16_t>(0xdc00 + (cp & 0x3ff)));
        } else {
            out.push_back(static_cast<char16_t>(cp));
        }
    }
    return out;
}

// Code page 1252, the Western code page of Jet 3 files made in Italy.
std::uint8_t Cp1252(char16_t c) {
    static const char16_t k80[32] = {
        0x20ac, 0,      0x201a, 0x0192, 0x201e, 0x2026, 0x2020, 0x2021, 0x02c6, 0x2030, 0x0160,
        0x2039, 0x0152, 0,      0x017d, 0,      0,      0x2018, 0x2019, 0x201c, 0x201d, 0x2022,
        0x2013, 0x2014, 0x02dc, 0x2122, 0x0161, 0x203a, 0x0153, 0,      0x017e, 0x0178};
    if (c < 0x80 || (c >= 0xa0 && c <= 0xff)) return static_cast<std::uint8_t>(c);
    for (int i = 0; i < 32; ++i) {
        if (k80[i] != 0 && k80[i] == c) return static_cast<std::uint8_t>(0x80 + i);
    }
    Fail("carattere che la code page 1252 non ha");
}

// A text as the file stores it: Jet 3 in code page 1252; Jet 4 in UCS-2,
// compressed (one byte a character, a zero byte switching between one and two
// bytes) when `mayCompress` and that is shorter.
Bytes EncodeText(const Format& f, const std::string& text, bool mayCompress) {
    const std::u16string units = Utf16(text);
    Bytes plain;
    if (!f.jet4) {
        for (char16_t c : units) plain.push_back(Cp1252(c));
        return plain;
    }
    for (char16_t c : units) Append16(plain, c);
    if (!mayCompress) return plain;
    Bytes packed = {0xff, 0xfe};
    bool compressed = true;
    for (char16_t c : units) {
        // A character whose low byte is zero would read as a switch.
        if ((c & 0xff) == 0) return plain;
        const bool narrow = c < 0x100;
        if (narrow != compressed) {
            packed.push_back(0);
            compressed = narrow;
        }
        packed.push_back(c & 0xff);
        if (!narrow) packed.push_back(c >> 8);
    }
    return packed.size() < plain.size() ? packed : plain;
}

// ---------------------------------------------------------------------------
// The file: pages, filled in order.

class File {
public:
    explicit File(const Format& f) : f_(f) {}

    int NewPage() {
        pages_.emplace_back(f_.pageSize, 0);
        return static_cast<int>(pages_.size()) - 1;
    }
    Bytes& Page(int number) { return pages_.at(number); }
    int Count() const { return static_cast<int>(pages_.size()); }

    // A page in the layout of data pages: type 1, the owning table's page (or
    // "LVAL" for long values), and rows stored from the page's end down.
    int NewDataPage(std::uint32_t owner) {
        const int n = NewPage();
        Bytes& p = Page(n);
        p[0] = 0x01;
        p[1] = 0x01;
        Put32(p, 4, owner);
        SetFree(p);
        return n;
    }
    int FreeSpace(const Bytes& p) const {
        const int rows = p[f_.rowCountOffset] | p[f_.rowCountOffset + 1] << 8;
        const int end = rows == 0 ? f_.pageSize : Offset(p, rows - 1);
        return end - (f_.rowCountOffset + 2 + 2 * rows);
    }
    // Adds a row to a data page and returns its number there, or -1 when it
    // does not fit.
    int AddRow(int page, const Bytes& row) {
        Bytes& p = Page(page);
        if (FreeSpace(p) < static_cast<int>(row.size()) + 2) return -1;
        const int rows = p[f_.rowCountOffset] | p[f_.rowCountOffset + 1] << 8;
        const int end = rows == 0 ? f_.pageSize : Offset(p, rows - 1);
        const int start = end - static_cast<int>(row.size());
        std::memcpy(p.data() + start, row.data(), row.size());
        Put16(p, f_.rowCountOffset + 2 + 2 * rows, start);
        Put16(p, f_.rowCountOffset, rows + 1);
        SetFree(p);
        return rows;
    }
    int MaxRowSize() const { return f_.pageSize - f_.rowCountOffset - 4; }

    void Save(const std::string& path) const {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        for (const Bytes& p : pages_) out.write(reinterpret_cast<const char*>(p.data()), p.size());
        if (!out.flush()) Fail("impossibile scrivere " + path);
    }

private:
    int Offset(const Bytes& p, int row) const {
        const int at = f_.rowCountOffset + 2 + 2 * row;
        return (p[at] | p[at + 1] << 8) & 0x1fff;
    }
    void SetFree(Bytes& p) const { Put16(p, 2, FreeSpace(p)); }

    Format f_;
    std::vector<Bytes> pages_;
};

std::uint32_t PageRow(int page, int row) {
    return static_cast<std::uint32_t>(page) << 8 | static_cast<std::uint32_t>(row);
}

// The database page: the signature, the version, and the block that the
// format scrambles with RC4 under a fixed key, holding the code page, the
// sort order and a zero database key (so no page is encrypted).
void WriteDatabasePage(const Format& f, Bytes& p) {
    p[0] = 0x00;
    p[1] = 0x01;
    std::memcpy(p.data() + 4, "Standard Jet DB", 16);
    p[0x14] = f.jet4 ? 1 : 0;
    const int length = f.jet4 ? 128 : 126;
    Bytes block(length, 0);
    Put16(block, 0x3c - 0x18, 1252);
    Put32(block, 0x3e - 0x18, 0);
    Put16(block, (f.jet4 ? 0x6e : 0x3a) - 0x18, 0x409);

    std::uint8_t s[256];
    for (int i = 0; i < 256; ++i) s[i] = static_cast<std::uint8_t>(i);
    const std::uint8_t key[4] = {0xc7, 0xda, 0x39, 0x6b};
    for (int i = 0, j = 0; i < 256; ++i) {
        j = (j + key[i % 4] + s[i]) & 0xff;
        std::swap(s[i], s[j]);
    }
    for (int n = 0, i = 0, j = 0; n < length; ++n) {
        i = (i + 1) & 0xff;
        j = (j + s[i]) & 0xff;
        std::swap(s[i], s[j]);
        block[n] ^= s[(s[i] + s[j]) & 0xff];
    }
    std::memcpy(p.data() + 0x18, block.data(), length);
}

// A fixed-size value in the row.
Bytes EncodeFixed(Type type, const Cell& cell) {
    Bytes b(FixedSize(type), 0);
    if (!cell) return b;
    const bool whole = std::holds_alternative<std::int64_t>(*cell);
    if (!whole && !std::holds_alternative<double>(*cell)) Fail("numero atteso");
    const std::int64_t n = whole ? std::get<std::int64_t>(*cell) : 0;
    const double d = whole ? static_cast<double>(n) : std::get<double>(*cell);
    auto check = [&](std::int64_t lo, std::int64_t hi) {
        if (!whole || n < lo || n > hi) Fail("numero fuori dal campo della colonna");
    };
    switch (type) {
        case kByte:
            check(0, 255);
            b[0] = static_cast<std::uint8_t>(n);
            break;
        case kInt:
            check(-32768, 32767);
            Put16(b, 0, static_cast<std::uint16_t>(n));
            break;
        case kLong:
            check(INT32_MIN, INT32_MAX);
            Put32(b, 0, static_cast<std::uint32_t>(n));
            break;
        case kMoney: {
            const auto scaled = static_cast<std::int64_t>(std::llround(d * 10000));
            std::memcpy(b.data(), &scaled, 8);
            break;
        }
        case kFloat: {
            const auto value = static_cast<float>(d);
            std::memcpy(b.data(), &value, 4);
            break;
        }
        case kDouble:
            std::memcpy(b.data(), &d, 8);
            break;
        default:
            Fail("tipo di colonna sconosciuto");
    }
    return b;
}

// A memo's twelve bytes in the row (and the text after them when it is kept
// in the row); longer texts go to long-value pages made here.
Bytes EncodeMemo(const Format& f, File& file, const std::string& text, bool inRow) {
    const Bytes data = EncodeText(f, text, Utf16(text).size() <= 1024);
    Bytes b;
    const auto length = static_cast<std::uint32_t>(data.size());
    if (length >= 0x1000000) Fail("memo troppo lungo");
    if (inRow) {
        Append32(b, length | 0x80000000u);
        Append32(b, 0);
        Append32(b, 0);
        b.insert(b.end(), data.begin(), data.end());
        return b;
    }
    const int room = file.MaxRowSize();
    if (static_cast<int>(data.size()) <= room) {
        const int page = file.NewDataPage(0x4c41564c);  // "LVAL"
        const int row = file.AddRow(page, data);
        Append32(b, length | 0x40000000u);
        Append32(b, PageRow(page, row));
        Append32(b, 0);
        return b;
    }
    // A chain: each piece starts with where the next one is (0 after the last).
    const int piece = room - 4;
    const std::size_t pieces = (data.size() + piece - 1) / piece;
    std::vector<int> pages;
    for (std::size_t i = 0; i < pieces; ++i) pages.push_back(file.NewDataPage(0x4c41564c));
    for (std::size_t i = 0; i < pieces; ++i) {
        Bytes chunk;
        Append32(chunk, i + 1 < pieces ? PageRow(pages[i + 1], 0) : 0);
        const std::size_t from = i * piece;
        const std::size_t size = std::min<std::size_t>(piece, data.size() - from);
        chunk.insert(chunk.end(), data.begin() + from, data.begin() + from + size);
        file.AddRow(pages[i], chunk);
    }
    Append32(b, length);
    Append32(b, PageRow(pages[0], 0));
    Append32(b, 0);
    return b;
}

// One row in the record layout: the column count, the fixed columns, the
// variable ones, then their offsets backwards and the null mask.
Bytes EncodeRow(const Format& f, File& file, const std::vector<Column>& columns, const Row& row) {
    const int count = static_cast<int>(columns.size());
    Bytes out;
    if (f.jet4) {
        Append16(out, count);
    } else {
        out.push_back(static_cast<std::uint8_t>(count));
    }
    std::vector<bool> present(count);
    for (int i = 0; i < count; ++i) {
        present[i] = row[i].has_value();
        if (!IsFixed(columns[i].type)) continue;
        const Bytes b = EncodeFixed(columns[i].type, row[i]);
        out.insert(out.end(), b.begin(), b.end());
    }
    std::vector<int> offsets;
    for (int i = 0; i < count; ++i) {
        const Column& c = columns[i];
        if (IsFixed(c.type)) continue;
        offsets.push_back(static_cast<int>(out.size()));
        if (!row[i]) continue;
        if (!std::holds_alternative<std::string>(*row[i])) Fail("testo atteso");
        const std::string& text = std::get<std::string>(*row[i]);
        Bytes b;
        if (c.type == kText) {
            if (Utf16(text).size() > static_cast<std::size_t>(c.textChars))
                Fail("testo più lungo di " + std::to_string(c.textChars) + " caratteri");
            b = EncodeText(f, text, true);
        } else {
            // Jet 3 offsets are one byte with a jump table, which copes with
            // no value longer than 255 bytes: longer memos leave the row.
            const std::size_t inRowLimit = f.jet4 ? 400 : 120;
            b = EncodeMemo(f, file, text, text.size() <= inRowLimit);
        }
        out.insert(out.end(), b.begin(), b.end());
    }
    const int varCount = static_cast<int>(offsets.size());
    const int eod = static_cast<int>(out.size());
    const int maskSize = (count + 7) / 8;
    Bytes mask(maskSize, 0);
    for (int i = 0; i < count; ++i) {
        if (present[i]) mask[i / 8] |= 1 << (i % 8);
    }
    if (f.jet4) {
        Append16(out, eod);
        for (int v = varCount - 1; v >= 0; --v) Append16(out, offsets[v]);
        Append16(out, varCount);
    } else if (varCount > 0) {
        // One byte per offset; the jump table names, for each 256-byte step
        // of the row, the first offset (or the end mark) past that step.
        const int base = eod + 1 + varCount + 1 + maskSize;
        int jumps = 0;
        while ((base + jumps - 1) / 256 != jumps) jumps = (base + jumps - 1) / 256;
        const int real = eod / 256;
        if (jumps - real > 1) Fail("riga troppo lunga per una tabella Jet 3");
        std::vector<int> all = offsets;
        all.push_back(eod);
        for (int k = 1; k < varCount + 1; ++k) {
            if (all[k] / 256 - all[k - 1] / 256 > 1) Fail("valore troppo lungo per una riga Jet 3");
        }
        out.push_back(eod & 0xff);
        for (int v = varCount - 1; v >= 0; --v) out.push_back(offsets[v] & 0xff);
        if (jumps > real) out.push_back(0xff);
        for (int k = real - 1; k >= 0; --k) {
            int first = 0;
            while (all[first] < (k + 1) * 256) ++first;
            out.push_back(static_cast<std::uint8_t>(first));
        }
        out.push_back(static_cast<std::uint8_t>(varCount));
    } else {
        out.push_back(0);
    }
    out.insert(out.end(), mask.begin(), mask.end());
    if (static_cast<int>(out.size()) > file.MaxRowSize()) Fail("riga troppo lunga");
    return out;
}

// The table definition page.
void WriteTableDefinition(const Format& f, Bytes& p, const std::vector<Column>& columns,
                          std::uint32_t rows, bool system, std::uint32_t usedMap,
                          std::uint32_t freeMap) {
    p[0] = 0x02;
    p[1] = 0x01;
    if (!f.jet4) std::memcpy(p.data() + 2, "VC", 2);
    int varCount = 0;
    for (const Column& c : columns) varCount += IsFixed(c.type) ? 0 : 1;
    const int count = static_cast<int>(columns.size());
    const int numRows = f.jet4 ? 16 : 12;
    const int type = f.jet4 ? 40 : 20;
    Put32(p, numRows, rows);
    p[type] = system ? 0x53 : 0x4e;
    Put16(p, type + 1, count);     // most columns a row has
    Put16(p, type + 3, varCount);  // variable columns
    Put16(p, type + 5, count);     // columns
    Put32(p, type + 7, 0);         // indexes
    Put32(p, type + 11, 0);        // index entries
    Put32(p, type + 15, usedMap);  // the table's pages
    Put32(p, type + 19, freeMap);  // its pages with room
    int at = type + 23;
    int fixedOffset = 0;
    int varNumber = 0;
    for (int i = 0; i < count; ++i, at += f.columnEntrySize) {
        const Column& c = columns[i];
        const bool fixed = IsFixed(c.type);
        const bool text = c.type == kText || c.type == kMemo;
        const int size = fixed             ? FixedSize(c.type)
                         : c.type == kText ? c.textChars * (f.jet4 ? 2 : 1)
                                           : 0;
        p[at] = c.type;
        if (f.jet4) {
            Put16(p, at + 5, i);
            Put16(p, at + 7, fixed ? 0 : varNumber);
            Put16(p, at + 9, i);
            if (text) Put16(p, at + 11, 0x409);
            p[at + 15] = (fixed ? 0x01 : 0x00) | 0x02;
            p[at + 16] = text ? 0x01 : 0x00;
            Put16(p, at + 21, fixed ? fixedOffset : 0);
            Put16(p, at + 23, size);
        } else {
            Put16(p, at + 1, i);
            Put16(p, at + 3, fixed ? 0 : varNumber);
            Put16(p, at + 5, i);
            if (text) {
                Put16(p, at + 7, 0x409);
                Put16(p, at + 9, 1252);
            }
            p[at + 13] = (fixed ? 0x01 : 0x00) | 0x02;
            Put16(p, at + 14, fixed ? fixedOffset : 0);
            Put16(p, at + 16, size);
        }
        if (fixed) {
            fixedOffset += FixedSize(c.type);
        } else {
            ++varNumber;
        }
    }
    for (const Column& c : columns) {
        const Bytes name = EncodeText(f, c.name, false);
        if (f.jet4) {
            Put16(p, at, name.size());
            at += 2;
        } else {
            p.at(at++) = static_cast<std::uint8_t>(name.size());
        }
        std::memcpy(p.data() + at, name.data(), name.size());
        at += static_cast<int>(name.size());
    }
    Put16(p, at, 0xffff);
    at += 2;
    if (at > f.pageSize) Fail("definizione della tabella troppo lunga");
    Put32(p, 8, at - 8);
    if (f.jet4) Put16(p, 2, f.pageSize - at - 8);
}

// A usage map that lists the pages from `first` to `last`, as a row.
Bytes UsageMap(int first, int last) {
    Bytes map = {0x00};
    Append32(map, first);
    const int bits = last >= first ? last - first + 1 : 0;
    Bytes bitmap(std::max(1, (bits + 7) / 8), 0);
    for (int i = 0; i < bits; ++i) bitmap[i / 8] |= 1 << (i % 8);
    map.insert(map.end(), bitmap.begin(), bitmap.end());
    return map;
}

void Write(const Format& f, const std::string& out, const std::string& tableName,
           const std::vector<Column>& columns, const std::vector<Row>& rows) {
    File file(f);
    WriteDatabasePage(f, file.Page(file.NewPage()));
    const int maps = file.NewDataPage(0);   // 1: the usage maps
    const int catalogDef = file.NewPage();  // 2: MSysObjects, where readers look first
    const int catalogData = file.NewDataPage(catalogDef);
    const int tableDef = file.NewPage();

    const std::vector<Column> catalogColumns = {
        {"Id", kLong}, {"Name", kText, 128}, {"Type", kInt}, {"Flags", kLong}, {"LvProp", kOle}};
    const std::vector<Row> catalogRows = {
        {std::int64_t{catalogDef}, std::string("MSysObjects"), std::int64_t{1},
         std::int64_t{static_cast<std::int32_t>(0x80000002u)}, std::nullopt},
        {std::int64_t{tableDef}, tableName, std::int64_t{1}, std::int64_t{0}, std::nullopt},
    };
    for (const Row& r : catalogRows) {
        if (file.AddRow(catalogData, EncodeRow(f, file, catalogColumns, r)) < 0)
            Fail("catalogo troppo lungo");
    }

    // Rows first (their long values take pages as they go), then the data
    // pages, which must come after every long-value page so that one usage
    // map covers them all.
    std::vector<Bytes> encoded;
    encoded.reserve(rows.size());
    for (const Row& r : rows) encoded.push_back(EncodeRow(f, file, columns, r));
    int firstData = file.Count();
    int page = file.NewDataPage(tableDef);
    for (const Bytes& r : encoded) {
        if (file.AddRow(page, r) < 0) {
            page = file.NewDataPage(tableDef);
            file.AddRow(page, r);
        }
    }
    const int lastData = file.Count() - 1;

    const Bytes none = UsageMap(0, -1);
    if (file.AddRow(maps, UsageMap(catalogData, catalogData)) != 0 ||
        file.AddRow(maps, none) != 1 || file.AddRow(maps, UsageMap(firstData, lastData)) != 2 ||
        file.AddRow(maps, none) != 3) {
        Fail("troppe pagine per una mappa sola");
    }
    WriteTableDefinition(f, file.Page(catalogDef), catalogColumns, catalogRows.size(), true,
                         PageRow(maps, 0), PageRow(maps, 1));
    WriteTableDefinition(f, file.Page(tableDef), columns, rows.size(), false, PageRow(maps, 2),
                         PageRow(maps, 3));
    file.Save(out);
}

// ---------------------------------------------------------------------------
// ROWS

std::vector<Row> ReadRows(const std::string& path, Type idType) {
    std::ifstream in(path, std::ios::binary);
    if (!in) Fail("impossibile leggere " + path);
    std::vector<Row> rows;
    std::string line;
    int number = 0;
    while (std::getline(in, line)) {
        ++number;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty()) continue;
        const std::vector<std::string> fields = rows_format::Split(line);
        if (fields.size() != 8) Fail("riga " + std::to_string(number) + ": servono 8 colonne");
        Row row;
        for (std::size_t i = 0; i < fields.size(); ++i) {
            if (fields[i] == "\\N") {
                row.emplace_back(std::nullopt);
            } else if (i == 0) {
                const bool real = idType == kFloat || idType == kDouble || idType == kMoney;
                std::size_t used = 0;
                if (real && fields[i].find_first_of(".eE") != std::string::npos) {
                    row.emplace_back(std::stod(fields[i], &used));
                } else {
                    row.emplace_back(static_cast<std::int64_t>(std::stoll(fields[i], &used)));
                }
                if (used != fields[i].size()) Fail("riga " + std::to_string(number) + ": numero?");
            } else {
                row.emplace_back(rows_format::Unescape(fields[i]));
            }
        }
        rows.push_back(std::move(row));
    }
    return rows;
}

std::string Upper(std::string s) {
    for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

int Usage() {
    std::fputs(
        "Uso: write-access-album [--jet3|--jet4] [--table NOME] "
        "[--id-type byte|integer|long|single|double|currency] [--upper] OUT ROWS\n",
        stderr);
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    Format format = kJet4;
    std::string table = "datab";
    Type idType = kLong;
    bool upper = false;
    std::vector<std::string> paths;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--jet3") {
            format = kJet3;
        } else if (a == "--jet4") {
            format = kJet4;
        } else if (a == "--upper") {
            upper = true;
        } else if (a == "--table" && i + 1 < argc) {
            table = argv[++i];
        } else if (a == "--id-type" && i + 1 < argc) {
            const std::string t = argv[++i];
            if (t == "byte") {
                idType = kByte;
            } else if (t == "integer") {
                idType = kInt;
            } else if (t == "long") {
                idType = kLong;
            } else if (t == "single") {
                idType = kFloat;
            } else if (t == "double") {
                idType = kDouble;
            } else if (t == "currency") {
                idType = kMoney;
            } else {
                return Usage();
            }
        } else if (!a.empty() && a[0] == '-') {
            return Usage();
        } else {
            paths.push_back(a);
        }
    }
    if (paths.size() != 2) return Usage();

    std::vector<Column> columns = {{"id", idType},
                                   {"titolo", kText, 255},
                                   {"data_scatto", kText, 50},
                                   {"luogo", kText, 255},
                                   {"persone", kMemo},
                                   {"note", kMemo},
                                   {"nome_file", kText, 255},
                                   {"percorso_file", kText, 255}};
    if (upper) {
        table = Upper(table);
        for (Column& c : columns) c.name = Upper(c.name);
    }
    try {
        Write(format, paths[0], table, columns, ReadRows(paths[1], idType));
    } catch (const std::exception& e) {
        std::fprintf(stderr, "write-access-album: %s\n", e.what());
        return 1;
    }
    return 0;
}
