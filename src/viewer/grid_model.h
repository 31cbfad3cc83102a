#pragma once

#include <QAbstractListModel>
#include <QCache>
#include <QString>
#include <memory>

#include "app/module1.h"

namespace viewer {

// The grid's photos: those of a photo index (the whole album, or what a
// search found), in its order. Nothing is read until a tile is asked for,
// and only a bounded number of tiles is kept, so a grid over a million
// photos costs what one over a thousand does.
class GridModel : public QAbstractListModel {
    Q_OBJECT
public:
    struct Tile {
        store::Value id;
        QString number;
        QString title;
        QString path;  // the picture's file; empty when the photo names none
    };

    explicit GridModel(Module1& module, QObject* parent = nullptr);
    ~GridModel() override;

    // Shows the photos of `index` (none when null).
    void SetIndex(std::unique_ptr<store::PhotoIndex> index);

    int rowCount(const QModelIndex& parent = {}) const override;
    // The tile's number and title, as a screen reader says them.
    QVariant data(const QModelIndex& index, int role) const override;

    // The tile at `row`, read when first asked for; nullptr when there is
    // none (the album changed under the grid).
    const Tile* At(int row) const;
    // The row of the first photo numbered `id`, or of the photo after it.
    int RowOf(const store::Value& id) const;

    static constexpr int kTilesKept = 2000;

private:
    Module1& module_;
    std::unique_ptr<store::PhotoIndex> index_;
    mutable QCache<int, Tile> tiles_;
};

}  // namespace viewer
