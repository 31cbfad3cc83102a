// The full screen view's keys, mouse and painting: steps, zoom and pan.
#include <QCursor>
#include <QFileInfo>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QRegion>
#include <QWheelEvent>
#include <QtMath>
#include <cmath>

#include "app/module1.h"
#include "viewer/full_screen.h"

namespace viewer {

namespace {

// The most a wheel zooms in: four screen pixels a picture pixel.
constexpr qreal kMaxDevicePixelsPerPixel = 4;
// One notch of the wheel.
constexpr qreal kWheelStep = 1.25;

}  // namespace

void FullScreenView::keyPressEvent(QKeyEvent* event) {
    // Any key ends a slideshow, and only that.
    if (slideshowTimer_.isActive()) {
        StopSlideshow();
        return;
    }
    switch (event->key()) {
        case Qt::Key_Right:
        case Qt::Key_Down:
        case Qt::Key_PageDown:
        case Qt::Key_Space:
            module_.MoveNext();
            break;
        case Qt::Key_Left:
        case Qt::Key_Up:
        case Qt::Key_PageUp:
        case Qt::Key_Backspace:
            module_.MovePrevious();
            break;
        case Qt::Key_Home:
            module_.MoveFirst();
            break;
        case Qt::Key_End:
            module_.MoveLast();
            break;
        case Qt::Key_Escape:
        case Qt::Key_F11:
            Leave();
            break;
        case Qt::Key_F5:
            StartSlideshow();
            break;
        case Qt::Key_G:
            ShowGrid();
            break;
        case Qt::Key_Z: {
            const QPointF pointer = mapFromGlobal(QCursor::pos());
            ToggleZoom(rect().contains(pointer.toPoint()) ? pointer : QPointF(rect().center()));
            break;
        }
        default:
            QWidget::keyPressEvent(event);
    }
}

void FullScreenView::mousePressEvent(QMouseEvent* event) {
    if (slideshowTimer_.isActive()) {
        StopSlideshow();
        return;
    }
    if (event->button() == Qt::LeftButton && Zoomed()) {
        dragFrom_ = event->position();
        setCursor(Qt::ClosedHandCursor);
    }
}

void FullScreenView::mouseMoveEvent(QMouseEvent* event) {
    RevealCaption();
    if (!dragFrom_) return;
    origin_ += event->position() - *dragFrom_;
    dragFrom_ = event->position();
    KeepInView();
    update();
}

void FullScreenView::mouseReleaseEvent(QMouseEvent*) {
    dragFrom_.reset();
    unsetCursor();
}

void FullScreenView::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) ToggleZoom(event->position());
}

void FullScreenView::wheelEvent(QWheelEvent* event) {
    // Pinching out, as it were: the whole album.
    if ((event->modifiers() & Qt::ControlModifier) && event->angleDelta().y() < 0) {
        ShowGrid();
        return;
    }
    if (picture_.image.isNull()) return;
    const qreal notches = event->angleDelta().y() / 120.0;
    const qreal most = std::max(FitScale(), kMaxDevicePixelsPerPixel / ratio_);
    ZoomAround(event->position(),
               std::clamp(scale_ * std::pow(kWheelStep, notches), FitScale(), most));
}

qreal FullScreenView::FitScale() const {
    const QSize natural = picture_.natural;
    if (natural.isEmpty()) return 1;
    const qreal fit = std::min(
        {qreal(1), width() * ratio_ / natural.width(), height() * ratio_ / natural.height()});
    return fit / ratio_;
}

bool FullScreenView::Zoomed() const {
    return !picture_.image.isNull() && scale_ > FitScale() * 1.0001;
}

void FullScreenView::Fit() {
    scale_ = FitScale();
    origin_ = {};
    KeepInView();
}

void FullScreenView::ToggleZoom(QPointF at) {
    if (picture_.image.isNull()) return;
    if (Zoomed()) {
        Fit();
        update();
    } else {
        ZoomAround(at, 1 / ratio_);
    }
}

void FullScreenView::ZoomAround(QPointF at, qreal scale) {
    const QPointF point = (at - origin_) / scale_;
    scale_ = scale;
    origin_ = at - point * scale_;
    KeepInView();
    Source();  // asks for the picture at its own size when this zoom needs it
    update();
}

void FullScreenView::KeepInView() {
    const QSizeF extent = QSizeF(picture_.natural) * scale_;
    auto place = [](qreal origin, qreal size, qreal view) {
        if (size <= view) return (view - size) / 2;
        return std::clamp(origin, view - size, qreal(0));
    };
    origin_ = {place(origin_.x(), extent.width(), width()),
               place(origin_.y(), extent.height(), height())};
}

const QImage& FullScreenView::Source() {
    const QImage& fitted = picture_.image;
    const qreal fittedScale = qreal(fitted.width()) / picture_.natural.width();
    // A thumbnail shown until the picture is read is never read again whole.
    if (scale_ * ratio_ <= fittedScale * 1.0001 || provisional_) return fitted;
    if (!fullTried_) WantFull();
    return full_.isNull() ? fitted : full_;
}

void FullScreenView::WantFull() {
    fullTried_ = true;
    // Read on the loader's workers: the GUI never waits for a decode. Until
    // it comes the zoom enlarges the screen's picture.
    if (const std::optional<pictures::Picture> full = fullLoader_->Want(path_))
        SetFull(*full);
    else
        fullWanted_ = QFileInfo(path_).absoluteFilePath();
}

void FullScreenView::SetFull(const pictures::Picture& picture) {
    fullWanted_.clear();
    // One that cannot be read whole (too large for the memory a decode may
    // take, gone meanwhile) leaves the screen's picture enlarged; so does a
    // file changed since the screen's picture was read. The zoom stays where
    // it is: both are placed by the picture's own pixels.
    if (!picture.ok() || picture.natural != picture_.natural || picture.image.isNull()) return;
    full_ = picture.image;
    update();
}

void FullScreenView::paintEvent(QPaintEvent*) {
    ++paints_;
    QPainter painter(this);
    if (picture_.image.isNull()) {
        painter.fillRect(rect(), Qt::black);
        return;
    }
    const QImage& source = Source();
    const QRectF target(origin_, QSizeF(picture_.natural) * scale_);
    // Black around an opaque picture only: a whole screen of black first
    // would double the pixels written.
    QRegion black(rect());
    if (!source.hasAlphaChannel()) {
        const QPoint topLeft(qCeil(target.left()), qCeil(target.top()));
        const QPoint bottomRight(qFloor(target.right()) - 1, qFloor(target.bottom()) - 1);
        black -= QRect(topLeft, bottomRight);
    }
    for (const QRect& margin : black) painter.fillRect(margin, Qt::black);
    if (qAbs(source.width() - target.width() * ratio_) < 0.5 &&
        qAbs(source.height() - target.height() * ratio_) < 0.5) {
        // Pixel for pixel: the fast path.
        painter.drawImage(target.topLeft(), source);
    } else {
        painter.setRenderHint(QPainter::SmoothPixmapTransform,
                              target.width() * ratio_ < source.width());
        painter.drawImage(target, source);
    }
}

}  // namespace viewer
