// Random walks over a real album file, each step checked against a plain
// model of the cursor rules: a set of ids and a place.

#include <gtest/gtest.h>

#include <iterator>
#include <random>
#include <set>

#include "store_test_support.h"

using namespace store_test;
using store::DataControl;
using store::ResultSet;
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
};

class Walk {
public:
    explicit Walk(const std::string& path) : writer_(path, SQLite::OPEN_READWRITE) {
        data_.DatabaseName = path;
        data_.AddListener([this](const ResultSet* rows) {
            told_.push_back(rows ? DataControl::BoundText(rows, "id") : "-");
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
        SQLite::Statement insert(writer_, "INSERT INTO datab (id, titolo) VALUES (?, ?)");
        for (std::int64_t id : model.ids) {
            insert.bind(1, id);
            insert.bind(2, Title(id));
            insert.exec();
            insert.reset();
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
            } else if (op < 94) {
                trail += " Insert(" + std::to_string(id) + ")";
                tells = false;
                expected = model.ids.insert(id).second ? 0 : err::DuplicateKey;
                actual = ErrorOf([&] {
                    data_.Database().Execute("INSERT INTO datab (id, titolo) VALUES (?, ?)",
                                             {id, Title(id)});
                });
            } else {
                trail += " SeekId(" + std::to_string(id) + ")";
                tells = model.ids.count(id) > 0;
                if (tells) model.Land(model.ids.find(id), Model::Empty);
                if (data_.Recordset().SeekId(id) != tells) return trail + ": SeekId sbagliato";
            }
            const ResultSet& rows = data_.Recordset();
            const std::string shown = DataControl::BoundText(&rows, "id");
            if (actual != expected) return trail + ": errore " + std::to_string(actual);
            if (shown != model.Shown() || rows.Bof() != model.Bof() || rows.Eof() != model.Eof()) {
                return trail + ": cursore su '" + shown + "'" + (rows.Bof() ? " BOF" : "") +
                       (rows.Eof() ? " EOF" : "") + ", atteso '" + model.Shown() + "'";
            }
            if (rows.HasCurrentRow() && rows.Fields("titolo").text() != Title(model.key)) {
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
