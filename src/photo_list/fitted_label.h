#pragma once

#include <QLabel>
#include <QStringList>

// A label whose text is never cut at its edges: wrapped onto as many lines
// as its height holds, the last line elided when the text goes on, and then
// told whole on hovering (screen readers always have it whole).
class FittedLabel : public QLabel {
    Q_OBJECT
public:
    using QLabel::QLabel;

    // The lines shown, as they fit now; `whole` tells whether they hold all
    // the text.
    QStringList ShownLines(bool* whole = nullptr) const;

protected:
    void paintEvent(QPaintEvent* event) override;
    bool event(QEvent* event) override;
};
