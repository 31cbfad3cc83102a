#pragma once

#include <QAbstractListModel>
#include <memory>

#include "store/photo_index.h"

// The entries of the photo list: one per photo of the album, in album order,
// each the photo's number, a blank and its title. Entries are read from the
// album only when the list shows them, so a list of a million photos opens
// as fast as one of ten.
class PhotoListModel : public QAbstractListModel {
    Q_OBJECT
public:
    using QAbstractListModel::QAbstractListModel;

    // Shows the photos of `index`; none when it is null.
    void SetIndex(std::unique_ptr<store::PhotoIndex> index);

    // Without the base class's checks through rowCount() and columnCount():
    // the view asks for the index of every row when it lays out the list.
    QModelIndex index(int row, int column,
                      const QModelIndex& parent = QModelIndex()) const override;
    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;

private:
    std::unique_ptr<store::PhotoIndex> index_;
    int count_ = 0;
};
