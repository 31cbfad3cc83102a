#include "widgets/qt_dialogs.h"

#include <QApplication>
#include <QInputDialog>
#include <QMessageBox>

// The boxes sit over whichever program window is active, as the album's
// boxes always have. Right after a box closes no window is active yet, so a
// box that follows at once goes over the window the first one did, if it is
// still shown; with none, the desktop centres them.
QWidget* QtDialogs::OwnerWindow() {
    if (QWidget* active = QApplication::activeWindow()) lastOwner_ = active;
    return lastOwner_ && lastOwner_->isVisible() ? lastOwner_.data() : nullptr;
}

void QtDialogs::Message(const QString& prompt) {
    QMessageBox box(QMessageBox::NoIcon, QApplication::applicationName(), prompt, QMessageBox::Ok,
                    OwnerWindow());
    box.exec();
}

bool QtDialogs::Question(const QString& prompt) {
    QMessageBox box(QMessageBox::NoIcon, QApplication::applicationName(), prompt,
                    QMessageBox::Yes | QMessageBox::No, OwnerWindow());
    box.setDefaultButton(QMessageBox::Yes);
    return box.exec() == QMessageBox::Yes;
}

QString QtDialogs::Input(const QString& prompt) {
    QInputDialog box(OwnerWindow());
    box.setWindowTitle(QApplication::applicationName());
    box.setLabelText(prompt);
    box.setTextValue(QString());
    box.setInputMode(QInputDialog::TextInput);
    if (box.exec() != QDialog::Accepted) return QString();
    return box.textValue();
}
