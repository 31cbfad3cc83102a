#pragma once

#include <QPointer>
#include <QString>
#include <QWidget>

// The program's message boxes and input boxes. Windows never call
// QMessageBox or QInputDialog themselves, so tests can answer in their place.
class Dialogs {
public:
    virtual ~Dialogs() = default;

    // A message with the OK button only.
    virtual void Message(const QString& prompt) = 0;
    // A question with Yes (the default) and No; true only for Yes.
    virtual bool Question(const QString& prompt) = 0;
    // An input box with the prompt, an empty field, OK and Cancel; Cancel
    // gives empty text.
    virtual QString Input(const QString& prompt) = 0;
};

// The real boxes: no icon, the application title, Italian buttons.
class QtDialogs : public Dialogs {
public:
    void Message(const QString& prompt) override;
    bool Question(const QString& prompt) override;
    QString Input(const QString& prompt) override;

private:
    QWidget* OwnerWindow();
    QPointer<QWidget> lastOwner_;
};
