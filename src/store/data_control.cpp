#include "store/data_control.h"

#include <map>
#include <vector>

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
    // life, reaching whatever cursor is open now, so a reference kept across
    // a Refresh never dangles. Every move, Delete, UpdateField and successful
    // SeekId tells the listeners, whatever engine stands behind it.
    class LiveCursor final : public Cursor {
    public:
        explicit LiveCursor(Impl& impl) : impl_(impl) {}

        bool Bof() const override { return Open().Bof(); }
        bool Eof() const override { return Open().Eof(); }
        bool HasCurrentRow() const override { return Open().HasCurrentRow(); }

        // A step that raises has changed nothing, so nobody is told.
        void MoveFirst() override { Tell(&Cursor::MoveFirst); }
        void MoveLast() override { Tell(&Cursor::MoveLast); }
        void MoveNext() override { Tell(&Cursor::MoveNext); }
        void MovePrevious() override { Tell(&Cursor::MovePrevious); }
        void Delete() override { Tell(&Cursor::Delete); }
        bool UpdateField(Field field, const std::string& text) override {
            bool changed = false;
            try {
                changed = Open().UpdateField(field, text);
            } catch (const StoreError& e) {
                // Refused because another program changed the text: the
                // photo was read anew, and is shown as it now is.
                if (e.number() == err::TextChanged) impl_.TellListeners();
                throw;
            }
            impl_.TellListeners();
            return changed;
        }

        const Photo& Current() const override { return Open().Current(); }

        bool SeekId(const Value& number) override {
            if (!Open().SeekId(number)) return false;
            impl_.TellListeners();
            return true;
        }

        std::optional<Photo> PhotoBefore(const OrderKey& place) override {
            return Open().PhotoBefore(place);
        }
        std::optional<Photo> PhotoAfter(const OrderKey& place) override {
            return Open().PhotoAfter(place);
        }
        std::optional<Photo> PicturePlaceBefore(const OrderKey& place) override {
            return Open().PicturePlaceBefore(place);
        }
        std::optional<Photo> PicturePlaceAfter(const OrderKey& place) override {
            return Open().PicturePlaceAfter(place);
        }

    private:
        Cursor& Open() const {
            if (!impl_.cursor) Closed();
            return *impl_.cursor;
        }
        void Tell(void (Cursor::*step)()) {
            (Open().*step)();
            impl_.TellListeners();
        }

        Impl& impl_;
    };

    void Close() {
        cursor.reset();
        album.reset();
    }

    void TellListeners() {
        // A copy, so a listener may add or remove listeners while being told.
        std::vector<Listener> told;
        told.reserve(listeners.size());
        for (const auto& entry : listeners) told.push_back(entry.second);
        const Photo* shown = cursor && cursor->HasCurrentRow() ? &cursor->Current() : nullptr;
        for (const Listener& listener : told) listener(shown);
    }

    std::unique_ptr<Engine> engine;
    // Declared before the cursor, so the cursor goes first.
    std::unique_ptr<Album> album;
    std::unique_ptr<Cursor> cursor;
    LiveCursor liveCursor{*this};
    std::map<int, Listener> listeners;
    int nextListener = 1;
};

DataControl::DataControl(std::unique_ptr<Engine> engine)
    : impl_(std::make_unique<Impl>(std::move(engine))) {}

DataControl::~DataControl() = default;

void DataControl::Refresh() {
    impl_->Close();
    try {
        auto album = impl_->engine->Open(DatabaseName, ReadOnly);
        impl_->cursor = album->OpenCursor();
        impl_->album = std::move(album);
    } catch (...) {
        // Nothing stays half open, the listeners hear so, and the failure
        // goes on to the caller as it was.
        impl_->Close();
        impl_->TellListeners();
        throw;
    }
    impl_->TellListeners();
}

Cursor& DataControl::Recordset() {
    if (!impl_->cursor) Closed();
    return impl_->liveCursor;
}

bool DataControl::IsOpen() const {
    return impl_->cursor != nullptr;
}

Value DataControl::InsertPhoto(const PhotoTexts& texts) {
    if (!impl_->album) Closed();
    return impl_->album->InsertPhoto(texts);
}

std::unique_ptr<PhotoIndex> DataControl::OpenPhotoIndex() const {
    if (!impl_->album) Closed();
    return impl_->album->OpenPhotoIndex();
}

std::unique_ptr<PhotoIndex> DataControl::OpenPictureIndex() const {
    if (!impl_->album) Closed();
    return impl_->album->OpenPictureIndex();
}

std::unique_ptr<PhotoSearch> DataControl::OpenSearch(const std::string& indexPath) const {
    if (!impl_->album) Closed();
    return impl_->album->OpenSearch(indexPath);
}

std::vector<PicturePlace> DataControl::ReadPicturePlaces() const {
    if (!impl_->album) Closed();
    return impl_->album->ReadPicturePlaces();
}

std::size_t DataControl::RelinkPictures(const std::vector<PictureMove>& moves) {
    if (!impl_->album) Closed();
    return impl_->album->RelinkPictures(moves);
}

std::optional<std::int64_t> DataControl::ChangesByOthers() const {
    return impl_->album ? impl_->album->ChangesByOthers() : std::nullopt;
}

std::optional<Photo> DataControl::PeekFirstPhoto(const std::string& path) const {
    const auto album = impl_->engine->Open(path, true);
    const auto rows = album->OpenCursor();
    if (!rows->HasCurrentRow()) return std::nullopt;
    return rows->Current();
}

Engine& DataControl::AlbumEngine() const {
    return *impl_->engine;
}

int DataControl::AddListener(Listener listener) {
    const int id = impl_->nextListener++;
    impl_->listeners.emplace(id, std::move(listener));
    return id;
}

void DataControl::RemoveListener(int id) {
    impl_->listeners.erase(id);
}

}  // namespace store
