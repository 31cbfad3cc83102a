#pragma once

#include <QString>
#include <QtGlobal>
#include <functional>
#include <memory>

// Long work the user is shown and may stop.
class Progress {
public:
    virtual ~Progress() = default;
    // `done` of `total` (total 0 while not known yet), called often while the
    // work goes on, with news or without. False once the user asked to stop.
    virtual bool Advance(qint64 done, qint64 total) = 0;
    // What the work is doing now, in place of the label it started with.
    virtual void Label(const QString& label) { (void)label; }
};

// The program's message boxes and input boxes. Windows never call
// QMessageBox or QInputDialog themselves, so tests can answer in their place.
class Dialogs {
public:
    virtual ~Dialogs() = default;

    // A message with the OK button only.
    virtual void Message(const QString& prompt) = 0;
    // A question with Yes (the default) and No; true only for Yes.
    virtual bool Question(const QString& prompt) = 0;
    // An input box with the prompt, a field holding `text` (selected, so
    // typing replaces it), OK and Cancel; Cancel gives empty text.
    virtual QString Input(const QString& prompt, const QString& text = QString()) = 0;
    // A folder chooser titled `title`, opening on `start`; the folder chosen,
    // or empty text when the user gave up.
    virtual QString Folder(const QString& title, const QString& start) = 0;

    // Long work described by `label`: shown once it has lasted half a second,
    // with its progress and an Annulla button that stops it, and closed when
    // the object goes. By default nothing is shown and nothing stops it.
    virtual std::unique_ptr<Progress> StartProgress(const QString& label);

    // Short work with nothing to tell but that it runs (a copy): the pointer
    // waits while `work` runs. By default it just runs.
    virtual void WhileBusy(const std::function<void()>& work) { work(); }
    // Lets the windows paint what is pending; the user's clicks and keys
    // wait. By default nothing happens.
    virtual void Repaint() {}
};

inline std::unique_ptr<Progress> Dialogs::StartProgress(const QString&) {
    class Unseen final : public Progress {
    public:
        bool Advance(qint64, qint64) override { return true; }
    };
    return std::make_unique<Unseen>();
}
