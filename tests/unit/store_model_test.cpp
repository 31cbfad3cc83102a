// Random walks over a real album file, each step checked against a plain
// model of the cursor rules: a set of ids and a place.

#include <gtest/gtest.h>

#include <iterator>
#include <random>
#include <set>
#include <sstream>

#include "store_test_support.h"

using namespace store_test;
using store::DataControl;
using store::ResultSet;
namespace err = store::err;

namespace {

class CursorModel {
public:
    enum class Place { Empty, BeforeFirst, OnRow, Deleted, AfterLast };

    std::set<std::int64_t> ids;
    Place place = Place::Empty;
    std::int64_t key = 0;

    bool Bof() const { return place == Place::Empty || place == Place::BeforeFirst; }
    bool Eof() const { return place == Place::Empty || place == Place::AfterLast; }
    std::optional<std::int64_t> Current() const {
        if (place == Place::OnRow) return key;
        return std::nullopt;
    }

    void Refresh() { ids.empty() ? SetPlace(Place::Empty) : Land(*ids.begin()); }

    int MoveFirst() {
        if (ids.empty()) return err::NoCurrentRecord;
        Land(*ids.begin());
        return 0;
    }
    int MoveLast() {
        if (ids.empty()) return err::NoCurrentRecord;
        Land(*ids.rbegin());
        return 0;
    }
    int MoveNext() {
        if (Eof()) return err::NoCurrentRecord;
        auto next = place == Place::BeforeFirst ? ids.begin() : ids.upper_bound(key);
        next == ids.end() ? SetPlace(Place::AfterLast) : Land(*next);
        return 0;
    }
    int MovePrevious() {
        if (Bof()) return err::NoCurrentRecord;
        auto after = place == Place::AfterLast ? ids.end() : ids.lower_bound(key);
        after == ids.begin() ? SetPlace(Place::BeforeFirst) : Land(*std::prev(after));
        return 0;
    }
    int Delete() {
        if (place != Place::OnRow) return err::NoCurrentRecord;
        ids.erase(key);
        place = Place::Deleted;
        return 0;
    }
    int Insert(std::int64_t id) { return ids.insert(id).second ? 0 : err::DuplicateKey; }
    bool SeekId(std::int64_t id) {
        if (!ids.count(id)) return false;
        Land(id);
        return true;
    }

private:
    void Land(std::int64_t id) {
        place = Place::OnRow;
        key = id;
    }
    void SetPlace(Place p) { place = p; }
};

std::string Describe(std::optional<std::int64_t> id, bool bof, bool eof) {
    std::ostringstream out;
    out << (id ? std::to_string(*id) : "nessuna") << (bof ? " BOF" : "") << (eof ? " EOF" : "");
    return out.str();
}

class ModelWalk {
public:
    explicit ModelWalk(const std::string& path) : writer_(path, SQLite::OPEN_READWRITE) {
        data_.DatabaseName = path;
        data_.AddListener([this](const ResultSet* rows) {
            told_.push_back(rows ? "[" + DataControl::BoundText(rows, "id") + "]" : "-");
        });
    }

    // Runs one random sequence; returns the first disagreement, or "".
    std::string Run(std::uint64_t seed, int steps) {
        std::mt19937_64 rng(seed);
        auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };

        CursorModel model;
        // A fresh album of up to 12 ids between -5 and 40, written by another connection.
        SQLite::Transaction transaction(writer_);
        writer_.exec("DELETE FROM datab");
        const int count = pick(0, 12);
        for (int i = 0; i < count; ++i) model.ids.insert(pick(-5, 40));
        SQLite::Statement insert(writer_, "INSERT INTO datab (id, titolo) VALUES (?, ?)");
        for (std::int64_t id : model.ids) {
            insert.bind(1, id);
            insert.bind(2, Title(id));
            insert.exec();
            insert.reset();
        }
        transaction.commit();

        told_.clear();
        data_.Refresh();
        model.Refresh();
        std::string trail = "Refresh";
        if (auto problem = Compare(model, 0, 0, true); !problem.empty()) return trail + problem;

        for (int step = 0; step < steps; ++step) {
            told_.clear();
            ResultSet& rows = data_.Recordset();
            int expected = 0;
            int actual = 0;
            bool tells = true;
            const int op = pick(0, 99);
            std::string name;
            if (op < 5) {
                name = "Refresh";
                model.Refresh();
                actual = ErrorOf([&] { data_.Refresh(); });
            } else if (op < 15) {
                name = "MoveFirst";
                expected = model.MoveFirst();
                actual = ErrorOf([&] { rows.MoveFirst(); });
            } else if (op < 25) {
                name = "MoveLast";
                expected = model.MoveLast();
                actual = ErrorOf([&] { rows.MoveLast(); });
            } else if (op < 50) {
                name = "MoveNext";
                expected = model.MoveNext();
                actual = ErrorOf([&] { rows.MoveNext(); });
            } else if (op < 70) {
                name = "MovePrevious";
                expected = model.MovePrevious();
                actual = ErrorOf([&] { rows.MovePrevious(); });
            } else if (op < 82) {
                name = "Delete";
                expected = model.Delete();
                actual = ErrorOf([&] { rows.Delete(); });
            } else if (op < 94) {
                const int id = pick(-6, 41);
                name = "Insert " + std::to_string(id);
                tells = false;
                expected = model.Insert(id);
                actual = ErrorOf([&] {
                    data_.Database().Execute("INSERT INTO datab (id, titolo) VALUES (?, ?)",
                                             {id, Title(id)});
                });
            } else {
                const int id = pick(-6, 41);
                name = "SeekId " + std::to_string(id);
                tells = model.SeekId(id);
                const bool found = rows.SeekId(id);
                if (found != tells)
                    return trail + " | " + name + ": SeekId disse " + (found ? "sì" : "no");
            }
            trail += " | " + name;
            if (auto problem = Compare(model, expected, actual, tells && expected == 0);
                !problem.empty()) {
                return trail + problem;
            }
        }
        // The file holds exactly the model's rows.
        std::set<std::int64_t> inFile;
        SQLite::Statement query(writer_, "SELECT id FROM datab");
        while (query.executeStep()) inFile.insert(query.getColumn(0).getInt64());
        if (inFile != model.ids) {
            return trail + " | il file non corrisponde al modello";
        }
        return "";
    }

private:
    std::string Compare(const CursorModel& model, int expected, int actual, bool tells) {
        std::ostringstream out;
        if (expected != actual) out << " errore " << actual << " invece di " << expected << ";";
        const ResultSet& rows = data_.Recordset();
        const auto want = Describe(model.Current(), model.Bof(), model.Eof());
        const auto got = Describe(CurrentId(rows), rows.Bof(), rows.Eof());
        if (want != got) out << " cursore su " << got << " invece di " << want << ";";
        if (rows.HasCurrentRow() && rows.Fields("titolo").text() != Title(*CurrentId(rows))) {
            out << " titolo sbagliato;";
        }
        std::vector<std::string> wantTold;
        if (tells) {
            wantTold.push_back("[" + (model.Current() ? std::to_string(*model.Current()) : "") +
                               "]");
        }
        if (told_ != wantTold)
            out << " avvisati " << Join(told_) << " invece di " << Join(wantTold);
        return out.str();
    }

    static std::string Join(const std::vector<std::string>& told) {
        std::string text = "{";
        for (const auto& t : told) text += t;
        return text + "};";
    }

    SQLite::Database writer_;
    DataControl data_;
    std::vector<std::string> told_;
};

TEST(CursorModel, RandomWalksAgreeWithTheModel) {
    TempDir dir;
    const std::string path = dir / "modello.mdb";
    store::CreateAlbum(path);
    ModelWalk walk(path);
    for (std::uint64_t seed = 1; seed <= 2000; ++seed) {
        const std::string problem = walk.Run(seed, 20);
        ASSERT_EQ(problem, "") << "seme " << seed;
    }
}

}  // namespace
