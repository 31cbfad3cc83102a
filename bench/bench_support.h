#pragma once

// What the window benchmarks share: boxes that answer at once, a desktop
// whose usual album is the benchmark's, and a main() on Qt's offscreen
// platform or on an X server.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <functional>

#include "app/dialogs.h"
#include "app/platform.h"

// Answers every input box with `answer` and every question with No; counts
// the messages.
class AnsweringDialogs : public Dialogs {
public:
    void Message(const QString&) override { ++messages; }
    bool Question(const QString&) override { return false; }
    QString Input(const QString&, const QString& = QString()) override { return answer; }
    QString Folder(const QString&, const QString&) override { return {}; }

    QString answer;
    int messages = 0;
};

class BenchPlatform : public Platform {
public:
    explicit BenchPlatform(QString album) : album_(std::move(album)) {}
    QString DefaultAlbumPath() const override { return album_; }

private:
    QString album_;
};

// Runs the benchmarks with a QApplication on the offscreen platform, or, with
// `onDisplay`, on the X server DISPLAY names when it names one; `cleanup`
// runs before the application goes.
inline int RunWindowBenchmarks(int argc, char** argv, const std::function<void()>& cleanup = {},
                               bool onDisplay = false) {
    qputenv("QT_QPA_PLATFORM",
            onDisplay && !qEnvironmentVariableIsEmpty("DISPLAY") ? "xcb" : "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    if (cleanup) cleanup();
    return 0;
}
