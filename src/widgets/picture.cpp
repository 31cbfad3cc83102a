#include "widgets/picture.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QMouseEvent>
#include <QPainter>
#include <QVariant>

#include "widgets/twips.h"

namespace {

constexpr char kButtonProperty[] = "pictoraButton";
constexpr char kClickedProperty[] = "pictoraClicked";

// A picture that works as a button, as screen readers see it: its role, and
// the press action that clicks it. Only a shown picture can be pressed, and
// its press clicks its pair's highlighted picture, which is hidden at rest:
// the press acts on the button the user sees, never on a hidden one.
class PictureButtonAccessible : public QAccessibleWidget {
public:
    explicit PictureButtonAccessible(QWidget* widget)
        : QAccessibleWidget(widget, QAccessible::Button) {}

    QStringList actionNames() const override {
        if (!widget()->isVisible()) return QAccessibleWidget::actionNames();
        return QStringList(pressAction()) + QAccessibleWidget::actionNames();
    }
    void doAction(const QString& action) override {
        if (action != pressAction()) return QAccessibleWidget::doAction(action);
        if (!widget()->isVisible()) return;
        QObject* clicked = widget()->property(kClickedProperty).value<QObject*>();
        if (!clicked) clicked = widget();
        if (auto* picture = qobject_cast<Picture*>(clicked)) {
            if (picture->Enabled()) emit picture->Click();
        } else if (auto* label = qobject_cast<HoverLabel*>(clicked)) {
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

void MarkAsButton(QWidget* widget, QWidget* clicked) {
    static const bool installed = (QAccessible::installFactory(ButtonFactory), true);
    Q_UNUSED(installed);
    widget->setProperty(kButtonProperty, true);
    if (clicked && clicked != widget)
        widget->setProperty(kClickedProperty, QVariant::fromValue(static_cast<QObject*>(clicked)));
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
