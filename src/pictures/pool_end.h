#pragma once

// Ending the thread pools that read and write pictures: closing waits for
// them with a bound, and leaves to the program's end one held in a read or a
// write that does not end (a dead share, a stalled cache folder).
#include <QDeadlineTimer>

class QThreadPool;

namespace pictures {

// Longer than any decode the memory budget allows on an idle machine.
inline constexpr int kCloseWaitMs = 2000;

// Deletes `pool` once its tasks have ended, waiting for them until
// `deadline`; else leaves it to them. A thread held in a read or a write
// touches nothing the end of the program takes.
void EndPool(QThreadPool* pool, QDeadlineTimer deadline);

}  // namespace pictures
