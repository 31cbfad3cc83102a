#include "access_reader.h"

#include <mdbtools.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <limits>
#include <memory>

#include "store/album_format.h"

namespace album_tool {

namespace {

constexpr const char* kColumns[8] = {"id",      "titolo", "data_scatto", "luogo",
                                     "persone", "note",   "nome_file",   "percorso_file"};

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

bool SameName(const char* a, const char* b) {
    for (; *a && *b; ++a, ++b) {
        if (std::tolower(static_cast<unsigned char>(*a)) !=
            std::tolower(static_cast<unsigned char>(*b)))
            return false;
    }
    return *a == *b;
}

std::string Number(std::int64_t n) {
    return std::to_string(n);
}

// A whole number held by a floating column, or why not.
std::int64_t WholeNumber(double d) {
    // 2^63 is exactly representable; anything from there up does not fit.
    if (!std::isfinite(d) || d != std::floor(d) || d < -9223372036854775808.0 ||
        d >= 9223372036854775808.0) {
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

std::vector<PhotoRow> Read(MdbHandle* opened) {
    if (opened == nullptr) throw NotAnAlbum("il file non si lascia leggere come database Access");
    std::unique_ptr<MdbHandle, HandleCloser> mdb(opened);

    char tableName[] = "datab";
    std::unique_ptr<MdbTableDef, TableFreer> table(
        mdb_read_table_by_name(mdb.get(), tableName, MDB_TABLE));
    if (!table) throw NotAnAlbum("non contiene la tabella datab");
    if (!mdb_read_columns(table.get()) || table->columns == nullptr)
        throw NotAnAlbum("le colonne della tabella datab sono illeggibili");

    // Catalogue names are read with libmdb's own small buffers; the values,
    // memos above all, need room of their own.
    mdb_set_bind_size(mdb.get(), kTextRoom);
    std::vector<std::vector<char>> bound(8, std::vector<char>(kTextRoom, '\0'));
    std::vector<int> lengths(8, 0);
    std::vector<MdbColumn*> columns(8, nullptr);
    for (unsigned i = 0; i < table->num_cols && i < table->columns->len; ++i) {
        auto* column = static_cast<MdbColumn*>(g_ptr_array_index(table->columns, i));
        for (int c = 0; c < 8; ++c) {
            if (columns[c] == nullptr && SameName(column->name, kColumns[c])) {
                columns[c] = column;
                if (mdb_bind_column(table.get(), static_cast<int>(i) + 1, bound[c].data(),
                                    &lengths[c]) < 0)
                    throw NotAnAlbum("le colonne della tabella datab sono illeggibili");
            }
        }
    }
    for (int c = 0; c < 8; ++c) {
        if (columns[c] == nullptr)
            throw NotAnAlbum(std::string("la tabella datab non ha la colonna ") + kColumns[c]);
        const int type = columns[c]->col_type;
        const bool fits = c == 0 ? IsWholeNumberType(type) : type == MDB_TEXT || type == MDB_MEMO;
        if (!fits) {
            throw NotAnAlbum(std::string("la colonna ") + kColumns[c] + " della tabella datab " +
                             (c == 0 ? "non è numerica" : "non è di testo"));
        }
    }

    std::vector<PhotoRow> rows;
    mdb_rewind_table(table.get());
    while (mdb_fetch_row(table.get())) {
        PhotoRow row;
        row.id = ReadId(mdb.get(), columns[0], bound[0].data());
        for (int c = 1; c < 8; ++c) {
            const std::size_t length = std::strlen(bound[c].data());
            if (length + 1 >= kTextRoom)
                throw NotAnAlbum(std::string("un testo della colonna ") + kColumns[c] +
                                 " è troppo lungo");
            row.texts[c - 1].assign(bound[c].data(), length);
            bound[c][0] = '\0';
        }
        rows.push_back(std::move(row));
    }

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

std::vector<PhotoRow> ReadAccessAlbum(const std::string& path) {
    unsigned char start[store::kAlbumSniffBytes] = {};
    std::ifstream in(path, std::ios::binary);
    if (!in) throw NotAnAlbum("il file non si lascia leggere");
    in.read(reinterpret_cast<char*>(start), sizeof start);
    CheckFormat(start, static_cast<std::size_t>(in.gcount()));
    SetTextEncodings();
    return Read(mdb_open(path.c_str(), MDB_NOFLAGS));
}

std::vector<PhotoRow> ReadAccessAlbum(const void* bytes, std::size_t size) {
    CheckFormat(static_cast<const unsigned char*>(bytes), size);
    SetTextEncodings();
    // libmdb reads the buffer through a stream and never writes it.
    std::vector<unsigned char> copy(static_cast<const unsigned char*>(bytes),
                                    static_cast<const unsigned char*>(bytes) + size);
    return Read(mdb_open_buffer(copy.data(), copy.size(), MDB_NOFLAGS));
}

}  // namespace album_tool
