#pragma once

// What Module1 keeps while it adds many photos at once: the worker, what it
// last reported, the progress box and the stop.

#include <QFutureWatcher>
#include <QString>
#include <QTimer>
#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>

#include "adding/add_pictures.h"
#include "app/dialogs.h"

struct PictureAddition {
    // Stops the worker and waits for it: the photos of the batches already
    // written stay.
    ~PictureAddition() {
        cancel = true;
        watcher.waitForFinished();
    }

    // The addition's own connection to the album, used by the worker only
    // while it runs.
    std::unique_ptr<store::Album> album;
    QString albumPath;
    QFutureWatcher<adding::Result> watcher;
    std::atomic<bool> cancel{false};

    // The worker's last report, read by the window's thread at each tick.
    struct Report {
        adding::Phase phase = adding::Phase::Walking;
        std::int64_t done = 0;
        std::int64_t total = 0;
    };
    std::mutex reportLock;
    Report report;

    // The progress box (shown after half a second) and its ticks.
    std::unique_ptr<Progress> progress;
    QTimer ticker;
    bool advancing = false;  // inside the box's Advance, which runs events
    bool ended = false;      // the worker ended while it was
};

// "Aggiunte 120 foto…": what the progress box says of `report`.
QString AdditionLabel(const PictureAddition::Report& report);
