#include "store/child_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

extern char** environ;

namespace store {

namespace {

constexpr std::size_t kMaxOutput = 64 * 1024;

using Clock = std::chrono::steady_clock;

int MillisecondsLeft(Clock::time_point deadline) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return static_cast<int>(std::clamp<long long>(left, 0, 60'000));
}

class Spawn {
public:
    Spawn() {
        posix_spawn_file_actions_init(&actions);
        posix_spawnattr_init(&attributes);
    }
    ~Spawn() {
        posix_spawn_file_actions_destroy(&actions);
        posix_spawnattr_destroy(&attributes);
    }
    Spawn(const Spawn&) = delete;
    Spawn& operator=(const Spawn&) = delete;

    posix_spawn_file_actions_t actions;
    posix_spawnattr_t attributes;
};

void Record(ChildResult& result, int status) {
    if (WIFEXITED(status)) {
        result.exited = true;
        result.exitCode = WEXITSTATUS(status);
    } else if (WIFSIGNALED(status)) {
        result.signal = WTERMSIG(status);
    }
}

}  // namespace

ChildResult RunChild(const std::vector<std::string>& argv, std::chrono::milliseconds limit) {
    ChildResult result;
    int pipeFds[2];
    if (pipe2(pipeFds, O_CLOEXEC) != 0) {
        result.spawnError = errno;
        return result;
    }

    Spawn spawn;
    posix_spawn_file_actions_addopen(&spawn.actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&spawn.actions, pipeFds[1], 1);
    posix_spawn_file_actions_adddup2(&spawn.actions, pipeFds[1], 2);
    // A group of its own, so that killing it reaches anything it started;
    // default signal handling and no blocked signals, whatever ours are.
    sigset_t none, defaults;
    sigemptyset(&none);
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGPIPE);
    sigaddset(&defaults, SIGTERM);
    sigaddset(&defaults, SIGINT);
    posix_spawnattr_setsigmask(&spawn.attributes, &none);
    posix_spawnattr_setsigdefault(&spawn.attributes, &defaults);
    posix_spawnattr_setpgroup(&spawn.attributes, 0);
    posix_spawnattr_setflags(
        &spawn.attributes, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);

    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);

    pid_t pid = -1;
    const int error =
        posix_spawn(&pid, args[0], &spawn.actions, &spawn.attributes, args.data(), environ);
    close(pipeFds[1]);
    if (error != 0) {
        close(pipeFds[0]);
        result.spawnError = error;
        return result;
    }

    const Clock::time_point deadline = Clock::now() + limit;
    bool open = true;
    char buffer[8192];
    int status = 0;
    bool reaped = false;
    while (!reaped) {
        const int wait = MillisecondsLeft(deadline);
        if (wait == 0 && Clock::now() >= deadline) break;
        if (open) {
            pollfd fd{pipeFds[0], POLLIN, 0};
            const int ready = poll(&fd, 1, wait);
            if (ready < 0 && errno != EINTR) break;
            if (ready > 0) {
                const ssize_t n = read(pipeFds[0], buffer, sizeof buffer);
                if (n > 0) {
                    const std::size_t room =
                        kMaxOutput - std::min(kMaxOutput, result.output.size());
                    result.output.append(buffer, std::min<std::size_t>(room, n));
                } else if (n == 0 || (errno != EINTR && errno != EAGAIN)) {
                    open = false;
                }
            }
        } else {
            // The output is closed; the child may still be on its way out.
            const timespec pause{0, 5'000'000};
            nanosleep(&pause, nullptr);
        }
        const pid_t done = waitpid(pid, &status, WNOHANG);
        if (done == pid) reaped = true;
        if (done < 0 && errno == ECHILD) {
            // Reaped by someone else's SIGCHLD handler: gone, how unknown.
            close(pipeFds[0]);
            return result;
        }
    }
    // What is left in the pipe, without waiting on anyone who still holds it.
    for (pollfd fd{pipeFds[0], POLLIN, 0}; reaped && open && poll(&fd, 1, 0) > 0;) {
        const ssize_t n = read(pipeFds[0], buffer, sizeof buffer);
        if (n <= 0) break;
        const std::size_t room = kMaxOutput - std::min(kMaxOutput, result.output.size());
        result.output.append(buffer, std::min<std::size_t>(room, n));
    }
    close(pipeFds[0]);
    if (!reaped) {
        result.timedOut = true;
        kill(-pid, SIGKILL);
        kill(pid, SIGKILL);
        while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
        return result;
    }
    Record(result, status);
    return result;
}

}  // namespace store
