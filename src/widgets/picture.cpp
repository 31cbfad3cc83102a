#include "widgets/picture.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QMouseEvent>
#include <QPainter>

#include "widgets/twips.h"

namespace {

constexpr char kButtonProperty[] = "pictoraButton";

// A picture that works as a button, as screen readers see it: its role, and
// the press action that clicks it.
class PictureButtonAccessible : public QAccessibleWidget {
public:
    explicit PictureButtonAccessible(QWidget* widget)
        : QAccessibleWidget(widget, QAccessible::Button) {}

    QStringList actionNames() const override {
        return QStringList(pressAction()) + QAccessibleWidget::actionNames();
    }
    void doAction(const QString& action) override {
        if (action != pressAction()) return QAccessibleWidget::doAction(action);
        if (auto* picture = qobject_cast<Picture*>(widget())) {
            if (picture->Enabled()) emit picture->Click();
        } else if (auto* label = qobject_cast<HoverLabel*>(widget())) {
            emit label->Click();
        }
    }
};

QAccessibleInterface* ButtonFactory(const QString&, QObject* object) {
    auto* widget = qobject_cast<QWidget*>(object);
    if (!widget || !widget->property(kButtonProperty).toBool()) return nullptr;
    if (!qobject_cast<Picture*>(widget) && !qobject_cast<HoverLabel*>(widget)) return nullptr;
    return new PictureButtonAccessible(widget);
}

}  // namespace

void MarkAsButton(QWidget* widget) {
    static const bool installed = (QAccessible::installFactory(ButtonFactory), true);
    Q_UNUSED(installed);
    widget->setProperty(kButtonProperty, true);
}

Picture::Picture(QWidget* parent) : QWidget(parent) {
    setMouseTracking(true);
    // Moves over a picture belong to the picture, never to the window below.
    setAttribute(Qt::WA_NoMousePropagation);
}

void Picture::SetPicture(const QImage& image) {
    SetPicture(image, image.deviceIndependentSize().toSize());
}

void Picture::SetPicture(const QImage& image, QSize naturalSize) {
    image_ = image;
    naturalSize_ = image.isNull() ? QSize() : naturalSize;
    if (!stretch_ && !image_.isNull()) resize(naturalSize_);
    update();
}

void Picture::SetStretch(bool stretch) {
    stretch_ = stretch;
    if (!stretch_ && !image_.isNull()) resize(naturalSize_);
    update();
}

void Picture::SetTwipsSize(float width, float height) {
    twipsWidth_ = width;
    twipsHeight_ = height;
    resize(TwipsToPixels(width), TwipsToPixels(height));
}

void Picture::paintEvent(QPaintEvent*) {
    if (image_.isNull()) return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    if (stretch_) {
        painter.drawImage(rect(), image_);
    } else {
        painter.drawImage(QPoint(0, 0), image_);
    }
}

void Picture::mousePressEvent(QMouseEvent* event) {
    pressed_ = true;
    event->accept();
}

void Picture::mouseReleaseEvent(QMouseEvent* event) {
    const bool inside = rect().contains(event->position().toPoint());
    const bool wasPressed = pressed_;
    pressed_ = false;
    event->accept();
    if (wasPressed && inside && enabled_ && event->button() == Qt::LeftButton) emit Click();
}

void Picture::mouseMoveEvent(QMouseEvent* event) {
    event->accept();
    emit MouseMove(event->position().toPoint());
}

HoverLabel::HoverLabel(QWidget* parent) : QWidget(parent) {
    setMouseTracking(true);
    setAttribute(Qt::WA_NoMousePropagation);
}

void HoverLabel::mousePressEvent(QMouseEvent* event) {
    pressed_ = true;
    event->accept();
}

void HoverLabel::mouseReleaseEvent(QMouseEvent* event) {
    const bool inside = rect().contains(event->position().toPoint());
    const bool wasPressed = pressed_;
    pressed_ = false;
    event->accept();
    if (wasPressed && inside && event->button() == Qt::LeftButton) emit Click();
}

void HoverLabel::mouseMoveEvent(QMouseEvent* event) {
    event->accept();
    emit MouseMove(event->position().toPoint());
}
