#include "access_fixtures.h"

#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <SQLiteCpp/SQLiteCpp.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <sstream>

#include "rows_format.h"
#include "store/album_columns.h"

namespace fs = std::filesystem;

namespace access_test {

TempDir::TempDir() {
    const fs::path root =
        access("/dev/shm", W_OK) == 0 ? fs::path("/dev/shm") : fs::temp_directory_path();
    std::string pattern = (root / "pictora-access-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp");
    path_ = pattern;
}

TempDir::~TempDir() {
    std::error_code ec;
    // Tests take write permission away from folders; give it back first.
    for (auto it = fs::recursive_directory_iterator(path_, ec);
         !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
        fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
    }
    fs::remove_all(path_, ec);
}

std::string Quoted(const std::string& path) {
    std::string out = "'";
    for (char c : path) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

std::string ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

std::pair<int, std::string> Shell(const std::string& command) {
    char name[] = "/tmp/pictora-run-XXXXXX";
    const int fd = mkstemp(name);
    if (fd < 0) throw std::runtime_error("mkstemp");
    close(fd);
    const int status = std::system((command + " >" + Quoted(name) + " 2>&1").c_str());
    std::string output = ReadBytes(name);
    unlink(name);
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, output};
}

namespace {

// Lines of escaped fields, a null and an empty text alike (mdbtools shows
// both as null).
std::vector<std::vector<std::string>> Table(const std::string& text) {
    std::vector<std::vector<std::string>> rows;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        if (line.empty()) continue;
        auto fields = rows_format::Split(line);
        for (auto& f : fields) {
            if (f == "\\N") f.clear();
        }
        rows.push_back(fields);
    }
    return rows;
}

}  // namespace

std::vector<Row> FixtureRows(const std::string& name) {
    std::vector<Row> rows;
    for (const auto& fields :
         Table(ReadBytes(std::string(ACCESS_FIXTURES) + "/" + name + ".tsv"))) {
        Row row;
        row.id = std::stoll(fields.at(0));
        for (int i = 0; i < 7; ++i) row.texts[i] = rows_format::Unescape(fields.at(i + 1));
        rows.push_back(row);
    }
    return rows;
}

std::vector<Row> InNumberOrder(std::vector<Row> rows) {
    std::stable_sort(rows.begin(), rows.end(),
                     [](const Row& a, const Row& b) { return a.id < b.id; });
    return rows;
}

void WriteFixture(const std::string& name, const std::string& out, const std::string& options) {
    WriteRowsFile(std::string(ACCESS_FIXTURES) + "/" + name + ".tsv", out, options);
}

void WriteRowsFile(const std::string& rows, const std::string& out, const std::string& options) {
    const auto [code, output] = Shell(std::string(WRITE_ACCESS_ALBUM) + " " + options + " " +
                                      Quoted(out) + " " + Quoted(rows));
    ASSERT_EQ(code, 0) << output;
    if (options.find("--table") != std::string::npos) return;

    // mdbtools' own reading of the file, as text: one line a row, fields
    // escaped as in the fixture.
    const std::string table = options.find("--upper") != std::string::npos ? "DATAB" : "datab";
    const auto [listed, tables] = Shell("mdb-tables -1 " + Quoted(out));
    ASSERT_EQ(listed, 0) << tables;
    ASSERT_EQ(tables, table + "\n");
    const auto [exported, text] =
        Shell("mdb-export -H -Q -e -d '\t' -0 '\\N' " + Quoted(out) + " " + table);
    ASSERT_EQ(exported, 0) << text;
    auto expected = Table(ReadBytes(rows));
    auto got = Table(text);
    if (options.find("--id-type") != std::string::npos) {
        // Floating and currency numbers print their own way; the texts must
        // still match.
        for (auto& r : expected) r.erase(r.begin());
        for (auto& r : got) r.erase(r.begin());
    }
    ASSERT_EQ(got, expected) << "mdb-export " << out;
}

void WriteDamagedAlbum(const std::string& out, Damage damage) {
    const std::string rows = out + ".tsv";
    {
        std::ofstream tsv(rows, std::ios::binary);
        for (int i = 1; i <= 300; ++i)
            tsv << i << "\tFoto " << i << "\t01/01/99\tRoma\tAnna\t" << std::string(300, 'n')
                << "\tf" << i << ".jpg\t/foto\n";
    }
    WriteRowsFile(rows, out, "--jet4");
    fs::remove(rows);
    std::string bytes = ReadBytes(out);
    constexpr std::size_t kPage = 4096;
    if (damage == Damage::CutAt60Percent) {
        bytes.resize(bytes.size() * 6 / 10);
    } else {
        bytes.replace(bytes.size() - kPage, kPage, kPage, '\0');
    }
    std::ofstream(out, std::ios::binary | std::ios::trunc) << bytes;
}

std::vector<Row> NativeRows(const std::string& path) {
    SQLite::Database db(path, SQLite::OPEN_READONLY);
    SQLite::Statement query(
        db, std::string("SELECT ") + store::kAlbumColumnList + " FROM datab ORDER BY id");
    std::vector<Row> rows;
    while (query.executeStep()) {
        Row row;
        row.id = query.getColumn(0).getInt64();
        for (int i = 0; i < 7; ++i) row.texts[i] = query.getColumn(i + 1).getString();
        rows.push_back(row);
    }
    return rows;
}

}  // namespace access_test
