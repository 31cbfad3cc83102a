#include "app/dialogs.h"

#include <QApplication>
#include <QInputDialog>
#include <QMessageBox>

namespace {

// The boxes sit over whichever program window is active, as the album's
// boxes always have; with none, the desktop centres them.
QWidget* OwnerWindow() { return QApplication::activeWindow(); }

}  // namespace

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
