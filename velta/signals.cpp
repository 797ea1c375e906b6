// The process's end by a signal. A signal that asks the program to end (Ctrl+C in a terminal,
// kill, a closed terminal) ends it as the Quit command does: the next wait returns quit, and the
// program's own shutdown writes a recording's counted ticks and closes the file. A second such
// signal before the program has shut down, or a crash (a bad address, an abort, an arithmetic or
// illegal instruction fault), writes the counted ticks from the handler itself with calls that
// are safe there, and then lets the signal's default action end the process.
//
// Every recorded line is already on disk (script.cpp writes each one through), so all the handler
// ever adds is the one periodic line of the ticks counted since the last line.
#include <csignal>
#include <cstddef>

#ifdef _WIN32
#include <io.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include "library_state.h"
#include "platform/platform.h"

namespace {

struct Caught {
    int number;
    bool ends;  // asks the program to end, rather than a crash
};

constexpr Caught kSignals[] = {
    {SIGINT, true},   {SIGTERM, true},
#ifndef _WIN32
    {SIGHUP, true},   {SIGBUS, false},
#endif
    {SIGSEGV, false}, {SIGABRT, false}, {SIGFPE, false}, {SIGILL, false},
};
constexpr std::size_t kCount = sizeof kSignals / sizeof kSignals[0];

#ifdef _WIN32
using Previous = void (*)(int);
#else
using Previous = struct sigaction;
#endif
Previous previous[kCount];
bool installed[kCount] = {};
volatile std::sig_atomic_t end_requested = 0;

// Writes the recording's pending periodic line straight to the file's descriptor: no allocation,
// no stdio, no locks.
void write_counted_ticks() {
    const VeltaState& s = velta_state;
    if (!s.recording || s.periodic_count <= 0) return;
    int fd = s.script_mode == 'w' ? s.script_fd : -1;
#ifndef _WIN32
    // Nothing written yet: the count is the recording's first line, and creates the file as any
    // first line does (a regular file only, and never blocking on anything else).
    if (s.script_mode == 0 && s.script == nullptr) {
        fd = open("VELTA.SCR", O_WRONLY | O_CREAT | O_TRUNC | O_NONBLOCK | O_CLOEXEC, 0666);
        struct stat st {};
        if (fd >= 0 && (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode))) fd = -1;
    }
#endif
    if (fd < 0) return;
    char line[40] = "VELTA_PERIODIC(";
    std::size_t n = sizeof "VELTA_PERIODIC(" - 1;
    char digits[12];
    std::size_t d = 0;
    for (unsigned value = static_cast<unsigned>(s.periodic_count); value != 0; value /= 10)
        digits[d++] = static_cast<char>('0' + value % 10);
    while (d > 0) line[n++] = digits[--d];
    line[n++] = ')';
    line[n++] = ';';
    line[n++] = '\n';
    for (std::size_t done = 0; done < n;) {
#ifdef _WIN32
        int wrote = _write(fd, line + done, static_cast<unsigned>(n - done));
#else
        ssize_t wrote = write(fd, line + done, n - done);
#endif
        if (wrote <= 0) return;
        done += static_cast<std::size_t>(wrote);
    }
}

// Writes what is pending and ends the process with the signal's own default action, so that the
// parent sees how the program ended (a core dump for a crash).
void die_by(int number) {
    write_counted_ticks();
    std::signal(number, SIG_DFL);
    std::raise(number);  // delivered, with the default action, as the handler returns
}

extern "C" void on_signal(int number) {
    bool ends = false;
    for (const Caught& c : kSignals)
        if (c.number == number) ends = c.ends;
    if (ends && !end_requested) {
        end_requested = 1;
        plat::post_quit_from_signal();
        return;
    }
    die_by(number);
}

}  // namespace

void velta_catch_signals() {
#ifndef __EMSCRIPTEN__
    end_requested = 0;
    for (std::size_t i = 0; i < kCount; ++i) {
        if (installed[i]) continue;
#ifdef _WIN32
        Previous old = std::signal(kSignals[i].number, on_signal);
        if (old == SIG_DFL) {
            previous[i] = old;
            installed[i] = true;
        } else if (old != SIG_ERR) {
            std::signal(kSignals[i].number, old);  // the program handles or ignores it itself
        }
#else
        struct sigaction old {};
        if (sigaction(kSignals[i].number, nullptr, &old) != 0 || old.sa_handler != SIG_DFL ||
            (old.sa_flags & SA_SIGINFO) != 0)
            continue;  // the program handles or ignores it itself (nohup, a sanitizer, ...)
        struct sigaction action {};
        action.sa_handler = on_signal;
        sigemptyset(&action.sa_mask);
        // Interrupted writes of the script go on; the wait's sleep still wakes up.
        action.sa_flags = SA_RESTART;
        if (sigaction(kSignals[i].number, &action, nullptr) == 0) {
            previous[i] = old;
            installed[i] = true;
        }
#endif
    }
#endif
}

void velta_release_signals() {
    for (std::size_t i = 0; i < kCount; ++i) {
        if (!installed[i]) continue;
#ifdef _WIN32
        std::signal(kSignals[i].number, previous[i]);
#else
        sigaction(kSignals[i].number, &previous[i], nullptr);
#endif
        installed[i] = false;
    }
    end_requested = 0;
}
