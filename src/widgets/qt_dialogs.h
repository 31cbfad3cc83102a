#pragma once

#include <QPointer>
#include <QWidget>

#include "app/dialogs.h"

// The real boxes: no icon, the application title, Italian buttons.
class QtDialogs : public Dialogs {
public:
    void Message(const QString& prompt) override;
    bool Question(const QString& prompt) override;
    QString Input(const QString& prompt, const QString& text = QString()) override;
    QString Folder(const QString& title, const QString& start) override;
    std::unique_ptr<Progress> StartProgress(const QString& label) override;
    void WhileBusy(const std::function<void()>& work) override;
    void Repaint() override;

private:
    QWidget* OwnerWindow();
    QPointer<QWidget> lastOwner_;
};
