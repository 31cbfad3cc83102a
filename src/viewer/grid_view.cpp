// The grid of thumbnails: its layout, what it asks for and its painting.
#include "viewer/grid_view.h"

#include <QApplication>
#include <QFileInfo>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyle>
#include <algorithm>

#include "app/module1.h"
#include "viewer/grid_accessible.h"

namespace viewer {

namespace {

constexpr int kGap = 12;    // logical pixels between tiles
constexpr int kStrip = 36;  // the strip along the top with the words sought
// Where the first line of tiles begins: a gap below the strip, which leaves
// room for the frame drawn around a tile of that line.
constexpr int kTop = kStrip + kGap;
const QColor kPlain(48, 48, 48);    // a tile whose thumbnail has not come
const QColor kFrame(80, 160, 255);  // the framed tile's border

}  // namespace

GridView::GridView(Module1& module, QWidget* parent)
    : QAbstractScrollArea(parent), module_(module), model_(module) {
    // Before anything that may ask for the view's accessible interface (its
    // name, while a screen reader listens): the first one made is kept.
    InstallGridAccessibility();
    setFrameShape(QFrame::NoFrame);
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setAccessibleName("Provini");
    connect(&tiles_, &GridTiles::Arrived, viewport(), qOverload<>(&QWidget::update));
    connect(verticalScrollBar(), &QScrollBar::valueChanged, viewport(),
            qOverload<>(&QWidget::update));
    connect(&module_, &Module1::SearchReady, this, [this] {
        if (searchPending_) Refill();
    });
}

GridView::~GridView() = default;

void GridView::Open(const std::optional<store::Value>& id) {
    Search();
    SetCurrent(id ? model_.RowOf(*id) : 0);
}

void GridView::SetCurrent(int row) {
    current_ = std::clamp(row, 0, std::max(0, model_.rowCount() - 1));
    KeepInView(current_);
    viewport()->update();
    TellReaders();
}

QString GridView::CurrentNumber() const {
    const GridModel::Tile* tile = model_.At(current_);
    return tile ? tile->number : QString();
}

int GridView::Cell() const {
    return qRound(TileSide() / devicePixelRatioF()) + kGap;
}

int GridView::Columns() const {
    return std::max(1, (viewport()->width() - kGap) / Cell());
}

QRect GridView::TileRect(int row) const {
    const int cell = Cell();
    const int left = (viewport()->width() - Columns() * cell + kGap) / 2;
    return {left + (row % Columns()) * cell,
            kTop + (row / Columns()) * cell - verticalScrollBar()->value(), cell - kGap,
            cell - kGap};
}

std::pair<int, int> GridView::RowsInView() const {
    const int top = std::max(0, verticalScrollBar()->value() - kTop) / Cell();
    const int bottom = (verticalScrollBar()->value() + viewport()->height()) / Cell();
    const int first = top * Columns();
    const int last = std::min(model_.rowCount(), (bottom + 1) * Columns()) - 1;
    return {first, last};
}

void GridView::UpdateScrollBar() {
    const int lines = (model_.rowCount() + Columns() - 1) / Columns();
    QScrollBar* bar = verticalScrollBar();
    bar->setRange(0, std::max(0, kTop + lines * Cell() - viewport()->height()));
    bar->setPageStep(viewport()->height());
    bar->setSingleStep(Cell() / 3);
}

void GridView::KeepInView(int row) {
    UpdateScrollBar();
    const QRect rect = TileRect(row);
    QScrollBar* bar = verticalScrollBar();
    if (rect.top() < kTop)
        bar->setValue(bar->value() + rect.top() - kTop);
    else if (rect.bottom() > viewport()->height())
        bar->setValue(bar->value() + rect.bottom() - viewport()->height() + kGap);
}

void GridView::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    KeepInView(current_);
}

void GridView::paintEvent(QPaintEvent*) {
    ++paints_;
    QPainter painter(viewport());
    const auto [first, last] = RowsInView();
    // Every pixel is written once: the tiles, then the gaps between them.
    // Blacking the whole viewport first would write each one twice, and a
    // frame on a 4K screen is mostly the time spent writing pixels.
    QStringList wanted;
    const int lineEnd = first + (last - first + Columns()) / Columns() * Columns();
    for (int row = first; row < lineEnd; ++row) {
        if (row > last) {
            painter.fillRect(TileRect(row), Qt::black);
            continue;
        }
        PaintTile(painter, row, TileRect(row));
        if (const GridModel::Tile* tile = model_.At(row)) wanted << tile->path;
    }
    PaintGaps(painter, first, last);
    // The frame lies over the gap around its tile.
    if (first <= current_ && current_ <= last) {
        painter.setPen(QPen(kFrame, 4));
        painter.drawRect(TileRect(current_).adjusted(-3, -3, 3, 3));
    }
    // The thumbnails of the tiles in view, and no others.
    tiles_.Want(wanted, TileSide(), devicePixelRatioF());
    painter.fillRect(0, 0, viewport()->width(), kStrip, Qt::black);
    painter.setPen(Qt::white);
    const QString count = QString("%1 foto").arg(model_.rowCount());
    const QString strip = words_.isEmpty() ? count : "Cerca: " + words_ + "   ·   " + count;
    painter.drawText(QRect(kGap, 0, viewport()->width() - 2 * kGap, kStrip), Qt::AlignVCenter,
                     searchPending_ ? "Preparazione della ricerca…" : strip);
}

void GridView::PaintGaps(QPainter& painter, int first, int last) {
    if (last < first) {
        painter.fillRect(viewport()->rect(), Qt::black);
        return;
    }
    const int cell = Cell();
    const int side = cell - kGap;
    const QRect corner = TileRect(first - first % Columns());
    const int width = viewport()->width();
    const int bottom = std::min(viewport()->height(), TileRect(last).bottom() + 1);
    // The columns between the tiles and beside them, the lines between
    // them, and all below the last.
    for (int column = 0, x = 0; column <= Columns(); ++column) {
        const int left = column < Columns() ? corner.left() + column * cell : width;
        painter.fillRect(x, 0, left - x, bottom, Qt::black);
        x = left + side;
    }
    for (int top = corner.top(), y = 0; y < bottom; top += cell) {
        painter.fillRect(0, y, width, std::min(top, bottom) - y, Qt::black);
        y = top + side;
    }
    painter.fillRect(0, bottom, width, viewport()->height() - bottom, Qt::black);
}

void GridView::PaintTile(QPainter& painter, int row, const QRect& rect) {
    const GridModel::Tile* tile = model_.At(row);
    const GridTiles::Image* image = tile ? tiles_.Find(tile->path, TileSide()) : nullptr;
    painter.setPen(Qt::white);
    if (image && !image->failed) {
        const QSize size = (QSizeF(image->image.size()) / image->image.devicePixelRatio()).toSize();
        const QRect shown(rect.left() + (rect.width() - size.width()) / 2,
                          rect.top() + (rect.height() - size.height()) / 2, size.width(),
                          size.height());
        painter.drawImage(shown, image->image);
        // The bands a picture narrower or lower than the tile leaves.
        painter.fillRect(rect.left(), rect.top(), rect.width(), shown.top() - rect.top(),
                         Qt::black);
        painter.fillRect(rect.left(), shown.bottom() + 1, rect.width(),
                         rect.bottom() - shown.bottom(), Qt::black);
        painter.fillRect(rect.left(), shown.top(), shown.left() - rect.left(), shown.height(),
                         Qt::black);
        painter.fillRect(shown.right() + 1, shown.top(), rect.right() - shown.right(),
                         shown.height(), Qt::black);
    } else if (image) {
        // What the photo frame says of a picture it cannot show: the icon,
        // and the file's name.
        painter.fillRect(rect, kPlain);
        const int icon = std::min(48, rect.width() / 2);
        style()
            ->standardIcon(QStyle::SP_MessageBoxWarning)
            .paint(&painter,
                   QRect(rect.center().x() - icon / 2, rect.top() + rect.height() / 4, icon, icon));
        const QString name = QFileInfo(tile->path).fileName();
        painter.drawText(rect.adjusted(4, rect.height() / 2, -4, -4),
                         Qt::AlignHCenter | Qt::AlignTop | Qt::TextWrapAnywhere, name);
    } else {
        // Until its thumbnail comes, a plain tile with its number: never the
        // picture another photo left there.
        painter.fillRect(rect, kPlain);
        if (tile) painter.drawText(rect, Qt::AlignCenter, tile->number);
    }
}

}  // namespace viewer
