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
// is done with.
bool ReadSome(int fd, Collector& collector) {
    char buffer[8192];
    const ssize_t n = read(fd, buffer, sizeof buffer);
    if (n > 0) {
        collector.Take(buffer, static_cast<std::size_t>(n));
        return true;
    }
    return n < 0 && (errno == EINTR || errno == EAGAIN);
}

}  // namespace

ChildResult RunChild(const std::vector<std::string>& argv, std::chrono::milliseconds limit,
                     const ChildWatch& watch) {
    ChildResult result;
    int pipeFds[2];
    if (pipe2(pipeFds, O_CLOEXEC) != 0) {
        result.spawnError = errno;
        return result;
    }
    pid_t pid = -1;
    result.spawnError = Start(argv, pipeFds[1], pid);
    close(pipeFds[1]);
    if (result.spawnError != 0) {
        close(pipeFds[0]);
        return result;
    }

    Collector collector(watch, result.output);
    const Clock::time_point deadline = Clock::now() + limit;
    Clock::time_point asked = Clock::now() - kTick;
    bool open = true;
    int status = 0;
    bool reaped = false;
    while (!reaped) {
        const Clock::time_point now = Clock::now();
        if (now >= deadline) {
            result.timedOut = true;
            break;
        }
        if (watch.keepGoing && now - asked >= kTick / 2) {
            asked = now;
            if (!watch.keepGoing()) {
                result.stopped = true;
                break;
            }
        }
        const int wait = MillisecondsLeft(deadline);
        if (open) {
            pollfd fd{pipeFds[0], POLLIN, 0};
            const int ready = poll(&fd, 1, wait);
            if (ready < 0 && errno != EINTR) {
                result.waitError = errno;
                break;
            }
            if (ready > 0) open = ReadSome(pipeFds[0], collector);
        } else {
            // The output is closed; the child may still be on its way out.
            const timespec pause{0, std::min(wait, 5) * 1'000'000L};
            nanosleep(&pause, nullptr);
        }
        const pid_t done = waitpid(pid, &status, WNOHANG);
        if (done == pid) reaped = true;
        if (done < 0 && errno == ECHILD) {
            // Reaped by someone else's SIGCHLD handler: gone, how unknown.
            close(pipeFds[0]);
            collector.Finish();
            return result;
        }
    }
    if (!reaped) {
        kill(-pid, SIGKILL);
        kill(pid, SIGKILL);
        while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
    }
    // What is left in the pipe, without waiting on anyone who still holds it.
    for (pollfd fd{pipeFds[0], POLLIN, 0}; open && poll(&fd, 1, 0) > 0;)
        open = ReadSome(pipeFds[0], collector);
    close(pipeFds[0]);
    collector.Finish();
    if (reaped) Record(result, status);
    return result;
}

}  // namespace store
