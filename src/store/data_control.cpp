#include "store/data_control.h"

#include <map>

#include "store/record_source.h"

namespace store {

namespace {

[[noreturn]] void Closed() {
    throw StoreError(err::ObjectClosed, "l'album non è aperto: manca Refresh");
}

}  // namespace

class DataControl::Impl {
public:
    explicit Impl(std::unique_ptr<Engine> engine) : engine(std::move(engine)) {}

    // What Recordset() hands out: the same object for the control's whole
    // life, reaching whatever result set is open now, so a reference kept
    // across a Refresh never dangles. Every move, Delete and successful
    // SeekId tells the listeners, whatever engine stands behind it.
    class LiveRows final : public ResultSet {
    public:
        explicit LiveRows(Impl& impl) : impl_(impl) {}

        bool Bof() const override { return Rows().Bof(); }
        bool Eof() const override { return Rows().Eof(); }
        bool HasCurrentRow() const override { return Rows().HasCurrentRow(); }

        // A step that raises has changed nothing, so nobody is told.
        void MoveFirst() override { Tell(&ResultSet::MoveFirst); }
        void MoveLast() override { Tell(&ResultSet::MoveLast); }
        void MoveNext() override { Tell(&ResultSet::MoveNext); }
        void MovePrevious() override { Tell(&ResultSet::MovePrevious); }
        void Delete() override { Tell(&ResultSet::Delete); }

        Value Fields(std::string_view name) const override { return Rows().Fields(name); }
        const std::vector<std::string>& Columns() const override { return Rows().Columns(); }

        bool SeekId(double number) override {
            if (!Rows().SeekId(number)) return false;
            impl_.TellListeners();
            return true;
        }

    private:
        ResultSet& Rows() const {
            if (!impl_.rows) Closed();
            return *impl_.rows;
        }
        void Tell(void (ResultSet::*step)()) {
            (Rows().*step)();
            impl_.TellListeners();
        }

        Impl& impl_;
    };

    // The same for Database().
    class LiveConnection final : public Connection {
    public:
        explicit LiveConnection(Impl& impl) : impl_(impl) {}
        void Execute(const std::string& sql, const std::vector<Value>& params) override {
            Open().Execute(sql, params);
        }
        std::unique_ptr<ResultSet> OpenResultSet(const std::string& sql) override {
            return Open().OpenResultSet(sql);
        }

    private:
        Connection& Open() const {
            if (!impl_.connection) Closed();
            return *impl_.connection;
        }

        Impl& impl_;
    };

    void Close() {
        rows.reset();
        connection.reset();
    }

    void TellListeners() {
        // A copy, so a listener may add or remove listeners while being told.
        std::vector<Listener> told;
        told.reserve(listeners.size());
        for (const auto& entry : listeners) told.push_back(entry.second);
        const ResultSet* shown = rows ? &liveRows : nullptr;
        for (const Listener& listener : told) listener(shown);
    }

    std::unique_ptr<Engine> engine;
    // Declared before rows so the result set goes first.
    std::unique_ptr<Connection> connection;
    std::unique_ptr<ResultSet> rows;
    LiveRows liveRows{*this};
    LiveConnection liveConnection{*this};
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
        impl_->rows = connection->OpenResultSet(RecordSource);
        impl_->connection = std::move(connection);
    } catch (...) {
        impl_->Close();
        impl_->TellListeners();
        throw;
    }
    impl_->TellListeners();
}

ResultSet& DataControl::Recordset() {
    if (!impl_->rows) Closed();
    return impl_->liveRows;
}

Connection& DataControl::Database() {
    if (!impl_->connection) Closed();
    return impl_->liveConnection;
}

bool DataControl::IsOpen() const {
    return impl_->rows != nullptr;
}

std::unique_ptr<PhotoIndex> DataControl::OpenPhotoIndex() const {
    if (!IsOpen()) throw StoreError(err::ObjectClosed, "nessun DataBase aperto");
    return impl_->engine->OpenPhotoIndex(DatabaseName);
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
