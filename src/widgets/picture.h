#pragma once

#include <QImage>
#include <QWidget>

// Marks a Picture or HoverLabel that works as a button: screen readers are
// told it is one, and their press, while it is shown, clicks `clicked` (the
// highlighted picture of its pair, which takes the clicks), or the widget
// itself. Set before its accessible name.
void MarkAsButton(QWidget* widget, QWidget* clicked = nullptr);

// A picture control: draws its picture at natural size, or stretched to its
// box, and reports clicks and pointer moves to its window.
class Picture : public QWidget {
    Q_OBJECT
public:
    explicit Picture(QWidget* parent = nullptr);

    void SetPicture(const QImage& image);
    // A picture decoded at a reduced size: `naturalSize` is the size of the
    // whole picture in pixels, upright, which is what the control reports.
    void SetPicture(const QImage& image, QSize naturalSize);
    void ClearPicture() { SetPicture(QImage()); }
    const QImage& GetPicture() const { return image_; }
    bool HasPicture() const { return !image_.isNull(); }
    QSize NaturalSize() const { return naturalSize_; }

    // Off: the control takes its picture's natural size. On: the picture is
    // scaled to the control's box.
    void SetStretch(bool stretch);
    bool Stretch() const { return stretch_; }

    // Size in twips as last set by SetTwipsSize(); the control is sized to
    // the nearest logical pixels.
    void SetTwipsSize(float width, float height);
    float TwipsWidth() const { return twipsWidth_; }
    float TwipsHeight() const { return twipsHeight_; }

    // Whether clicks count. A picture that does not take clicks still takes
    // pointer moves, so hovering over it behaves as over any picture.
    void SetEnabled(bool enabled) { enabled_ = enabled; }
    bool Enabled() const { return enabled_; }

signals:
    void Click();
    void MouseMove(QPoint pos);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    QImage image_;
    QSize naturalSize_;
    bool stretch_ = false;
    bool enabled_ = true;
    bool pressed_ = false;
    float twipsWidth_ = 0;
    float twipsHeight_ = 0;
};

// A transparent label: draws nothing, reports clicks and pointer moves.
class HoverLabel : public QWidget {
    Q_OBJECT
public:
    explicit HoverLabel(QWidget* parent = nullptr);

signals:
    void Click();
    void MouseMove(QPoint pos);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    bool pressed_ = false;
};
