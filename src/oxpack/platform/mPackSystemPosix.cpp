// mPackSystem: POSIX.
#include <signal.h>
#include <time.h>
#include <unistd.h>

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <thread>

#include "mPackSystem.h"

namespace {

void (*StopRun)() = nullptr;  // set once, before the signals are waited for

}  // namespace

// The arguments are UTF-8 already; case-insensitive comparison needs a
// UTF-8 character table, whatever the caller's locale.
std::vector<std::string> CommandArguments(int argc, char **argv)
{
    if (!std::setlocale(LC_CTYPE, "C.UTF-8"))
        std::setlocale(LC_CTYPE, "");
    return std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + (argc > 0 ? argc : 0));
}

void WriteStandard(bool toError, const std::string &text)
{
    FILE *stream = toError ? stderr : stdout;
    std::fwrite(text.data(), 1, text.size(), stream);
    std::fflush(stream);
}

bool ErrorIsConsole()
{
    return isatty(STDERR_FILENO) != 0;
}

// The signals are taken by a thread of its own (sigwait), so that the stop
// routine runs as ordinary code, never inside a signal handler.
void OnInterrupt(void (*stop)())
{
    StopRun = stop;
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGTERM);
    sigaddset(&set, SIGHUP);
    pthread_sigmask(SIG_BLOCK, &set, nullptr);
    std::thread([set] {
        int signal = 0;
        while (sigwait(&set, &signal) == 0)
            if (StopRun)
                StopRun();
    }).detach();
}

uint32_t TickCount()
{
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<uint32_t>(static_cast<uint64_t>(now.tv_sec) * 1000 + now.tv_nsec / 1000000);
}

bool EnvironmentValue(const char *name, std::string &value)
{
    const char *found = getenv(name);
    if (!found)
        return false;
    value = found;
    return true;
}
