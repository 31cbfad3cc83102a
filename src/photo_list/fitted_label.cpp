#include "photo_list/fitted_label.h"

#include <QHelpEvent>
#include <QPainter>
#include <QTextLayout>
#include <QToolTip>
#include <algorithm>

QStringList FittedLabel::ShownLines(bool* whole) const {
    const QRect area = contentsRect();
    const QFontMetrics metrics = fontMetrics();
    const QString all = text();
    if (whole) *whole = true;
    const int room = std::max(1, area.height() / metrics.lineSpacing());
    QTextLayout layout(all, font());
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    layout.beginLayout();
    QStringList lines;
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(area.width());
        if (lines.size() + 1 == room) {
            // The last line there is room for takes the rest of the text.
            const QString rest = all.mid(line.textStart());
            lines << metrics.elidedText(rest, Qt::ElideRight, area.width());
            if (whole) *whole = lines.last() == rest;
            break;
        }
        lines << all.mid(line.textStart(), line.textLength()).trimmed();
    }
    layout.endLayout();
    return lines;
}

void FittedLabel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QRect area = contentsRect();
    const QStringList lines = ShownLines();
    const int spacing = fontMetrics().lineSpacing();
    // Centred in the height, as a label's one line is.
    int top = area.top() + std::max(0, (area.height() - spacing * int(lines.size())) / 2);
    for (const QString& line : lines) {
        painter.drawText(QRect(area.left(), top, area.width(), spacing),
                         Qt::AlignLeft | Qt::AlignVCenter, line);
        top += spacing;
    }
}

bool FittedLabel::event(QEvent* event) {
    if (event->type() == QEvent::ToolTip && toolTip().isEmpty()) {
        bool whole = true;
        ShownLines(&whole);
        if (!whole) {
            QToolTip::showText(static_cast<QHelpEvent*>(event)->globalPos(), text(), this);
            return true;
        }
    }
    return QLabel::event(event);
}
