#pragma once

// The reads of a picture loader on its worker threads: the shown picture
// before any read ahead, each file read once at a time, and the reads queued
// for pictures no longer wanted taken back before they start. All but End
// and WaitForDone are called with the loader state's lock held.
#include <memory>
#include <vector>

#include "pictures/decoded_cache.h"
#include "work/workers.h"

namespace pictures {

struct LoaderState;

class ReadSchedule {
public:
    ReadSchedule();

    // Queues the read of `key` at `priority` (the shown picture's is above
    // any read ahead) unless it is cached, queued or being read.
    void Start(LoaderState& state, const ReadKey& key, int priority);
    // Takes back the queued reads for any other file than `keep` (all when
    // null).
    void DropQueued(const ReadKey* keep);

    // Lets the reads running end until `deadline`, no more: a read hung on
    // a dead share ends with the program.
    void End(QDeadlineTimer deadline) { readers_.End(deadline); }
    void WaitForDone() { readers_.WaitForDone(); }

private:
    class Job;

    work::Workers readers_;
    std::vector<Job*> queued_;  // in the queue, not started
    std::vector<ReadKey> running_;
};

}  // namespace pictures
