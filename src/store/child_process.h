#pragma once

// Running a helper program with a time limit, for work the program will not
// do in its own process (reading files with C libraries that may crash or
// hang on a malformed file).

#include <chrono>
#include <string>
#include <vector>

namespace store {

struct ChildResult {
    int spawnError = 0;     // errno when the program could not be started
    bool timedOut = false;  // killed when its time ran out
    bool exited = false;    // ended by itself; exitCode holds its code
    int exitCode = -1;
    int signal = 0;      // the signal that ended it, if one did
    std::string output;  // what it wrote on stdout and stderr (the first 64 KiB)

    bool Succeeded() const { return spawnError == 0 && exited && exitCode == 0; }
};

// Runs argv[0] (a path) with `argv`, stdin on /dev/null and stdout and stderr
// collected, in a process group of its own; kills the group when it has not
// ended within `limit`. Returns when the child is gone.
ChildResult RunChild(const std::vector<std::string>& argv, std::chrono::milliseconds limit);

}  // namespace store
