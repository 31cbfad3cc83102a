#pragma once

#include <QAbstractScrollArea>
#include <QString>

#include "viewer/grid_model.h"
#include "viewer/grid_tiles.h"

class Module1;

namespace viewer {

// The album as a grid of thumbnails, one photo framed. Only the tiles in
// view are painted and asked for, so a frame costs the same at any size of
// album. Typing searches the album's words as the photo list does; the grid
// then holds what was found.
class GridView : public QAbstractScrollArea {
    Q_OBJECT
public:
    explicit GridView(Module1& module, QWidget* parent = nullptr);
    ~GridView() override;

    // Fills the grid with the whole album, or what the words kept found,
    // and frames the photo numbered `id` (the first one when none).
    void Open(const std::optional<store::Value>& id);
    void SetThumbnailFolder(const QString& root) { tiles_.SetThumbnailFolder(root); }

    int Current() const { return current_; }
    void SetCurrent(int row);
    // The framed photo's number; empty with no photo.
    QString CurrentNumber() const;
    const QString& Words() const { return words_; }
    void SetWords(const QString& words);
    // The tile's side in device pixels, and the sizes Ctrl+ and Ctrl- go
    // through.
    int TileSide() const { return kSides[sizeIndex_]; }
    static constexpr int kSides[] = {128, 256, 512};
    GridModel& Model() { return model_; }
    GridTiles& Tiles() { return tiles_; }
    // The rows of the tiles in view, first and last.
    std::pair<int, int> RowsInView() const;
    int PaintCount() const { return paints_; }
    int Columns() const;
    // Where the tile at `row` is in the viewport.
    QRect TileRect(int row) const;
    // The words typed wait for the word index to be built.
    bool Searching() const { return searchPending_; }

signals:
    // Enter, a click, Ctrl+wheel up: the framed photo full screen.
    void Chosen();
    // Esc with no words: out of full screen on the framed photo.
    void LeaveWanted();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    bool event(QEvent* event) override;

private:
    // Logical pixels of a cell: the tile and the gap around it.
    int Cell() const;
    void UpdateScrollBar();
    void KeepInView(int row);
    void PaintTile(class QPainter& painter, int row, const QRect& rect);
    // Blacks what lies between and below the tiles `first` to `last`.
    void PaintGaps(class QPainter& painter, int first, int last);
    bool MoveKey(int key, Qt::KeyboardModifiers modifiers);
    void Resize(int step);
    // Fills the grid anew from the words, the framed photo kept when found.
    void Refill();
    void Search();
    void TellReaders();

    Module1& module_;
    GridModel model_;
    GridTiles tiles_;
    int current_ = 0;
    int sizeIndex_ = 1;
    QString words_;
    bool searchPending_ = false;  // the word index was being built
    int paints_ = 0;
};

}  // namespace viewer
