#include "store/child_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace store {

namespace {

constexpr std::size_t kMaxOutput = 64 * 1024;
constexpr auto kTick = std::chrono::milliseconds(100);

using Clock = std::chrono::steady_clock;

int MillisecondsLeft(Clock::time_point deadline) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return static_cast<int>(std::clamp<long long>(left, 0, kTick.count()));
}

// The child between fork and exec: async-signal-safe calls only.
[[noreturn]] void ExecFailed(int errorPipe) {
    const int error = errno;
    [[maybe_unused]] const ssize_t n = write(errorPipe, &error, sizeof error);
    _exit(127);
}

[[noreturn]] void ExecChild(char* const* args, pid_t parent, int out, int errorPipe) {
    // Killed the moment the thread that started it ends, and so with the
    // program, even one killed outright; gone at once if that already
    // happened before the request was made.
    if (prctl(PR_SET_PDEATHSIG, SIGKILL) != 0 || getppid() != parent) _exit(127);
    // A group of its own, so that killing it reaches anything it started.
    setpgid(0, 0);
    const int in = open("/dev/null", O_RDONLY | O_CLOEXEC);
    if (in < 0 || dup2(in, 0) < 0 || dup2(out, 1) < 0 || dup2(out, 2) < 0) ExecFailed(errorPipe);
    // Default signal handling and no blocked signals, whatever ours are.
    struct sigaction defaults {};
    defaults.sa_handler = SIG_DFL;
    for (const int s : {SIGPIPE, SIGTERM, SIGINT, SIGHUP, SIGCHLD})
        sigaction(s, &defaults, nullptr);
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
    execv(args[0], args);
    ExecFailed(errorPipe);
}

// Starts the child with its output on `out`; errno when it could not be.
int Start(const std::vector<std::string>& argv, int out, pid_t& pid) {
    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    int errorPipe[2];
    if (pipe2(errorPipe, O_CLOEXEC) != 0) return errno;
    const pid_t parent = getpid();
    pid = fork();
    if (pid == 0) ExecChild(args.data(), parent, out, errorPipe[1]);
    const int forkError = errno;
    close(errorPipe[1]);
    if (pid < 0) {
        close(errorPipe[0]);
        return forkError;
    }
    setpgid(pid, 0);  // as the child does, whichever comes first
    // The pipe closes at exec; a number on it is why exec failed.
    int error = 0;
    ssize_t n;
    while ((n = read(errorPipe[0], &error, sizeof error)) < 0 && errno == EINTR) {
    }
    close(errorPipe[0]);
    if (n != static_cast<ssize_t>(sizeof error)) return 0;
    while (waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
    }
    return error != 0 ? error : ECHILD;
}

// The child's output, split into lines for the watcher; what it does not
// take is kept, up to kMaxOutput.
class Collector {
public:
    Collector(const ChildWatch& watch, std::string& output) : watch_(watch), output_(output) {}

    void Take(const char* data, std::size_t size) {
        pending_.append(data, size);
        std::size_t start = 0;
        for (std::size_t end; (end = pending_.find('\n', start)) != std::string::npos;
             start = end + 1)
            Line(std::string_view(pending_).substr(start, end - start), true);
        pending_.erase(0, start);
        // A line without end that outgrows the output is no report.
        if (pending_.size() > kMaxOutput) Finish();
    }

    void Finish() {
        if (!pending_.empty()) Line(pending_, false);
        pending_.clear();
    }

private:
    void Line(std::string_view line, bool ended) {
        if (watch_.line && watch_.line(line)) return;
        const std::size_t room = kMaxOutput - std::min(kMaxOutput, output_.size());
        output_.append(line.substr(0, room));
        if (ended && output_.size() < kMaxOutput) output_ += '\n';
    }

    const ChildWatch& watch_;
    std::string& output_;
    std::string pending_;
};

void Record(ChildResult& result, int status) {
    if (WIFEXITED(status)) {
        result.exited = true;
        result.exitCode = WEXITSTATUS(status);
    } else if (WIFSIGNALED(status)) {
        result.signal = WTERMSIG(status);
    }
}

// Reads what the child writes, until its output closes; false when the pipe
// is done with. `error` takes the errno of a read that failed.
bool ReadSome(int fd, Collector& collector, int& error) {
    char buffer[8192];
    const ssize_t n = read(fd, buffer, sizeof buffer);
    if (n > 0) {
        collector.Take(buffer, static_cast<std::size_t>(n));
        return true;
    }
    if (n < 0 && (errno == EINTR || errno == EAGAIN)) return true;
    if (n < 0) error = errno;
    return false;
}

// A started child and the read end of its output.
struct Child {
    pid_t pid = -1;
    int out = -1;
    bool open = true;  // its output not yet closed
    int status = 0;    // as waitpid left it
};

// Starts the child with its output on a pipe; errno when it could not be.
int Launch(const std::vector<std::string>& argv, Child& child) {
    int pipeFds[2];
    if (pipe2(pipeFds, O_CLOEXEC) != 0) return errno;
    const int error = Start(argv, pipeFds[1], child.pid);
    close(pipeFds[1]);
    if (error != 0) {
        close(pipeFds[0]);
        return error;
    }
    child.out = pipeFds[0];
    return 0;
}

// Takes what the child writes for up to `wait` milliseconds or, once its
// output is closed, pauses a few; errno when watching the output failed.
int AwaitOutput(Child& child, int wait, Collector& collector) {
    if (!child.open) {
        // The output is closed; the child may still be on its way out.
        const timespec pause{0, std::min(wait, 5) * 1'000'000L};
        nanosleep(&pause, nullptr);
        return 0;
    }
    pollfd fd{child.out, POLLIN, 0};
    const int ready = poll(&fd, 1, wait);
    // A failed poll or read is told as such, not left to run into the time
    // limit.
    if (ready < 0) return errno == EINTR ? 0 : errno;
    if (fd.revents & POLLNVAL) return EBADF;
    int error = 0;
    if (ready > 0) child.open = ReadSome(child.out, collector, error);
    return error;
}

enum class Ending {
    Reaped,     // ended, its status in Child::status
    Gone,       // reaped by someone else's SIGCHLD handler: gone, how unknown
    StillThere  // out of time, stopped by the watcher, or no longer watchable
};

// Watches the child, taking its output, until it ends or must be killed.
Ending Watch(Child& child, std::chrono::milliseconds limit, const ChildWatch& watch,
             Collector& collector, ChildResult& result) {
    const Clock::time_point deadline = Clock::now() + limit;
    Clock::time_point asked = Clock::now() - kTick;
    for (;;) {
        const Clock::time_point now = Clock::now();
        if (now >= deadline) {
            result.timedOut = true;
            return Ending::StillThere;
        }
        if (watch.keepGoing && now - asked >= kTick / 2) {
            asked = now;
            if (!watch.keepGoing()) {
                result.stopped = true;
                return Ending::StillThere;
            }
        }
        if (const int error = AwaitOutput(child, MillisecondsLeft(deadline), collector)) {
            result.waitError = error;
            return Ending::StillThere;
        }
        const pid_t done = waitpid(child.pid, &child.status, WNOHANG);
        if (done == child.pid) return Ending::Reaped;
        if (done < 0 && errno == ECHILD) return Ending::Gone;
    }
}

// Kills the child's group and waits for the child to go.
void KillAndReap(Child& child) {
    kill(-child.pid, SIGKILL);
    kill(child.pid, SIGKILL);
    while (waitpid(child.pid, &child.status, 0) < 0 && errno == EINTR) {
    }
}

// Takes what is left in the pipe, without waiting on anyone who still holds
// it.
void Drain(Child& child, Collector& collector) {
    int error = 0;
    for (pollfd fd{child.out, POLLIN, 0}; child.open && poll(&fd, 1, 0) > 0;)
        child.open = ReadSome(child.out, collector, error);
}

}  // namespace

ChildResult RunChild(const std::vector<std::string>& argv, std::chrono::milliseconds limit,
                     const ChildWatch& watch) {
    ChildResult result;
    Child child;
    result.spawnError = Launch(argv, child);
    if (result.spawnError != 0) return result;

    Collector collector(watch, result.output);
    const Ending ending = Watch(child, limit, watch, collector, result);
    if (ending == Ending::StillThere) KillAndReap(child);
    if (ending != Ending::Gone) Drain(child, collector);
    close(child.out);
    collector.Finish();
    if (ending == Ending::Reaped) Record(result, child.status);
    return result;
}

}  // namespace store
