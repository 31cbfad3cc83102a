// The grid's photos, read from the photo index a screenful at a time.
#include "viewer/grid_model.h"

#include <utility>

namespace viewer {

GridModel::GridModel(Module1& module, QObject* parent)
    : QAbstractListModel(parent), module_(module), tiles_(kTilesKept) {}

GridModel::~GridModel() = default;

void GridModel::SetIndex(std::unique_ptr<store::PhotoIndex> index) {
    beginResetModel();
    index_ = std::move(index);
    tiles_.clear();
    endResetModel();
}

int GridModel::rowCount(const QModelIndex& parent) const {
    if (parent.isValid() || !index_) return 0;
    return static_cast<int>(std::min<std::int64_t>(index_->Count(), INT_MAX));
}

QVariant GridModel::data(const QModelIndex& index, int role) const {
    if (role != Qt::DisplayRole && role != Qt::AccessibleTextRole) return {};
    const Tile* tile = At(index.row());
    if (!tile) return {};
    return tile->title.isEmpty() ? tile->number : tile->number + " " + tile->title;
}

const GridModel::Tile* GridModel::At(int row) const {
    if (Tile* kept = tiles_.object(row)) return kept;
    if (!index_) return nullptr;
    const store::PhotoEntry* entry = index_->At(row);
    if (!entry) return nullptr;
    auto* tile = new Tile{entry->id,
                          QString::fromStdString(entry->id.toText()),
                          QString::fromStdString(entry->titolo),
                          {}};
    tile->path = module_.PicturePathOfEntry(*entry);
    tiles_.insert(row, tile);
    return tile;
}

int GridModel::RowOf(const store::Value& id) const {
    if (!index_) return 0;
    return static_cast<int>(std::min<std::int64_t>(index_->PositionOf(id), rowCount()));
}

}  // namespace viewer
