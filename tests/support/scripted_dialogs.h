#pragma once

#include <QString>
#include <QStringList>
#include <deque>
#include <functional>
#include <stdexcept>
#include <variant>

#include "app/dialogs.h"

// Message and input boxes for tests: every box shown is recorded, questions
// and input boxes take their answers from a queue, and a box with no answer
// queued fails the test instead of blocking it.
class ScriptedDialogs : public Dialogs {
public:
    enum class Kind { Message, Question, Input };
    struct Shown {
        Kind kind;
        QString prompt;
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

    QString Input(const QString& prompt) override {
        Show(Kind::Input, prompt);
        return std::get<QString>(Next(prompt, false));
    }

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
    }

    std::vector<Shown> shown;

private:
    using Answer = std::variant<bool, QString>;

    void Show(Kind kind, const QString& prompt) {
        shown.push_back({kind, prompt});
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
};
