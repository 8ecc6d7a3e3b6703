// Runs a piece of a test in a forked child under resource limits (address space, CPU time,
// processes), so that running out, or hanging, ends the child and not the test.
#pragma once

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <exception>
#include <functional>
#include <string>

namespace testproc {

struct ChildLimits {
    rlim_t addressSpace = RLIM_INFINITY;  // bytes (RLIMIT_AS)
    rlim_t cpuSeconds = RLIM_INFINITY;    // RLIMIT_CPU: SIGXCPU ends a child that spins
    unsigned alarmSeconds = 20;           // SIGALRM ends a child that blocks
};

// The child's exit code, or 128 + the signal that ended it.
inline int statusInChild(const ChildLimits& limits, const std::function<int()>& body)
{
    const pid_t child = fork();
    if (child < 0)
        return -1;
    if (child == 0) {
        if (limits.addressSpace != RLIM_INFINITY) {
            const rlimit l{limits.addressSpace, limits.addressSpace};
            setrlimit(RLIMIT_AS, &l);
        }
        if (limits.cpuSeconds != RLIM_INFINITY) {
            const rlimit l{limits.cpuSeconds, limits.cpuSeconds + 1};
            setrlimit(RLIMIT_CPU, &l);
        }
        alarm(limits.alarmSeconds);
        int code = 0;
        try {
            code = body();
        } catch (const std::exception& e) {
            std::fprintf(stderr, "exception let out: %s\n", e.what());
            code = 101;
        } catch (...) {
            code = 101;  // an exception the code under test let out
        }
        _exit(code);
    }
    int status = 0;
    while (waitpid(child, &status, 0) < 0) {
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

// A FIFO at `path` fed by a child that writes `head` once, then `filler` for ever (until the
// reader goes away). Killed and reaped when it goes out of scope.
class EndlessFifo {
  public:
    EndlessFifo(const std::string& path, const std::string& head, const std::string& filler)
    {
        mkfifo(path.c_str(), 0600);
        writer_ = fork();
        if (writer_ == 0) {
            signal(SIGPIPE, SIG_DFL);
            const int fd = open(path.c_str(), O_WRONLY);
            if (fd < 0 || write(fd, head.data(), head.size()) < 0)
                _exit(1);
            const std::string block = [&] {
                std::string b;
                while (b.size() < 65536)
                    b += filler;
                return b;
            }();
            while (write(fd, block.data(), block.size()) > 0) {
            }
            _exit(0);
        }
    }
    ~EndlessFifo()
    {
        if (writer_ > 0) {
            kill(writer_, SIGKILL);
            waitpid(writer_, nullptr, 0);
        }
    }
    EndlessFifo(const EndlessFifo&) = delete;
    EndlessFifo& operator=(const EndlessFifo&) = delete;

  private:
    pid_t writer_ = -1;
};

}  // namespace testproc
