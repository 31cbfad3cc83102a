// The grid as screen readers see it: a list whose items are the tiles.
#include "viewer/grid_accessible.h"

#include <QAccessibleWidget>
#include <QPointer>
#include <map>

#include "viewer/grid_view.h"

namespace viewer {

namespace {

// One tile: made when a screen reader asks for it, kept while the grid's
// photos stay the same.
class TileAccessible : public QAccessibleInterface {
public:
    TileAccessible(GridView* grid, int row) : grid_(grid), row_(row) {}

    bool isValid() const override { return grid_ && row_ < grid_->Model().rowCount(); }
    QObject* object() const override { return nullptr; }
    QAccessibleInterface* parent() const override {
        return QAccessible::queryAccessibleInterface(grid_);
    }
    QAccessibleInterface* child(int) const override { return nullptr; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QString text(QAccessible::Text t) const override {
        if (t != QAccessible::Name || !isValid()) return {};
        return grid_->Model().data(grid_->Model().index(row_), Qt::AccessibleTextRole).toString();
    }
    void setText(QAccessible::Text, const QString&) override {}
    QRect rect() const override {
        if (!isValid()) return {};
        const QRect tile = grid_->TileRect(row_);
        return {grid_->viewport()->mapToGlobal(tile.topLeft()), tile.size()};
    }
    QAccessible::Role role() const override { return QAccessible::ListItem; }
    QAccessible::State state() const override {
        QAccessible::State state;
        state.selectable = state.focusable = true;
        state.selected = state.focused = isValid() && grid_->Current() == row_;
        return state;
    }

private:
    QPointer<GridView> grid_;
    int row_;
};

class GridAccessible : public QAccessibleWidget {
public:
    explicit GridAccessible(GridView* grid) : QAccessibleWidget(grid, QAccessible::List) {
        QObject::connect(&grid->Model(), &QAbstractItemModel::modelReset, grid,
                         [this] { Forget(); });
    }

    GridView* Grid() const { return static_cast<GridView*>(widget()); }
    int childCount() const override { return Grid()->Model().rowCount(); }
    QAccessibleInterface* child(int index) const override {
        if (index < 0 || index >= childCount()) return nullptr;
        if (const auto kept = tiles_.find(index); kept != tiles_.end())
            return QAccessible::accessibleInterface(kept->second);
        // Bounded like the grid's own tiles: a reader walking a million
        // photos keeps no more than a few screenfuls.
        if (tiles_.size() >= kKept) Forget();
        QAccessibleInterface* tile = new TileAccessible(Grid(), index);
        tiles_[index] = QAccessible::registerAccessibleInterface(tile);
        return tile;
    }
    int indexOfChild(const QAccessibleInterface* child) const override {
        for (const auto& [row, id] : tiles_)
            if (QAccessible::accessibleInterface(id) == child) return row;
        return -1;
    }
    QAccessibleInterface* focusChild() const override { return child(Grid()->Current()); }

private:
    void Forget() const {
        for (const auto& [row, id] : tiles_) QAccessible::deleteAccessibleInterface(id);
        tiles_.clear();
    }

    static constexpr std::size_t kKept = 1000;
    mutable std::map<int, QAccessible::Id> tiles_;
};

QAccessibleInterface* Factory(const QString& key, QObject* object) {
    if (key == QLatin1String(GridView::staticMetaObject.className()))
        return new GridAccessible(static_cast<GridView*>(object));
    return nullptr;
}

}  // namespace

void InstallGridAccessibility() {
    static const bool installed = [] {
        QAccessible::installFactory(Factory);
        return true;
    }();
    (void)installed;
}

}  // namespace viewer
