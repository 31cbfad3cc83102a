#pragma once

#include <QCoreApplication>
#include <QString>
#include <QStringList>
#include <deque>
#include <functional>
#include <memory>
#include <stdexcept>
#include <variant>

#include "app/dialogs.h"

// Message and input boxes for tests: every box shown is recorded, questions
// and input boxes take their answers from a queue, and a box with no answer
// queued fails the test instead of blocking it. Long work that reported its
// progress is recorded apart, in `progress`, and stopped on cue.
class ScriptedDialogs : public Dialogs {
public:
    enum class Kind { Message, Question, Input, Folder };
    struct Shown {
        Kind kind;
        QString prompt;
        QString text{};  // an input box's text when it opened
    };

    // Queue answers, in the order the boxes will be shown.
    ScriptedDialogs& Yes() { return Push(true); }
    ScriptedDialogs& No() { return Push(false); }
    ScriptedDialogs& Type(const QString& text) { return Push(text); }
    ScriptedDialogs& Cancel() { return Push(QString()); }

    void Message(const QString& prompt) override { Show(Kind::Message, prompt); }

    bool Question(const QString& prompt) override {
        Show(Kind::Question, prompt);
        return std::get<bool>(Next(prompt, true));
    }

    QString Input(const QString& prompt, const QString& text = QString()) override {
        Show(Kind::Input, prompt, text);
        return std::get<QString>(Next(prompt, false));
    }

    // A folder chooser takes its answer from the queue as an input box does
    // (Type a folder, Cancel for none); its prompt is the title and start.
    QString Folder(const QString& title, const QString& start) override {
        Show(Kind::Folder, title + " " + start);
        return std::get<QString>(Next(title, false));
    }

    // Long work that reported at least once: its label, how often it
    // reported, the last figures, and whether it was stopped.
    struct ProgressShown {
        QString label;
        int reports = 0;
        qint64 done = 0;
        qint64 total = 0;
        bool stopped = false;
    };
    std::vector<ProgressShown> progress;
    // The next long work is stopped at its report after the `reports`-th,
    // as by its Annulla button.
    ScriptedDialogs& StopProgressAfter(int reports) {
        stopAfter_ = reports;
        return *this;
    }

    std::unique_ptr<Progress> StartProgress(const QString& label) override {
        return std::make_unique<ScriptedProgress>(*this, label);
    }
    // As the real boxes do, without the cursor: pending events but the
    // user's run.
    void Repaint() override { QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents); }

    // Called while each box is open, with the box: lets a test look at the
    // program's state at that moment.
    std::function<void(const Shown&)> whileShown;

    // Prompts of the message boxes only, in order.
    QStringList Messages() const { return Of(Kind::Message); }
    QStringList Questions() const { return Of(Kind::Question); }
    QStringList Inputs() const { return Of(Kind::Input); }
    int Pending() const { return static_cast<int>(answers_.size()); }
    void Clear() {
        shown.clear();
        answers_.clear();
        progress.clear();
    }

    std::vector<Shown> shown;

private:
    using Answer = std::variant<bool, QString>;

    class ScriptedProgress final : public Progress {
    public:
        ScriptedProgress(ScriptedDialogs& owner, QString label)
            : owner_(owner), label_(std::move(label)) {}
        bool Advance(qint64 done, qint64 total) override {
            if (index_ < 0) {
                owner_.progress.push_back({label_});
                index_ = static_cast<int>(owner_.progress.size()) - 1;
            }
            ProgressShown& shown = owner_.progress[index_];
            shown.done = done;
            shown.total = total;
            if (owner_.stopAfter_ >= 0 && shown.reports >= owner_.stopAfter_) {
                owner_.stopAfter_ = -1;
                shown.stopped = true;
            }
            ++shown.reports;
            return !shown.stopped;
        }

    private:
        ScriptedDialogs& owner_;
        QString label_;
        int index_ = -1;
    };

    void Show(Kind kind, const QString& prompt, const QString& text = QString()) {
        shown.push_back({kind, prompt, text});
        if (whileShown) whileShown(shown.back());
    }

    ScriptedDialogs& Push(Answer a) {
        answers_.push_back(std::move(a));
        return *this;
    }

    Answer Next(const QString& prompt, bool question) {
        if (answers_.empty())
            throw std::logic_error("no answer queued for: " + prompt.toStdString());
        Answer a = answers_.front();
        answers_.pop_front();
        if (question != std::holds_alternative<bool>(a))
            throw std::logic_error("wrong kind of answer queued for: " + prompt.toStdString());
        return a;
    }

    QStringList Of(Kind kind) const {
        QStringList out;
        for (const Shown& s : shown)
            if (s.kind == kind) out << s.prompt;
        return out;
    }

    std::deque<Answer> answers_;
    int stopAfter_ = -1;
};
