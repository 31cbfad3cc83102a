#pragma once

// Running a helper program with a time limit, for work the program will not
// do in its own process (reading files with C libraries that may crash or
// hang on a malformed file).

#include <chrono>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace store {

struct ChildResult {
    int spawnError = 0;     // errno when the program could not be started
    int waitError = 0;      // errno when watching it failed (it was killed then)
    bool timedOut = false;  // killed when its time ran out
    bool stopped = false;   // killed because the watcher asked for it
    bool exited = false;    // ended by itself; exitCode holds its code
    int exitCode = -1;
    int signal = 0;      // the signal that ended it, if one did
    std::string output;  // what it wrote on stdout and stderr (the first 64 KiB)

    bool Succeeded() const { return spawnError == 0 && exited && exitCode == 0; }
};

// Who watches a child while it runs; both may be empty.
struct ChildWatch {
    // Each whole line the child writes, without its end, as it comes. True
    // takes the line (a report for the watcher): it is left out of output.
    std::function<bool(std::string_view line)> line;
    // Asked about ten times a second while the child runs, and after every
    // line; false stops the child.
    std::function<bool()> keepGoing;
};

// Runs argv[0] (a path) with `argv`, stdin on /dev/null and stdout and stderr
// collected, in a process group of its own; kills the group when it has not
// ended within `limit`, when the watcher asks for it, or when watching it
// fails. The child is killed with the thread that started it, so it never
// outlives the program, however the program ends. Returns when the child is
// gone.
ChildResult RunChild(const std::vector<std::string>& argv, std::chrono::milliseconds limit,
                     const ChildWatch& watch = {});

}  // namespace store
