// The album store on SQLite: a keyset cursor that keeps only the current
// photo's number and row and asks the id index for every neighbour, so
// nothing ever reads the whole table.

#include "store/sqlite_engine.h"

#include <SQLiteCpp/Transaction.h>
#include <fcntl.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <limits>
#include <optional>
#include <utility>
#include <vector>

#include "store/album.h"
#include "store/album_columns.h"
#include "store/file_checks.h"
#include "store/sqlite_batch.h"
#include "store/sqlite_order.h"
#include "store/sqlite_rows.h"
#include "store/sqlite_pictures.h"

namespace store {

namespace sqlite {

int ErrorNumber(int code) {
    switch (code & 0xff) {
        case SQLITE_READONLY:
            // The open file is no longer the one at the album's path.
            if (code == SQLITE_READONLY_DBMOVED) return err::AlbumReplaced;
            return err::ReadOnlyDatabase;
        case SQLITE_BUSY:
        case SQLITE_LOCKED:
            return err::Locked;
        case SQLITE_CONSTRAINT:
            if (code == SQLITE_CONSTRAINT_PRIMARYKEY || code == SQLITE_CONSTRAINT_UNIQUE ||
                code == SQLITE_CONSTRAINT_ROWID) {
                return err::DuplicateKey;
            }
            return err::General;
        case SQLITE_FULL:
            return err::DiskFull;
        case SQLITE_CANTOPEN:
            // The file, or the journal beside it, could not be opened.
            return err::CannotOpenForWriting;
        case SQLITE_CORRUPT:
            // A page of an album that opened as one cannot be read.
            return err::AlbumDamaged;
        case SQLITE_NOTADB:
            return err::NotValidAlbum;
        case SQLITE_IOERR:
            // A page read past the end of the file: the album was cut short.
            return code == SQLITE_IOERR_SHORT_READ ? err::NotValidAlbum : err::General;
        default:
            return err::General;
    }
}

namespace {

// The extended code when the connection still holds the failure's own, else
// the code the step returned.
int CodeOf(const SQLite::Exception& e) {
    const int code = e.getErrorCode();
    const int extended = e.getExtendedErrorCode();
    return extended > 0 && (extended & 0xff) == (code & 0xff) ? extended : code;
}

// A datab whose first eight columns are the album's, in order. Reads only the
// schema; never writes. True when the schema holds triggers.
bool CheckShape(SQLite::Database& db, const std::string& path) {
    auto notAnAlbum = [&](const std::string& why) {
        return StoreError(err::NotValidAlbum, "'" + path + "' non è un album: " + why);
    };
    std::vector<std::string> columns;
    bool triggers = false;
    try {
        SQLite::Statement kind(db,
                               "SELECT type, EXISTS (SELECT 1 FROM sqlite_master WHERE type = "
                               "'trigger') FROM sqlite_master WHERE name = 'datab' COLLATE NOCASE");
        if (!kind.executeStep()) throw notAnAlbum("manca la tabella datab");
        if (kind.getColumn(0).getString() != "table") throw notAnAlbum("datab non è una tabella");
        triggers = kind.getColumn(1).getInt() != 0;
        SQLite::Statement info(db, "SELECT name FROM pragma_table_info('datab') ORDER BY cid");
        while (info.executeStep()) columns.push_back(info.getColumn(0).getString());
    } catch (const SQLite::Exception& e) {
        // A schema SQLite cannot even read is no album either.
        const int number = ErrorNumber(CodeOf(e));
        if (number == err::General || number == err::AlbumDamaged) throw notAnAlbum(e.what());
        Raise(e, "'" + path + "' non leggibile");
    }
    // Columns after the eight are tolerated: the album reads only its own.
    if (columns.size() < kAlbumColumns.size()) throw notAnAlbum("datab ha meno di otto campi");
    for (std::size_t i = 0; i < kAlbumColumns.size(); ++i) {
        if (!SameName(columns[i], kAlbumColumns[i])) {
            throw notAnAlbum("il campo " + std::to_string(i + 1) + " di datab è '" + columns[i] +
                             "' invece di '" + kAlbumColumns[i] + "'");
        }
    }
    return triggers;
}

// The file's header says its changes go through a write-ahead log.
bool InWalMode(const std::string& path) {
    unsigned char versions[2] = {0, 0};
    const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    const bool read = pread(fd, versions, sizeof versions, 18) == sizeof versions;
    close(fd);
    return read && versions[0] == 2 && versions[1] == 2;
}

// `path` as an SQLite URI naming a file nobody changes while it is open: no
// lock is taken and nothing is written beside it, not even the log's index.
std::string ImmutableUri(const std::string& path) {
    std::error_code ec;
    const std::string absolute = std::filesystem::absolute(path, ec).string();
    std::string uri = "file:";
    static const char* const hex = "0123456789ABCDEF";
    for (const unsigned char c : ec ? path : absolute) {
        if (c == '%' || c == '?' || c == '#' || c < 0x20 || c >= 0x7f) {
            uri += '%';
            uri += hex[c >> 4];
            uri += hex[c & 15];
        } else {
            uri += static_cast<char>(c);
        }
    }
    return uri + "?immutable=1";
}

// Keeps what the album file holds from doing more than hold data: no writing
// of the schema or of pages by hand, no function of the program's own called
// from views or triggers.
void Defend(SQLite::Database& db) {
    sqlite3* handle = db.getHandle();
    sqlite3_db_config(handle, SQLITE_DBCONFIG_DEFENSIVE, 1, nullptr);
    sqlite3_db_config(handle, SQLITE_DBCONFIG_TRUSTED_SCHEMA, 0, nullptr);
}

}  // namespace

void Raise(const SQLite::Exception& e, const std::string& what) {
    throw StoreError(ErrorNumber(CodeOf(e)), what + ": " + e.what());
}

std::shared_ptr<SQLite::Database> OpenAlbumFile(const std::string& path, bool readOnly,
                                                bool waitForLocks) {
    CheckAlbumFile(path, readOnly);
    // An album kept with a write-ahead log needs the log's index beside it,
    // even for reading; where nothing may be written it is read as a file
    // nobody changes.
    std::string why;
    const bool immutable =
        readOnly && InWalMode(path) && FolderWriteProblem(FolderOf(path), why) != 0;
    std::shared_ptr<SQLite::Database> db;
    try {
        // Never OPEN_CREATE, and no URI names but the one made here: the
        // path is a plain file name, and opening never makes a file.
        db = std::make_shared<SQLite::Database>(
            immutable ? ImmutableUri(path) : path,
            readOnly ? SQLite::OPEN_READONLY | (immutable ? SQLite::OPEN_URI : 0)
                     : SQLite::OPEN_READWRITE,
            waitForLocks && !NoLockWaitScope::Active() ? kBusyTimeoutMs : 0);
        Defend(*db);
    } catch (const SQLite::Exception& e) {
        Raise(e, "'" + path + "'");
    }
    // Triggers would run with every change the album makes: one may empty
    // the whole album when a photo is deleted. Such an album is only read.
    if (CheckShape(*db, path) && !readOnly) {
        throw StoreError(err::CannotOpenForWriting,
                         "'" + path + "' contiene trigger: si apre solo in lettura",
                         ReadOnlyCause::Triggers);
    }
    return db;
}

void Bind(SQLite::Statement& statement, int index, const Value& value) {
    if (value.isInteger()) {
        statement.bind(index, static_cast<int64_t>(value.integer()));
    } else if (value.isReal()) {
        statement.bind(index, value.real());
    } else if (value.isText()) {
        statement.bind(index, value.text());
    } else {
        statement.bind(index);
    }
}

Value ValueOf(const SQLite::Column& column) {
    if (column.isInteger()) return Value(static_cast<std::int64_t>(column.getInt64()));
    if (column.isFloat()) return Value(column.getDouble());
    if (column.isNull()) return Value();
    // Text, and blobs read as their bytes: the album keeps no pictures inside.
    return Value(column.getString());
}

}  // namespace sqlite

namespace {

using sqlite::AlbumOrder;
using sqlite::Bind;
using sqlite::ResetOnExit;
using sqlite::RowWriter;
using sqlite::ValueOf;

constexpr std::int64_t kHighestNumber = std::numeric_limits<std::int64_t>::max();

// `d` as a whole number when it is one within the range of the id column's
// integers.
std::optional<std::int64_t> WholeNumber(double d) {
    if (d == std::trunc(d) && d >= -kTwoTo63 && d < kTwoTo63) return static_cast<std::int64_t>(d);
    return std::nullopt;
}

[[noreturn]] void RangeFull(const std::string& highest) {
    throw StoreError(err::NumberRangeFull,
                     "il numero più alto dell'album (" + highest + ") non può crescere");
}

// The number of a new photo: one more than `highest`, or 1 in an empty album.
// Whole numbers are counted as integers, so they stay exact at any size; a
// number stored as a real (an album made elsewhere) grows by one as a real.
Value NextNumber(const std::optional<Value>& highest) {
    if (!highest) return Value(std::int64_t{1});
    if (highest->isInteger()) {
        if (highest->integer() == kHighestNumber) RangeFull(highest->toText());
        return Value(highest->integer() + 1);
    }
    // Text (or null) where a number belongs reads as the number it spells, or 0.
    const double h = highest->isReal() ? highest->real() : highest->toNumber();
    if (const auto whole = WholeNumber(h)) {
        if (*whole == kHighestNumber) RangeFull(highest->toText());
        return Value(*whole + 1);
    }
    const double next = h + 1;
    if (!std::isfinite(next) || next == h) RangeFull(highest->toText());
    if (const auto whole = WholeNumber(next)) return Value(*whole);
    return Value(next);
}

}  // namespace

Value sqlite::NumberAfter(const std::optional<Value>& highest) {
    return NextNumber(highest);
}

namespace {

// The key a number is looked for by: whole numbers as integers, so ids beyond
// 2^53 compare exactly; other numbers as reals; nothing else matches an id.
std::optional<Value> SeekKey(const Value& number) {
    if (number.isInteger()) return number;
    if (!number.isReal() || !std::isfinite(number.real())) return std::nullopt;
    if (const auto whole = WholeNumber(number.real())) return Value(*whole);
    return number;
}

// Which file the album was opened as, so a file deleted, emptied or put in
// its place by another program is told for what it is rather than by what
// SQLite makes of it.
class AlbumFileWatch {
public:
    explicit AlbumFileWatch(std::string path) : path_(std::move(path)) {
        struct stat info {};
        if (stat(path_.c_str(), &info) == 0) {
            device_ = info.st_dev;
            inode_ = info.st_ino;
        }
    }

    // Raises 3024 when the file is gone, err::AlbumReplaced when it was
    // emptied or another file now has its name.
    void CheckStillThere() const {
        struct stat info {};
        if (stat(path_.c_str(), &info) != 0) {
            if (errno == ENOENT || errno == ENOTDIR)
                throw StoreError(err::FileNotFound, "'" + path_ + "' non c'è più");
            return;
        }
        if (info.st_dev != device_ || info.st_ino != inode_ || info.st_size == 0) {
            throw StoreError(err::AlbumReplaced,
                             "'" + path_ + "' è stato svuotato o sostituito da un altro programma");
        }
    }

    // The failure `e` of `what`, for what it is.
    [[noreturn]] void Raise(const SQLite::Exception& e, const std::string& what) const {
        CheckStillThere();
        sqlite::Raise(e, what);
    }

private:
    std::string path_;
    dev_t device_ = 0;
    ino_t inode_ = 0;
};

class SqliteCursor final : public Cursor {
public:
    SqliteCursor(std::shared_ptr<SQLite::Database> db, bool readOnly, const AlbumFileWatch& file,
                 const std::string& rowKey)
        : db_(std::move(db)),
          order_(*db_, rowKey),
          writer_(*db_, rowKey),
          readOnly_(readOnly),
          file_(file) {}

    // Onto the first photo. The last is read too: a damaged album shows itself
    // now rather than on the first MoveLast.
    void Start() {
        if (auto first = Read([this] { return order_.First(); })) {
            Read([this] { return order_.Last(); });
            Land(std::move(*first));
        } else {
            place_ = Place::Empty;
        }
    }

    bool Bof() const override { return place_ == Place::Empty || place_ == Place::BeforeFirst; }
    bool Eof() const override { return place_ == Place::Empty || place_ == Place::AfterLast; }
    bool HasCurrentRow() const override { return place_ == Place::OnRow; }

    // Every move, seek and change first makes sure the album file is still
    // the one opened: a file deleted meanwhile would still be read.
    void MoveFirst() override {
        file_.CheckStillThere();
        Land(ReadOrRaise([this] { return order_.First(); }));
    }
    void MoveLast() override {
        file_.CheckStillThere();
        Land(ReadOrRaise([this] { return order_.Last(); }));
    }

    void MoveNext() override {
        if (Eof()) NoCurrentRow("MoveNext oltre la fine");
        file_.CheckStillThere();
        auto photo = Read([this] {
            return place_ == Place::BeforeFirst ? order_.First() : order_.After(current_);
        });
        if (photo) {
            Land(std::move(*photo));
        } else {
            place_ = Place::AfterLast;
        }
    }

    void MovePrevious() override {
        if (Bof()) NoCurrentRow("MovePrevious oltre l'inizio");
        file_.CheckStillThere();
        auto photo = Read([this] {
            return place_ == Place::AfterLast ? order_.Last() : order_.Before(current_);
        });
        if (photo) {
            Land(std::move(*photo));
        } else {
            place_ = Place::BeforeFirst;
        }
    }

    void Delete() override {
        if (place_ != Place::OnRow) NoCurrentRow("Delete senza foto corrente");
        if (readOnly_) {
            throw StoreError(err::ReadOnlyDatabase,
                             "l'album è aperto in sola lettura: nessuna foto eliminata");
        }
        file_.CheckStillThere();
        try {
            writer_.Delete(current_);
        } catch (const SQLite::Exception& e) {
            file_.Raise(e, "impossibile eliminare la foto");
        }
        // current_ stays: the next move goes on from the deleted photo's place.
        place_ = Place::Deleted;
    }

    bool UpdateField(Field field, const std::string& text) override {
        if (place_ != Place::OnRow) NoCurrentRow("modifica senza foto corrente");
        if (readOnly_) {
            throw StoreError(err::ReadOnlyDatabase,
                             "l'album è aperto in sola lettura: nessuna modifica salvata");
        }
        file_.CheckStillThere();
        std::optional<RowWriter::Result> result;
        try {
            result = writer_.Write(current_, field, text);
        } catch (const SQLite::Exception& e) {
            file_.Raise(e, "impossibile salvare la modifica");
        }
        Land(std::move(result->now));
        if (result->outcome == RowWriter::Outcome::ChangedMeanwhile) {
            throw StoreError(err::TextChanged,
                             "un altro programma ha cambiato il testo: nessuna modifica salvata");
        }
        return result->outcome == RowWriter::Outcome::Written;
    }

    const Photo& Current() const override {
        if (place_ != Place::OnRow) NoCurrentRow("nessuna foto corrente");
        return current_;
    }

    bool SeekId(const Value& number) override {
        const auto key = SeekKey(number);
        if (!key) return false;
        file_.CheckStillThere();
        auto photo = Read([&] { return order_.FirstNumbered(*key); });
        if (!photo) return false;
        Land(std::move(*photo));
        return true;
    }

    // Reads ahead, which only help: they never wait for a lock, so a command
    // on a locked album waits once, in its own move.
    std::optional<Photo> PhotoBefore(const OrderKey& place) override {
        return ReadAhead([&] { return order_.Before(place); });
    }
    std::optional<Photo> PhotoAfter(const OrderKey& place) override {
        return ReadAhead([&] { return order_.After(place); });
    }
    std::optional<Photo> PicturePlaceBefore(const OrderKey& place) override {
        return ReadAhead([&] { return order_.Before(place, AlbumOrder::Reading::PicturePlace); });
    }
    std::optional<Photo> PicturePlaceAfter(const OrderKey& place) override {
        return ReadAhead([&] { return order_.After(place, AlbumOrder::Reading::PicturePlace); });
    }

private:
    enum class Place { Empty, BeforeFirst, OnRow, Deleted, AfterLast };

    // No waiting for locks while it lives.
    class NoWait {
    public:
        explicit NoWait(SQLite::Database& db) : db_(db) { db_.setBusyTimeout(0); }
        ~NoWait() { db_.setBusyTimeout(sqlite::kBusyTimeoutMs); }
        NoWait(const NoWait&) = delete;
        NoWait& operator=(const NoWait&) = delete;

    private:
        SQLite::Database& db_;
    };

    [[noreturn]] static void NoCurrentRow(const char* what) {
        throw StoreError(err::NoCurrentRecord, what);
    }

    // A photo read by `read`, an AlbumOrder call, its failures told for what
    // they are.
    template <typename Call>
    std::optional<Photo> Read(Call read) {
        try {
            return read();
        } catch (const SQLite::Exception& e) {
            file_.Raise(e, "impossibile leggere l'album");
        }
    }

    template <typename Call>
    Photo ReadOrRaise(Call read) {
        auto photo = Read(read);
        if (!photo) NoCurrentRow("l'album è vuoto");
        return std::move(*photo);
    }

    template <typename Call>
    std::optional<Photo> ReadAhead(Call read) {
        const NoWait noWait(*db_);
        return Read(read);
    }

    void Land(Photo photo) {
        current_ = std::move(photo);
        place_ = Place::OnRow;
    }

    // Declared first, so every statement is finalized before the connection
    // can close.
    std::shared_ptr<SQLite::Database> db_;
    AlbumOrder order_;
    RowWriter writer_;
    bool readOnly_;
    AlbumFileWatch file_;
    Place place_ = Place::Empty;
    Photo current_;  // the current or just deleted photo, as read when the cursor landed
};

class SqliteAlbum final : public Album {
public:
    SqliteAlbum(std::string path, bool readOnly, std::shared_ptr<SQLite::Database> db)
        : path_(std::move(path)), readOnly_(readOnly), db_(std::move(db)), file_(path_) {
        try {
            rowKey_ = sqlite::RowKeyOf(*db_);
        } catch (const SQLite::Exception& e) {
            file_.Raise(e, "'" + path_ + "' non leggibile");
        }
    }

    std::unique_ptr<Cursor> OpenCursor() override {
        auto cursor = std::make_unique<SqliteCursor>(db_, readOnly_, file_, rowKey_);
        cursor->Start();
        return cursor;
    }

    Value InsertPhoto(const PhotoTexts& texts) override {
        if (readOnly_) {
            throw StoreError(err::ReadOnlyDatabase,
                             "'" + path_ + "' è aperto in sola lettura: nessuna foto aggiunta");
        }
        file_.CheckStillThere();
        try {
            // The write lock is taken before the highest number is read, so no
            // other program can add a photo between the reading and the
            // writing: the number is never taken twice and never retried.
            SQLite::Transaction transaction(*db_, SQLite::TransactionBehavior::IMMEDIATE);
            if (!highest_) highest_.emplace(*db_, "SELECT id FROM datab ORDER BY id DESC LIMIT 1");
            std::optional<Value> highest;
            {
                ResetOnExit reset(*highest_);
                if (highest_->executeStep()) highest = ValueOf(highest_->getColumn(0));
            }
            // Raises when the number cannot grow; the transaction then rolls back.
            const Value number = NextNumber(highest);
            if (!insert_) {
                // The columns are named, so an album whose table carries
                // columns of its own after the eight takes new photos too.
                insert_.emplace(*db_, std::string("INSERT INTO datab (") + kAlbumColumnList +
                                          ") VALUES (?, ?, ?, ?, ?, ?, ?, ?)");
            }
            {
                ResetOnExit reset(*insert_);
                Bind(*insert_, 1, number);
                const std::array<const std::string*, 7> values = {
                    &texts.titolo, &texts.data_scatto, &texts.luogo,        &texts.persone,
                    &texts.note,   &texts.nome_file,   &texts.percorso_file};
                for (std::size_t i = 0; i < values.size(); ++i) {
                    insert_->bind(static_cast<int>(i) + 2, *values[i]);
                }
                insert_->exec();
            }
            transaction.commit();
            return number;
        } catch (const SQLite::Exception& e) {
            file_.Raise(e, "impossibile aggiungere la foto");
        }
    }

    // Many photos at once, and the pictures' places: sqlite_batch.cpp.
    std::vector<Value> InsertPhotos(std::span<const PhotoTexts> photos) override {
        if (readOnly_) {
            throw StoreError(err::ReadOnlyDatabase,
                             "'" + path_ + "' è aperto in sola lettura: nessuna foto aggiunta");
        }
        file_.CheckStillThere();
        try {
            return sqlite::InsertPhotos(*db_, photos);
        } catch (const SQLite::Exception& e) {
            file_.Raise(e, "impossibile aggiungere le foto");
        }
    }
    void VisitPicturePlaces(const PicturePlaceVisitor& visit) override {
        file_.CheckStillThere();
        try {
            sqlite::VisitPicturePlaces(*db_, visit);
        } catch (const SQLite::Exception& e) {
            file_.Raise(e, "impossibile leggere l'album");
        }
    }

    std::unique_ptr<PhotoIndex> OpenPhotoIndex() override { return store::OpenPhotoIndex(path_); }

    std::vector<PicturePlace> ReadPicturePlaces() override {
        file_.CheckStillThere();
        try {
            return sqlite::ReadPicturePlaces(*db_);
        } catch (const SQLite::Exception& e) {
            file_.Raise(e, "impossibile leggere l'album");
        }
    }

    std::size_t RelinkPictures(const std::vector<PictureMove>& moves) override {
        if (readOnly_) {
            throw StoreError(err::ReadOnlyDatabase,
                             "'" + path_ + "' è aperto in sola lettura: nessuna foto ricollegata");
        }
        file_.CheckStillThere();
        try {
            return sqlite::RelinkPictures(*db_, moves);
        } catch (const SQLite::Exception& e) {
            file_.Raise(e, "impossibile ricollegare le foto");
        }
    }

    std::unique_ptr<PhotoSearch> OpenSearch(const std::string& indexPath) override {
        return OpenPhotoSearch(path_, indexPath);
    }

    std::optional<std::int64_t> ChangesByOthers() override {
        // Never waits: an album locked now cannot be told about.
        db_->setBusyTimeout(0);
        std::optional<std::int64_t> count;
        try {
            count = db_->execAndGet("PRAGMA data_version").getInt64();
        } catch (const SQLite::Exception&) {
            // Locked or unreadable: nothing can be told.
        }
        db_->setBusyTimeout(sqlite::kBusyTimeoutMs);
        return count;
    }

private:
    std::string path_;
    bool readOnly_;
    std::shared_ptr<SQLite::Database> db_;
    AlbumFileWatch file_;
    std::string rowKey_;  // see sqlite::RowKeyOf
    std::optional<SQLite::Statement> highest_;
    std::optional<SQLite::Statement> insert_;
};

class SqliteEngine final : public Engine {
public:
    std::unique_ptr<Album> Open(const std::string& path, bool readOnly) override {
        return std::make_unique<SqliteAlbum>(path, readOnly, sqlite::OpenAlbumFile(path, readOnly));
    }
};

}  // namespace

namespace {
thread_local bool noLockWait = false;
}  // namespace

NoLockWaitScope::NoLockWaitScope() : outer_(noLockWait) {
    noLockWait = true;
}

NoLockWaitScope::~NoLockWaitScope() {
    noLockWait = outer_;
}

bool NoLockWaitScope::Active() {
    return noLockWait;
}

std::unique_ptr<Engine> MakeSqliteEngine() {
    return std::make_unique<SqliteEngine>();
}

}  // namespace store
