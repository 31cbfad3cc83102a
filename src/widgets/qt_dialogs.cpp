#include "widgets/qt_dialogs.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QPointer>
#include <QProgressDialog>
#include <algorithm>

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

QString QtDialogs::Input(const QString& prompt, const QString& text) {
    QInputDialog box(OwnerWindow());
    box.setWindowTitle(QApplication::applicationName());
    box.setLabelText(prompt);
    box.setInputMode(QInputDialog::TextInput);
    // Shown selected: typing replaces it.
    box.setTextValue(text);
    if (box.exec() != QDialog::Accepted) return QString();
    return box.textValue();
}

QString QtDialogs::Folder(const QString& title, const QString& start) {
    // Qt's own chooser, the same on every desktop, where a folder can be typed.
    return QFileDialog::getExistingDirectory(
        OwnerWindow(), title, start, QFileDialog::ShowDirsOnly | QFileDialog::DontUseNativeDialog);
}

namespace {

// Long work in a progress box, shown once the work has lasted half a second.
// The box is modal: while the work goes on, only the box's own button and
// repaints reach the program.
class BoxProgress final : public Progress {
public:
    BoxProgress(QString label, QWidget* owner) : label_(std::move(label)), owner_(owner) {
        clock_.start();
    }
    ~BoxProgress() override { delete box_.data(); }
    BoxProgress(const BoxProgress&) = delete;
    BoxProgress& operator=(const BoxProgress&) = delete;

    bool Advance(qint64 done, qint64 total) override {
        if (!box_ && clock_.elapsed() < kShownAfterMs) return true;
        if (!box_) Show();
        if (!box_) return false;
        if (total > 0) {
            box_->setMaximum(kSteps);
            box_->setValue(static_cast<int>(std::clamp<qint64>(done, 0, total) * kSteps / total));
        }
        QCoreApplication::processEvents();
        return box_ && !box_->wasCanceled();
    }

    void Label(const QString& label) override {
        label_ = label;
        if (box_) box_->setLabelText(label);
    }

private:
    static constexpr qint64 kShownAfterMs = 500;
    static constexpr int kSteps = 1000;

    void Show() {
        box_ = new QProgressDialog(label_, "Annulla", 0, 0, owner_);
        box_->setWindowTitle(QApplication::applicationName());
        // Tells it from the message boxes of the same title, for assistive
        // tools and the end-to-end tests.
        box_->setWindowRole("progress");
        box_->setWindowModality(Qt::ApplicationModal);
        box_->setAutoClose(false);
        box_->setAutoReset(false);
        box_->setMinimumDuration(0);
        box_->show();
    }

    QString label_;
    QPointer<QWidget> owner_;
    QElapsedTimer clock_;
    QPointer<QProgressDialog> box_;
};

}  // namespace

std::unique_ptr<Progress> QtDialogs::StartProgress(const QString& label) {
    return std::make_unique<BoxProgress>(label, OwnerWindow());
}

void QtDialogs::WhileBusy(const std::function<void()>& work) {
    // The wait cursor goes whatever the work throws.
    struct WaitCursor {
        WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
        ~WaitCursor() { QApplication::restoreOverrideCursor(); }
    } wait;
    work();
}

void QtDialogs::Repaint() {
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}
