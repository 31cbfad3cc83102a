#include "store/sqlite_cursor.h"

#include <cmath>
#include <optional>
#include <utility>

#include "store/sqlite_engine.h"
#include "store/sqlite_order.h"
#include "store/sqlite_rows.h"

namespace store::sqlite {

namespace {

// The key a number is looked for by: whole numbers as integers, so ids beyond
// 2^53 compare exactly; other numbers as reals; nothing else matches an id.
std::optional<Value> SeekKey(const Value& number) {
    if (number.isInteger()) return number;
    if (!number.isReal() || !std::isfinite(number.real())) return std::nullopt;
    if (const auto whole = WholeNumber(number.real())) return Value(*whole);
    return number;
}

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

}  // namespace

std::unique_ptr<Cursor> OpenSqliteCursor(std::shared_ptr<SQLite::Database> db, bool readOnly,
                                         const AlbumFileWatch& file, const std::string& rowKey) {
    auto cursor = std::make_unique<SqliteCursor>(std::move(db), readOnly, file, rowKey);
    cursor->Start();
    return cursor;
}

}  // namespace store::sqlite
