#include "photo_list/photo_list_model.h"

#include <algorithm>
#include <climits>

void PhotoListModel::SetIndex(std::unique_ptr<store::PhotoIndex> index) {
    beginResetModel();
    index_ = std::move(index);
    count_ = index_ ? static_cast<int>(std::min<std::int64_t>(index_->Count(), INT_MAX)) : 0;
    endResetModel();
}

QModelIndex PhotoListModel::index(int row, int column, const QModelIndex& parent) const {
    if (parent.isValid() || column != 0 || row < 0 || row >= count_) return {};
    return createIndex(row, column);
}

int PhotoListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : count_;
}

QVariant PhotoListModel::data(const QModelIndex& index, int role) const {
    if (role != Qt::DisplayRole || !index_ || !index.isValid() || index.row() >= count_) return {};
    const store::PhotoEntry* photo = index_->At(index.row());
    if (!photo) return {};
    return QString::fromStdString(photo->id.toText()) + ' ' + QString::fromStdString(photo->titolo);
}
