#pragma once

#include <QString>

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
