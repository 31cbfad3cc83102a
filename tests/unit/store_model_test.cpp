// Random walks over a real album file, each step checked against a plain
// model of the cursor rules: a set of ids and a place.

#include <gtest/gtest.h>

#include <iterator>
#include <random>
#include <set>

#include "store_test_support.h"

using namespace store_test;
using store::Cursor;
using store::DataControl;
using store::Value;
namespace err = store::err;

namespace {

struct Model {
    enum Place { Empty, BeforeFirst, OnRow, Deleted, AfterLast };
    std::set<std::int64_t> ids;
    Place place = Empty;
    std::int64_t key = 0;

    bool Bof() const { return place == Empty || place == BeforeFirst; }
    bool Eof() const { return place == Empty || place == AfterLast; }
    // What a box bound to "id" shows.
    std::string Shown() const { return place == OnRow ? std::to_string(key) : ""; }

    int Land(std::set<std::int64_t>::iterator it, Place otherwise) {
        if (it == ids.end()) {
            place = otherwise;
        } else {
            place = OnRow;
            key = *it;
        }
        return 0;
    }
    void Refresh() { Land(ids.begin(), Empty); }
    int MoveFirst() { return ids.empty() ? err::NoCurrentRecord : Land(ids.begin(), Empty); }
    int MoveLast() {
        return ids.empty() ? err::NoCurrentRecord : Land(std::prev(ids.end()), Empty);
    }
    int MoveNext() {
        if (Eof()) return err::NoCurrentRecord;
        return Land(place == BeforeFirst ? ids.begin() : ids.upper_bound(key), AfterLast);
    }
    int MovePrevious() {
        if (Bof()) return err::NoCurrentRecord;
        auto after = place == AfterLast ? ids.end() : ids.lower_bound(key);
        return Land(after == ids.begin() ? ids.end() : std::prev(after), BeforeFirst);
    }
    int Delete() {
        if (place != OnRow) return err::NoCurrentRecord;
        ids.erase(key);
        place = Deleted;
        return 0;
    }
    std::int64_t Insert() {
        const std::int64_t number = ids.empty() ? 1 : *ids.rbegin() + 1;
        ids.insert(number);
        return number;
    }
    // What PhotoBefore and PhotoAfter should find around `id`.
    std::string Before(std::int64_t id) const {
        auto it = ids.lower_bound(id);
        return it == ids.begin() ? "" : std::to_string(*std::prev(it));
    }
    std::string After(std::int64_t id) const {
        auto it = ids.upper_bound(id);
        return it == ids.end() ? "" : std::to_string(*it);
    }
};

std::string Shown(const std::optional<store::Photo>& photo) {
    return photo ? photo->id.toText() : "";
}

class Walk {
public:
    explicit Walk(const std::string& path) : writer_(path, SQLite::OPEN_READWRITE) {
        data_.DatabaseName = path;
        data_.AddListener([this](const store::Photo* photo) {
            told_.push_back(photo ? photo->id.toText() : "");
        });
    }

    // One random sequence from a fresh random album; the first disagreement
    // with the model, with the steps that led to it, or "".
    std::string Run(std::uint64_t seed, int steps) {
        std::mt19937_64 rng(seed);
        auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
        Model model;
        for (int i = pick(0, 12); i > 0; --i) model.ids.insert(pick(-5, 40));
        SQLite::Transaction transaction(writer_);
        writer_.exec("DELETE FROM datab");
        for (std::int64_t id : model.ids) {
            insert_.bind(1, id);
            insert_.bind(2, Title(id));
            insert_.exec();
            insert_.reset();
        }
        transaction.commit();

        std::string trail;
        for (int step = -1; step < steps; ++step) {
            told_.clear();
            int expected = 0, actual = 0;
            bool tells = true;
            const int op = step < 0 ? 0 : pick(0, 99);
            const int id = pick(-6, 41);
            if (op < 5) {
                trail += " Refresh";
                model.Refresh();
                actual = ErrorOf([&] { data_.Refresh(); });
            } else if (op < 15) {
                trail += " MoveFirst";
                expected = model.MoveFirst();
                actual = ErrorOf([&] { data_.Recordset().MoveFirst(); });
            } else if (op < 25) {
                trail += " MoveLast";
                expected = model.MoveLast();
                actual = ErrorOf([&] { data_.Recordset().MoveLast(); });
            } else if (op < 50) {
                trail += " MoveNext";
                expected = model.MoveNext();
                actual = ErrorOf([&] { data_.Recordset().MoveNext(); });
            } else if (op < 70) {
                trail += " MovePrevious";
                expected = model.MovePrevious();
                actual = ErrorOf([&] { data_.Recordset().MovePrevious(); });
            } else if (op < 82) {
                trail += " Delete";
                expected = model.Delete();
                actual = ErrorOf([&] { data_.Recordset().Delete(); });
            } else if (op < 86) {
                trail += " InsertPhoto";
                tells = false;
                const std::int64_t number = model.Insert();
                Value given;
                actual = ErrorOf([&] { given = data_.InsertPhoto(Titled(Title(number))); });
                if (actual == 0 && given != Value(number)) return trail + ": numero sbagliato";
            } else if (op < 91) {
                // Another program adds a photo numbered as it likes.
                trail += " Insert(" + std::to_string(id) + ")";
                tells = false;
                if (model.ids.insert(id).second) {
                    insert_.bind(1, id);
                    insert_.bind(2, Title(id));
                    insert_.exec();
                    insert_.reset();
                }
            } else if (op < 94) {
                trail += " Vicine(" + std::to_string(id) + ")";
                tells = false;
                Cursor& rows = data_.Recordset();
                if (Shown(rows.PhotoBefore(Value(id))) != model.Before(id) ||
                    Shown(rows.PhotoAfter(Value(id))) != model.After(id)) {
                    return trail + ": vicine sbagliate";
                }
            } else {
                trail += " SeekId(" + std::to_string(id) + ")";
                tells = model.ids.count(id) > 0;
                if (tells) model.Land(model.ids.find(id), Model::Empty);
                if (data_.Recordset().SeekId(Value(id)) != tells) {
                    return trail + ": SeekId sbagliato";
                }
            }
            const Cursor& rows = data_.Recordset();
            const std::string shown = rows.HasCurrentRow() ? rows.Current().id.toText() : "";
            if (actual != expected) return trail + ": errore " + std::to_string(actual);
            if (shown != model.Shown() || rows.Bof() != model.Bof() || rows.Eof() != model.Eof()) {
                return trail + ": cursore su '" + shown + "'" + (rows.Bof() ? " BOF" : "") +
                       (rows.Eof() ? " EOF" : "") + ", atteso '" + model.Shown() + "'";
            }
            if (rows.HasCurrentRow() && rows.Current().texts.titolo != Title(model.key)) {
                return trail + ": titolo sbagliato";
            }
            const auto wantTold =
                tells && expected == 0 ? std::vector{shown} : std::vector<std::string>{};
            if (told_ != wantTold) return trail + ": avvisati " + std::to_string(told_.size());
        }
        std::set<std::int64_t> inFile;
        for (SQLite::Statement query(writer_, "SELECT id FROM datab"); query.executeStep();) {
            inFile.insert(query.getColumn(0).getInt64());
        }
        return inFile == model.ids ? "" : trail + ": il file non corrisponde al modello";
    }

private:
    SQLite::Database writer_;  // writes each fresh album from outside the store
    SQLite::Statement insert_{writer_, "INSERT INTO datab (id, titolo) VALUES (?, ?)"};
    DataControl data_;
    std::vector<std::string> told_;
};

TEST(CursorModel, RandomWalksAgreeWithTheModel) {
    TempDir dir;
    store::CreateAlbum(dir / "modello.mdb");
    Walk walk(dir / "modello.mdb");
    for (std::uint64_t seed = 1; seed <= 2000; ++seed) {
        ASSERT_EQ(walk.Run(seed, 20), "") << "seme " << seed;
    }
}

}  // namespace
