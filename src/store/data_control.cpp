#include "store/data_control.h"

#include <map>

#include "store/record_source.h"

namespace store {

namespace {

// Wraps the engine's result set so that every move, Delete and successful
// SeekId tells the listeners, whatever engine stands behind it.
class TellingRows final : public ResultSet {
public:
    TellingRows(std::unique_ptr<ResultSet> rows, std::function<void()> tell)
        : rows_(std::move(rows)), tell_(std::move(tell)) {}

    bool Bof() const override { return rows_->Bof(); }
    bool Eof() const override { return rows_->Eof(); }
    bool HasCurrentRow() const override { return rows_->HasCurrentRow(); }

    void MoveFirst() override { Tell(&ResultSet::MoveFirst); }
    void MoveLast() override { Tell(&ResultSet::MoveLast); }
    void MoveNext() override { Tell(&ResultSet::MoveNext); }
    void MovePrevious() override { Tell(&ResultSet::MovePrevious); }
    void Delete() override { Tell(&ResultSet::Delete); }

    Value Fields(std::string_view name) const override { return rows_->Fields(name); }
    const std::vector<std::string>& Columns() const override { return rows_->Columns(); }

    bool SeekId(double number) override {
        if (!rows_->SeekId(number)) return false;
        tell_();
        return true;
    }

private:
    // A step that raises has changed nothing, so nobody is told.
    void Tell(void (ResultSet::*step)()) {
        ((*rows_).*step)();
        tell_();
    }

    std::unique_ptr<ResultSet> rows_;
    std::function<void()> tell_;
};

[[noreturn]] void Closed() {
    throw StoreError(err::ObjectClosed, "l'album non è aperto: manca Refresh");
}

}  // namespace

class DataControl::Impl {
public:
    explicit Impl(std::unique_ptr<Engine> engine) : engine(std::move(engine)) {}

    void Close() {
        rows.reset();
        connection.reset();
    }

    void TellListeners() {
        // A copy, so a listener may add or remove listeners while being told.
        std::vector<Listener> told;
        told.reserve(listeners.size());
        for (const auto& entry : listeners) told.push_back(entry.second);
        for (const Listener& listener : told) listener(rows.get());
    }

    std::unique_ptr<Engine> engine;
    // Declared before rows so the result set goes first.
    std::unique_ptr<Connection> connection;
    std::unique_ptr<ResultSet> rows;
    std::map<int, Listener> listeners;
    int nextListener = 1;
};

DataControl::DataControl(std::unique_ptr<Engine> engine)
    : impl_(std::make_unique<Impl>(std::move(engine))) {}

DataControl::~DataControl() = default;

void DataControl::Refresh() {
    impl_->Close();
    try {
        auto connection = impl_->engine->Open(DatabaseName, ReadOnly);
        auto rows = connection->OpenResultSet(RecordSource);
        impl_->connection = std::move(connection);
        impl_->rows = std::make_unique<TellingRows>(
            std::move(rows), [impl = impl_.get()] { impl->TellListeners(); });
    } catch (...) {
        impl_->Close();
        impl_->TellListeners();
        throw;
    }
    impl_->TellListeners();
}

ResultSet& DataControl::Recordset() {
    if (!impl_->rows) Closed();
    return *impl_->rows;
}

Connection& DataControl::Database() {
    if (!impl_->connection) Closed();
    return *impl_->connection;
}

bool DataControl::IsOpen() const {
    return impl_->rows != nullptr;
}

int DataControl::AddListener(Listener listener) {
    const int id = impl_->nextListener++;
    impl_->listeners.emplace(id, std::move(listener));
    return id;
}

void DataControl::RemoveListener(int id) {
    impl_->listeners.erase(id);
}

std::string DataControl::BoundText(const ResultSet* rows, std::string_view column) {
    if (rows == nullptr || !rows->HasCurrentRow()) return {};
    for (const std::string& name : rows->Columns()) {
        if (SameName(name, column)) return rows->Fields(column).toText();
    }
    return {};
}

}  // namespace store
