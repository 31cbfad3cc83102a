#pragma once

#include <QImage>
#include <QLabel>
#include <QPointF>
#include <QStringList>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <memory>
#include <optional>

#include "pictures/picture_loader.h"

class Module1;
class QScreen;
struct FullScreenProbe;
namespace store {
struct Photo;
}

namespace viewer {

class GridView;

// What is said in place of a picture that cannot be shown: the photo frame's
// own notice.
using NoticeText = std::function<QString(const QString& path, pictures::Failure failure)>;

// The size in device pixels a picture of `natural` pixels is shown at on a
// screen of `screen` device pixels: fitted to it, never enlarged.
QSize FitToScreen(QSize natural, QSize screen);

// The current photo alone on black, covering a whole screen. Its steps are
// the album's own moves, so the album window follows them; a caption along
// the bottom names the photo while the mouse moves. Pictures are read at the
// screen's size by a loader of its own, the neighbours read ahead; a zoom
// asks a second loader for the picture at its own size.
class FullScreenView : public QWidget {
    Q_OBJECT
public:
    FullScreenView(Module1& module, NoticeText notice, QWidget* parent = nullptr);
    ~FullScreenView() override;

    // Covers `screen` with the current photo.
    void Enter(QScreen* screen);
    // Back to the album window.
    void Leave();
    // G, Ctrl+wheel down: the album's thumbnails, the current photo framed;
    // the grid's choice comes back full screen.
    void ShowGrid();
    // The grid while it is shown, else nullptr.
    GridView* Grid() const;
    // The desktop's thumbnail cache, whose largest entry of a photo is shown
    // while its picture is read; empty for none.
    void SetThumbnailFolder(const QString& root);

    // The picture shown, at the size it was read at; its file.
    const pictures::Picture& Shown() const { return picture_; }
    // Whether what is shown is a thumbnail standing in for the picture until
    // it is read.
    bool Provisional() const { return provisional_; }
    const QString& ShownPath() const { return path_; }
    // The picture at its own size read for the photo shown: null until a
    // zoom asked for it and it came.
    const QImage& AtOwnSize() const { return full_; }
    // Logical pixels per pixel of the picture, and whether that is more than
    // the fitted picture's.
    qreal Scale() const { return scale_; }
    bool Zoomed() const;
    // Where the picture's top left corner is, in the view.
    QPointF Origin() const { return origin_; }
    // Paintings done: lets benchmarks tell when the screen shows a step.
    int PaintCount() const { return paints_; }

    void StartSlideshow();
    void StopSlideshow();
    // Z and the double click: the picture's own pixels around `at`, or back
    // to fitted.
    void ToggleZoom(QPointF at);

signals:
    // The view is gone and the album window is to show the current photo.
    void Left();

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    // The tests' view of the labels, clocks and loaders.
    friend struct ::FullScreenProbe;

    void BuildLabels();
    void ShowCaption(const std::optional<store::Photo>& photo);
    void ShowPicture(const QString& path);
    void RevealCaption();
    void SlideshowStep();
    // Zooming keeps the picture's point under `at` where it is.
    void ZoomAround(QPointF at, qreal scale);
    qreal FitScale() const;
    void Fit();
    // Centres a picture narrower than the view, and keeps a wider one
    // covering it.
    void KeepInView();
    // What is drawn: the picture at its own size once it came, else the
    // one read for the screen, enlarged.
    const QImage& Source();
    // Asks for the picture at its own size the first time the zoom shows
    // more pixels than the screen's picture has.
    void WantFull();
    void SetFull(const pictures::Picture& picture);
    std::unique_ptr<pictures::PictureLoader> MakeLoader(QSize screen, qreal ratio);
    // The picture the loader read for the photo shown, or a notice of why
    // there is none.
    void SetPicture(const pictures::Picture& picture);
    // The photo framed in the grid becomes the current one.
    void TakeFramed();

    GridView* grid_ = nullptr;  // made on first use

    Module1& module_;
    NoticeText notice_;
    // The caption, and what is said in place of a picture that cannot be
    // shown.
    QLabel* caption_ = nullptr;
    QLabel* noticeLabel_ = nullptr;
    // The slideshow's clock (a new photo at each timeout) and the caption's
    // (hides it at its timeout).
    QTimer slideshowTimer_;
    QTimer captionTimer_;
    static constexpr int kSlideshowMs = 4000;
    static constexpr int kCaptionMs = 2000;
    QString thumbnails_;  // before the loader, which is made with it
    std::unique_ptr<pictures::PictureLoader> loader_;
    QSize screenPixels_;
    qreal ratio_ = 1;
    QString path_;
    QString wanted_;  // the absolute path whose picture the view waits for
    pictures::Picture picture_;
    bool provisional_ = false;
    // The picture at its own size, read by the workers when a zoom first
    // needs it; the memory budget of a decode may leave it null.
    std::unique_ptr<pictures::PictureLoader> fullLoader_;
    QString fullWanted_;  // the absolute path it is waited for, or empty
    QImage full_;
    bool fullTried_ = false;
    qreal scale_ = 1;
    QPointF origin_;
    std::optional<QPointF> dragFrom_;
    QStringList readAhead_;
    int paints_ = 0;
};

}  // namespace viewer
