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
#include "work/workers.h"

struct PictureAddition {
    // Stops the worker and waits for it up to a bound: one held in a read of
    // a dead share ends on its own later, holding what it shares. The photos
    // of the batches already written stay.
    ~PictureAddition() {
        shared->cancel = true;
        pool.End(QDeadlineTimer(work::kCloseWaitMs));
    }

    // The worker's last report, read by the window's thread at each tick.
    struct Report {
        adding::Phase phase = adding::Phase::Walking;
        std::int64_t done = 0;
        std::int64_t total = 0;
    };
    // What the worker holds while it runs, shared with the window's thread.
    struct Shared {
        // The addition's own connection to the album, used by the worker only.
        std::unique_ptr<store::Album> album;
        std::atomic<bool> cancel{false};
        std::mutex reportLock;
        Report report;
    };
    std::shared_ptr<Shared> shared = std::make_shared<Shared>();
    QString albumPath;
    work::Workers pool{1};
    QFutureWatcher<adding::Result> watcher;

    // The progress box (shown after half a second) and its ticks.
    std::unique_ptr<Progress> progress;
    QTimer ticker;
    bool advancing = false;  // inside the box's Advance, which runs events
    bool ended = false;      // the worker ended while it was
};

// "Aggiunte 120 foto…": what the progress box says of `report`.
QString AdditionLabel(const PictureAddition::Report& report);
