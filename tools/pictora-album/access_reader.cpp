#include "access_reader.h"

#include <mdbtools.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <limits>
#include <memory>

#include "store/album_columns.h"
#include "store/album_format.h"
#include "store/value.h"

namespace album_tool {

namespace {

using store::kAlbumColumns;
using store::SameName;

// Room for the longest text a memo can hold when typed in Access (65,535
// characters, up to three bytes each in UTF-8). A value that fills it may have
// been cut, and is refused rather than stored shortened.
constexpr std::size_t kTextRoom = 256 * 1024;

struct HandleCloser {
    void operator()(MdbHandle* mdb) const { mdb_close(mdb); }
};
struct TableFreer {
    void operator()(MdbTableDef* table) const { mdb_free_tabledef(table); }
};

// What libmdb prints on stderr while the scope lives, kept instead of
// shown: libmdb tells of a page it could not read, or of a text it could not
// read whole, only there, and goes on as if nothing happened. (Only what goes
// through the C library's stderr is kept: a sanitizer's report still reaches
// the screen.)
class LibraryMessages {
public:
    LibraryMessages() : shown_(stderr) {
        if (FILE* kept = open_memstream(&text_, &size_)) stderr = kept;
    }
    ~LibraryMessages() {
        if (stderr != shown_) {
            std::fclose(stderr);
            stderr = shown_;
        }
        std::free(text_);
    }
    LibraryMessages(const LibraryMessages&) = delete;
    LibraryMessages& operator=(const LibraryMessages&) = delete;

    // Raises Damaged when libmdb has told of damage so far.
    void Check() {
        if (stderr == shown_ || std::fflush(stderr) != 0 || text_ == nullptr) return;
        const std::string text(text_, size_);
        for (std::size_t start = 0; start < text.size();) {
            std::size_t end = text.find('\n', start);
            if (end == std::string::npos) end = text.size();
            const std::string line = text.substr(start, end - start);
            if (TellsOfDamage(line)) throw Damaged(Meaning(line));
            start = end + 1;
        }
    }

private:
    static std::string Lower(std::string text) {
        for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        return text;
    }
    static bool TellsOfDamage(const std::string& line) {
        const std::string lower = Lower(line);
        for (const char* sign : {"fail", "incorrect", "invalid", "unhandled", "doesn't match",
                                 "beyond eof", "unable", "error", "can't", "couldn't"}) {
            if (lower.find(sign) != std::string::npos) return true;
        }
        return false;
    }
    static std::string Meaning(const std::string& line) {
        const std::string lower = Lower(line);
        if (lower.find("memo") != std::string::npos)
            return "un testo lungo non si legge per intero (" + line + ")";
        if (lower.find("page") != std::string::npos || lower.find("eof") != std::string::npos)
            return "una pagina non si legge (" + line + ")";
        return line;
    }

    FILE* const shown_;
    char* text_ = nullptr;
    std::size_t size_ = 0;
};

std::string Number(std::int64_t n) {
    return std::to_string(n);
}
std::string Number(std::size_t n) {
    return std::to_string(n);
}

// A whole number held by a floating column, or why not.
std::int64_t WholeNumber(double d) {
    // 2^63 is exactly representable; anything from there up does not fit.
    if (!std::isfinite(d) || d != std::floor(d) || d < -store::kTwoTo63 || d >= store::kTwoTo63) {
        throw NotAnAlbum("una foto ha un numero che non è intero");
    }
    return static_cast<std::int64_t>(d);
}

// A decimal column's value as libmdb writes it: digits, maybe a point and
// zeros after it.
std::int64_t WholeNumber(const std::string& text) {
    std::size_t i = 0;
    const bool negative = !text.empty() && text[0] == '-';
    if (negative) ++i;
    std::int64_t n = 0;
    const std::size_t digits = i;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        const int d = text[i] - '0';
        if (n > (std::numeric_limits<std::int64_t>::max() - d) / 10)
            throw NotAnAlbum("una foto ha un numero troppo grande");
        n = n * 10 + d;
    }
    if (i == digits) throw NotAnAlbum("una foto ha un numero illeggibile");
    if (i < text.size() && text[i] == '.') {
        for (++i; i < text.size(); ++i) {
            if (text[i] != '0') throw NotAnAlbum("una foto ha un numero che non è intero");
        }
    }
    if (i != text.size()) throw NotAnAlbum("una foto ha un numero illeggibile");
    return negative ? -n : n;
}

template <typename T>
T Raw(const unsigned char* bytes) {
    T value;
    std::memcpy(&value, bytes, sizeof value);
    return value;
}

// The id of the row just fetched, from the column's bytes on the page.
std::int64_t ReadId(MdbHandle* mdb, const MdbColumn* column, const char* bound) {
    const int start = column->cur_value_start;
    const int length = column->cur_value_len;
    if (length == 0) throw NotAnAlbum("una foto non ha numero");
    auto bytes = [&](int size) {
        if (length < size || start < 0 || start + size > static_cast<int>(mdb->fmt->pg_size))
            throw NotAnAlbum("il file è danneggiato");
        return reinterpret_cast<const unsigned char*>(mdb->pg_buf) + start;
    };
    switch (column->col_type) {
        case MDB_BYTE:
            return *bytes(1);
        case MDB_INT:
            return Raw<std::int16_t>(bytes(2));
        case MDB_LONGINT:
            return Raw<std::int32_t>(bytes(4));
        case MDB_MONEY: {
            // Currency: a whole number of ten-thousandths.
            const auto scaled = Raw<std::int64_t>(bytes(8));
            if (scaled % 10000 != 0) throw NotAnAlbum("una foto ha un numero che non è intero");
            return scaled / 10000;
        }
        case MDB_FLOAT:
            return WholeNumber(static_cast<double>(Raw<float>(bytes(4))));
        case MDB_DOUBLE:
            return WholeNumber(Raw<double>(bytes(8)));
        default:  // MDB_NUMERIC
            return WholeNumber(std::string(bound));
    }
}

bool IsWholeNumberType(int type) {
    return type == MDB_BYTE || type == MDB_INT || type == MDB_LONGINT || type == MDB_MONEY ||
           type == MDB_FLOAT || type == MDB_DOUBLE || type == MDB_NUMERIC;
}

// The columns of `datab` bound to buffers of their own, in kAlbumColumns' order.
struct BoundColumns {
    std::vector<std::vector<char>> values = std::vector<std::vector<char>>(8);
    std::vector<int> lengths = std::vector<int>(8, 0);
    std::vector<MdbColumn*> columns = std::vector<MdbColumn*>(8, nullptr);
};

void Bind(MdbHandle* mdb, MdbTableDef* table, BoundColumns& bound) {
    if (!mdb_read_columns(table) || table->columns == nullptr)
        throw NotAnAlbum("le colonne della tabella datab sono illeggibili");
    // Catalogue names are read with libmdb's own small buffers; the values,
    // memos above all, need room of their own.
    mdb_set_bind_size(mdb, kTextRoom);
    for (std::vector<char>& value : bound.values) value.assign(kTextRoom, '\0');
    for (unsigned i = 0; i < table->num_cols && i < table->columns->len; ++i) {
        auto* column = static_cast<MdbColumn*>(g_ptr_array_index(table->columns, i));
        for (int c = 0; c < 8; ++c) {
            if (bound.columns[c] == nullptr && SameName(column->name, kAlbumColumns[c])) {
                bound.columns[c] = column;
                if (mdb_bind_column(table, static_cast<int>(i) + 1, bound.values[c].data(),
                                    &bound.lengths[c]) < 0)
                    throw NotAnAlbum("le colonne della tabella datab sono illeggibili");
            }
        }
    }
    for (int c = 0; c < 8; ++c) {
        if (bound.columns[c] == nullptr)
            throw NotAnAlbum(std::string("la tabella datab non ha la colonna ") + kAlbumColumns[c]);
        const int type = bound.columns[c]->col_type;
        const bool fits = c == 0 ? IsWholeNumberType(type) : type == MDB_TEXT || type == MDB_MEMO;
        if (!fits) {
            throw NotAnAlbum(std::string("la colonna ") + kAlbumColumns[c] +
                             " della tabella datab " +
                             (c == 0 ? "non è numerica" : "non è di testo"));
        }
    }
}

PhotoRow FetchedRow(MdbHandle* mdb, BoundColumns& bound) {
    PhotoRow row;
    row.id = ReadId(mdb, bound.columns[0], bound.values[0].data());
    for (int c = 1; c < 8; ++c) {
        std::vector<char>& value = bound.values[c];
        const std::size_t length = std::strlen(value.data());
        if (length + 1 >= kTextRoom)
            throw NotAnAlbum(std::string("un testo della colonna ") + kAlbumColumns[c] +
                             " è troppo lungo");
        row.texts[c - 1].assign(value.data(), length);
        value[0] = '\0';
    }
    return row;
}

std::vector<PhotoRow> Read(MdbHandle* opened, std::uint64_t size, LibraryMessages& messages,
                           const ReadProgress& progress) {
    if (opened == nullptr) throw NotAnAlbum("il file non si lascia leggere come database Access");
    std::unique_ptr<MdbHandle, HandleCloser> mdb(opened);
    // The file is made of whole pages; libmdb would take the last half one
    // as a whole page, the rest of it left from the page before.
    if (const std::uint64_t page = mdb->fmt->pg_size; page == 0 || size % page != 0) {
        throw Damaged("il file è troncato: " + Number(static_cast<std::size_t>(size)) +
                      " byte non sono un numero intero di pagine");
    }

    char tableName[] = "datab";
    std::unique_ptr<MdbTableDef, TableFreer> table(
        mdb_read_table_by_name(mdb.get(), tableName, MDB_TABLE));
    if (!table) {
        // The catalogue may be what is damaged.
        messages.Check();
        throw NotAnAlbum("non contiene la tabella datab");
    }
    BoundColumns bound;
    Bind(mdb.get(), table.get(), bound);

    const std::int64_t total = table->num_rows;
    std::vector<PhotoRow> rows;
    mdb_rewind_table(table.get());
    try {
        while (mdb_fetch_row(table.get())) {
            rows.push_back(FetchedRow(mdb.get(), bound));
            if (progress && rows.size() % 1024 == 0)
                progress(static_cast<std::int64_t>(rows.size()), total);
        }
    } catch (const NotAnAlbum&) {
        // A row that makes no sense on a page that could not be read.
        messages.Check();
        throw;
    }
    messages.Check();
    if (static_cast<std::int64_t>(rows.size()) < total) {
        throw Damaged("si leggono " + Number(rows.size()) + " foto delle " + Number(total) +
                      " che la tabella datab conta");
    }
    if (progress) progress(static_cast<std::int64_t>(rows.size()), total);

    std::stable_sort(rows.begin(), rows.end(),
                     [](const PhotoRow& a, const PhotoRow& b) { return a.id < b.id; });
    for (std::size_t i = 1; i < rows.size(); ++i) {
        if (rows[i].id == rows[i - 1].id)
            throw NotAnAlbum("il numero " + Number(rows[i].id) + " appartiene a più foto");
    }
    return rows;
}

// Text comes out as UTF-8 whatever the environment says, and Jet 3 files,
// which do not name their code page, are read in the Western one.
void SetTextEncodings() {
    setenv("MDB_ICONV", "UTF-8", 1);
    setenv("MDBICONV", "UTF-8", 1);
    setenv("MDB_JET3_CHARSET", "CP1252", 1);
}

void CheckFormat(const unsigned char* start, std::size_t size) {
    if (store::SniffAlbumFormat(start, size) != store::AlbumFormat::Access)
        throw NotAnAlbum("non è un file di Access");
}

}  // namespace

std::vector<PhotoRow> ReadAccessAlbum(const std::string& path, const ReadProgress& progress) {
    unsigned char start[store::kAlbumSniffBytes] = {};
    std::ifstream in(path, std::ios::binary);
    if (!in) throw NotAnAlbum("il file non si lascia leggere");
    in.read(reinterpret_cast<char*>(start), sizeof start);
    CheckFormat(start, static_cast<std::size_t>(in.gcount()));
    in.seekg(0, std::ios::end);
    const auto size = static_cast<std::uint64_t>(in.tellg());
    SetTextEncodings();
    LibraryMessages messages;
    return Read(mdb_open(path.c_str(), MDB_NOFLAGS), size, messages, progress);
}

std::vector<PhotoRow> ReadAccessAlbum(const void* bytes, std::size_t size) {
    CheckFormat(static_cast<const unsigned char*>(bytes), size);
    SetTextEncodings();
    // libmdb reads the buffer through a stream and never writes it.
    std::vector<unsigned char> copy(static_cast<const unsigned char*>(bytes),
                                    static_cast<const unsigned char*>(bytes) + size);
    LibraryMessages messages;
    return Read(mdb_open_buffer(copy.data(), copy.size(), MDB_NOFLAGS), size, messages, {});
}

}  // namespace album_tool
