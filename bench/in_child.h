// Runs a measurement in a forked child, so that its peak memory and GL state are its own.
#pragma once

#include <sys/wait.h>
#include <unistd.h>

#include <type_traits>

// What `measure()` returns in a child process, or `failed` if the child could not report.
// The result travels through a pipe as bytes, so it must be trivially copyable.
template <typename Result, typename Measure>
Result inChild(Measure measure, Result failed)
{
    static_assert(std::is_trivially_copyable<Result>::value, "sent through a pipe as bytes");
    int fds[2];
    if (pipe(fds) != 0)
        return failed;
    const pid_t child = fork();
    if (child == 0) {
        close(fds[0]);
        const Result mine = measure();
        const ssize_t written = write(fds[1], &mine, sizeof mine);
        _exit(written == sizeof mine ? 0 : 1);
    }
    close(fds[1]);
    Result r = failed;
    if (child < 0 || read(fds[0], &r, sizeof r) != sizeof r)
        r = failed;
    close(fds[0]);
    if (child > 0)
        waitpid(child, nullptr, 0);
    return r;
}
