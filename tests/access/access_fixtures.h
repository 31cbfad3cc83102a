#pragma once

// Access-format album fixtures for the tests: written by the tests' own
// writer from the rows in fixtures/*.tsv, and each one read back first by
// mdbtools' command-line programs, a reader that is not ours.

#include <array>
#include <cstdint>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

namespace access_test {

// One photo as a reader should see it: null texts read as empty text.
struct Row {
    std::int64_t id = 0;
    std::array<std::string, 7> texts;
    bool operator==(const Row&) const = default;
};

// A scratch folder, removed with everything in it.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    std::string operator/(const std::string& name) const { return (path_ / name).string(); }
    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

// The rows of fixtures/<name>.tsv, in the file's order.
std::vector<Row> FixtureRows(const std::string& name);
// The same rows in number order, as every reader must give them.
std::vector<Row> InNumberOrder(std::vector<Row> rows);

// Writes fixtures/<name>.tsv as an Access-format file `out` with
// write-access-album and `options` ("--jet3", "--id-type double", ...), then
// checks that mdbtools lists the table and exports exactly those rows
// (unless the table is not `datab`). Fails the test (fatally) otherwise.
void WriteFixture(const std::string& name, const std::string& out, const std::string& options);
// The same from a rows file `rows` of the fixtures' form anywhere.
void WriteRowsFile(const std::string& rows, const std::string& out, const std::string& options);

// An album of 300 photos (Jet 4), their notes long enough to take pages of
// their own, written at `out` and then damaged as a bad disk leaves one: cut
// at 60 % of its length, or its last page (a page of rows) zeroed.
enum class Damage { CutAt60Percent, LastPageZeroed };
void WriteDamagedAlbum(const std::string& out, Damage damage);

// Runs a shell command; its exit code (-1 if it did not exit) and what it
// wrote on stdout and stderr.
std::pair<int, std::string> Shell(const std::string& command);

// `path` in single quotes for the shell.
std::string Quoted(const std::string& path);

std::string ReadBytes(const std::string& path);

// Every row of a native album, in number order, read with SQLiteCpp.
std::vector<Row> NativeRows(const std::string& path);

}  // namespace access_test
