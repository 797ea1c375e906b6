// Fuzz target for the event machinery: a random user against the real library on the headless
// backend. The input bytes are a program of actions (time passing, clicks, typed characters, Ctrl
// commands and menu choices in any order, the animation and logging calls, waits, and rewriting or
// deleting VELTA.SCR between steps). Each input starts with no VELTA.SCR in the target's working
// directory (in memory where there is /dev/shm) and with the library as velta_init leaves it (the
// windows of one start are reused from input to input, see "a fresh library for each input"), and
// ends as a program does, with velta_shutdown.
//
// The target keeps its own model of what the script file and the event stream must be, and after
// every message the graphics window handles, every script read and every wait it checks:
// - the script file is never read while open for writing, nor written while open for reading;
// - every event that the wait returned while recording is in the file when recording stops or the
//   program ends, in order, with periodic events counted exactly;
// - a recording that wrote no line leaves whatever was there before untouched, and nothing else
//   ever changes the file;
// - playing a file back yields exactly the events it holds, in order, then the end-of-file
//   message; a file that is missing or not a regular file yields the cannot-open message;
// - the check marks of Logging, Record Script and Playback Script match their flags (the Playback
//   mark stays on while a playback is paused on a line it did not recognise, with its file open,
//   so that choosing Playback again goes on after that line);
// - a quit is never lost, and never returned more often than it was asked for: each quit message
//   (the Quit command, Ctrl+Q or Ctrl+F2 reaching the graphics window's procedure) is returned by
//   exactly one wait, once the input queued ahead of it has been handled; a quit posted while an
//   earlier one is still in the queue is the same message, as the platform's queue holds one quit;
//   a wait that takes a quit from the queue returns it;
// - after the application's quit (velta_set_animation with the quit mode) and once the graphics
//   window is gone, every wait returns quit at once: no sleep, no virtual time passing, x, y and
//   key 0;
// - the library leaves the signal handlers that the fuzzer installed alone, and restores every
//   disposition at shutdown.
// A violation aborts with a description, so libFuzzer reports it with the input.
//
// Actions are single letters followed by their argument bytes, so the seed corpus is readable
// text. Any other byte stands for one of the actions.
//   A H F L R P O Q I   choose Run menu command 1..9 (I is a grayed informational item)
//   c<k>                Ctrl held around key k of a table (command letters, keypad, F1-F3, others)
//   d  u                Ctrl pressed or released alone
//   m<x><y>             left click in the graphics window's client area
//   k<c>                type character c in the graphics window
//   t<c>                type character c in the text window (forwarded to the graphics window)
//   T<n>                let (n % 8 + 1) * 50 ms pass
//   a<n>                velta_set_animation with one of 0, 1, 2, 5, 3, 4, 6, -1
//   l<n>                velta_set_logging(n % 3)
//   w  W                one wait; two waits
//   p                   one velta_pump
//   f<n><items...>      replace VELTA.SCR by a script of n % 8 generated lines
//   x                   delete VELTA.SCR
//   D                   replace VELTA.SCR by a directory
//   C  E                close box of the graphics window; of the text window
#include <fcntl.h>
#include <signal.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <csignal>
#include <cstdarg>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "library_state.h"
#include "platform/backend.h"
#include "platform/headless/headless.h"
#include "velta/velta.h"

// The wait's script reads are routed through the target (the link option --wrap), so that it sees
// exactly which events came from the file and when the file was opened for reading.
extern "C" int __real__Z23velta_read_script_eventv();
// The pump's peeks likewise, so that it sees a quit leave the queue.
extern "C" bool __real__ZN4plat12peek_messageEPNS_7MessageE(plat::Message* msg);

// The target's helpers that only read the state it checks (the file, the menu, the pixels) are
// left out of the coverage: their branches say nothing about the library's behaviour, and each
// runs many times an input.
#define NO_COVERAGE __attribute__((no_sanitize("coverage")))

namespace {

namespace fs = std::filesystem;
namespace hl = plat::headless;

constexpr const char* kScript = "VELTA.SCR";
const std::string kEofMessage = "EOF encountered in script file VELTA.SCR\n";
const std::string kReadMessage = "Cannot open script file VELTA.SCR for reading\n";
const std::string kWriteMessage = "Cannot open script file VELTA.SCR for writing\n";

// The directory the fuzzer was started in: libFuzzer's relative paths (the corpus, the crash
// files) count from there.
int caller_dir = -1;

[[noreturn]] void violation(const char* format, ...) {
    std::va_list args;
    va_start(args, format);
    std::fprintf(stderr, "event fuzz: ");
    std::vfprintf(stderr, format, args);
    std::fprintf(stderr, "\n");
    va_end(args);
    if (caller_dir >= 0 && fchdir(caller_dir) != 0) std::perror("event fuzz: fchdir");
    std::abort();
}

// With EVENT_FUZZ_TRACE set, each action is printed as it runs (for reading a crash input).
bool tracing() {
    static const bool on = std::getenv("EVENT_FUZZ_TRACE") != nullptr;
    return on;
}

// ---- the script file as it stands on disk ----

struct PathState {
    enum Kind { kAbsent, kDirectory, kFile } kind = kAbsent;
    std::string content;
    bool operator==(const PathState& o) const {
        return kind == o.kind && (kind != kFile || content == o.content);
    }
};

NO_COVERAGE std::string describe(const PathState& p) {
    switch (p.kind) {
        case PathState::kAbsent:
            return "no file";
        case PathState::kDirectory:
            return "a directory";
        default:
            return "\"" + p.content + "\"";
    }
}

// With EVENT_FUZZ_SELF_CHECK set, the target checks its own shortcuts (slow): the file as last
// read against the file itself, at every look; every pixel of both windows at every start.
bool self_check() {
    static const bool on = std::getenv("EVENT_FUZZ_SELF_CHECK") != nullptr;
    return on;
}

NO_COVERAGE PathState read_path_now() {
    PathState p;
    struct stat st {};
    if (lstat(kScript, &st) != 0) return p;
    if (S_ISDIR(st.st_mode)) {
        p.kind = PathState::kDirectory;
        return p;
    }
    p.kind = PathState::kFile;
    int fd = open(kScript, O_RDONLY);
    if (fd >= 0) {
        char buffer[4096];
        ssize_t n;
        while ((n = read(fd, buffer, sizeof buffer)) > 0)
            p.content.append(buffer, static_cast<std::size_t>(n));
        close(fd);
    }
    return p;
}

// The path is looked at after every message, but changes seldom: an inotify watch on the directory
// says when anything in it was created, written, truncated, renamed or removed, and only then is
// the path read again. The watch raises a signal on this thread as each event is queued, that is
// before the system call that caused it returns, so that a look needs no system call of its own
// while nothing happened. (Without a signal the watch is read at every look; without inotify the
// path is.)
int watch_fd = -1;
bool watch_signals = false;
volatile std::sig_atomic_t directory_touched = 1;
bool cache_valid = false;
PathState cached_path;

extern "C" void on_directory_event(int) {
    directory_touched = 1;
}

void watch_directory(const std::string& dir) {
    watch_fd = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (watch_fd < 0) return;
    constexpr std::uint32_t kChanges = IN_CREATE | IN_DELETE | IN_MODIFY | IN_ATTRIB |
                                       IN_CLOSE_WRITE | IN_MOVED_FROM | IN_MOVED_TO |
                                       IN_DELETE_SELF | IN_MOVE_SELF;
    if (inotify_add_watch(watch_fd, dir.c_str(), kChanges) < 0) {
        close(watch_fd);
        watch_fd = -1;
        return;
    }
    int number = SIGRTMIN + 1;
    struct sigaction action {};
    action.sa_handler = on_directory_event;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    f_owner_ex owner{F_OWNER_TID, static_cast<pid_t>(syscall(SYS_gettid))};
    watch_signals = sigaction(number, &action, nullptr) == 0 &&
                    fcntl(watch_fd, F_SETSIG, number) == 0 &&
                    fcntl(watch_fd, F_SETOWN_EX, &owner) == 0 &&
                    fcntl(watch_fd, F_SETFL, O_NONBLOCK | O_ASYNC) == 0;
}

// Whether anything happened in the directory since the last call (an overflowed queue counts).
NO_COVERAGE bool directory_changed() {
    if (watch_fd < 0) return true;
    if (watch_signals) {
        if (!directory_touched) return false;
        directory_touched = 0;  // before the reading, so that a later event sets it again
    }
    alignas(struct inotify_event) char buffer[4096];
    bool changed = false;
    for (;;) {
        ssize_t n = read(watch_fd, buffer, sizeof buffer);
        if (n <= 0) break;
        changed = true;
    }
    return changed;
}

NO_COVERAGE const PathState& read_path() {
    // The events are taken before the path is read, so that a change after the reading is seen
    // at the next look.
    if (directory_changed() || !cache_valid) {
        cached_path = read_path_now();
        cache_valid = true;
    } else if (self_check() && !(read_path_now() == cached_path)) {
        violation("the script file changed without an inotify event: %s, last read %s",
                  describe(read_path_now()).c_str(), describe(cached_path).c_str());
    }
    return cached_path;
}

void remove_path() {
    std::error_code ignored;
    fs::remove_all(kScript, ignored);
}

// ---- events and script lines ----

struct Event {
    int kind;
    int x;
    int y;
    char key;
};

std::string mouse_line(int x, int y) {
    return "VELTA_MOUSE(" + std::to_string(x) + ", " + std::to_string(y) + ");\n";
}
std::string key_line(char key) {
    return "VELTA_KBD(" + std::to_string(static_cast<int>(static_cast<signed char>(key))) + ");\n";
}
std::string periodic_line(int count) {
    return "VELTA_PERIODIC(" + std::to_string(count) + ");\n";
}

// One line of a script as playback must take it.
struct ScriptItem {
    bool known;  // false: a kind letter that playback does not recognise
    int kind;
    int x, y;
    char key;
    int count;  // periodic lines: the number of events the line stands for
};

// The numbers that follow the kind letter: each is the next run of digits (and minus signs where
// allowed), as the generated and recorded lines spell them.
long long number_after(const std::string& line, std::size_t& pos, bool minus) {
    auto fits = [minus](char c) { return (c >= '0' && c <= '9') || (minus && c == '-'); };
    while (pos < line.size() && !fits(line[pos])) ++pos;
    std::size_t start = pos;
    while (pos < line.size() && fits(line[pos])) ++pos;
    return start == pos ? 0 : std::strtoll(line.substr(start, pos - start).c_str(), nullptr, 10);
}

// Reads the whole script the way playback must: blank lines skipped, a last line without a line
// feed not played. Only the line forms that this target writes and the library records occur.
std::vector<ScriptItem> parse_script(const std::string& text) {
    std::vector<ScriptItem> items;
    std::size_t start = 0;
    for (;;) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) break;  // the end of the file
        std::string line = text.substr(start, end - start);
        start = end + 1;
        if (line.empty() || line == "\r") continue;
        ScriptItem item{true, 0, 0, 0, 0, 1};
        std::size_t pos = 6;
        char kind = line.size() > 6 ? line[6] : '\0';
        if (kind == 'K') {
            item.kind = EVENT_KEY;
            item.key = static_cast<char>(number_after(line, pos, true) & 0xFF);
        } else if (kind == 'M') {
            item.kind = EVENT_MOUSE;
            item.x = static_cast<int>(number_after(line, pos, true));
            item.y = static_cast<int>(number_after(line, pos, true));
        } else if (kind == 'P') {
            item.kind = EVENT_PERIODIC;
            long long n = number_after(line, pos, false);
            item.count = n > 1 ? static_cast<int>(n) : 1;
        } else {
            item.known = false;
        }
        items.push_back(item);
    }
    return items;
}

// ---- the model ----

struct Model {
    // What VELTA.SCR must hold whenever the library has no recording writing to it.
    PathState expected_path;

    // The recording that is on, if any.
    bool session = false;
    bool file_open = false;  // the recording has created its file
    bool detached = false;   // the path was replaced while the recording had its file open
    PathState baseline;      // what was there when the recording started
    std::string content;     // what the recording has written
    int count = 0;           // periodic events not yet written

    // The playback that has the file open for reading.
    std::vector<ScriptItem> items;
    std::size_t next_item = 0;
    int remaining = 0;  // periodic events of the current line still to come
    bool paused_on_unknown = false;

    // Quit messages posted and not yet returned by a wait, oldest first. Each holds how many input
    // messages had been queued for each window when it was posted: they are handled before it.
    // A wait returns a quit it takes from the queue at once, but velta_pump may take one too, and
    // the next waits must still return it; a quit posted before they have may count as a message
    // of its own or as the same one (`may_merge`).
    struct QuitMessage {
        std::uint64_t graphics_input;
        std::uint64_t text_input;
        bool taken;      // it came out of the queue
        bool may_merge;  // posted while an earlier quit was out of the queue but not yet returned
    };
    std::deque<QuitMessage> quits;
    bool quit_in_queue = false;  // the last quit posted has not been taken from the queue yet
    std::uint64_t quits_taken = 0;
    bool quit_seen = false;   // a quit message, the application's quit or the close box came
    bool quit_asked = false;  // input that may ask for a quit was queued
    bool app_quit = false;    // velta_set_animation(ANIMATION_QUIT) succeeded
    bool ctrl = false;        // Ctrl is down, as the graphics window's procedure has seen its keys

    // Input messages queued for the graphics window (by the user, or forwarded by the text
    // window's procedure) and for the text window, and how many of each the procedures handled.
    std::uint64_t graphics_queued = 0;
    std::uint64_t forwarded = 0;
    std::uint64_t text_queued = 0;
    std::uint64_t graphics_handled = 0;
    std::uint64_t text_handled = 0;

    std::vector<std::string> expected_messages;
    std::vector<std::string> seen_messages;
    std::int32_t ring_seen = 0;  // the console's next slot when messages were last collected

    std::size_t injected = 0;  // input messages handed to the platform
};

Model model;
plat::WndProc graphics_proc = nullptr;
plat::WndProc text_proc = nullptr;
std::uint64_t sentinel_generation = 0;

// Messages the console received since they were last collected.
void collect_messages() {
    std::int32_t next = velta_ring_next();
    while (model.ring_seen != next) {
        const char* text = velta_console_slot(model.ring_seen);
        model.seen_messages.push_back(text != nullptr ? text : "");
        model.ring_seen = model.ring_seen == kRingSlots - 1 ? 0 : model.ring_seen + 1;
    }
    if (model.seen_messages != model.expected_messages) {
        std::string seen, expected;
        for (const auto& m : model.seen_messages) seen += "[" + m + "]";
        for (const auto& m : model.expected_messages) expected += "[" + m + "]";
        violation("console messages %s, expected %s", seen.c_str(), expected.c_str());
    }
}

NO_COVERAGE bool menu_checked(std::uint32_t command) {
    for (const auto& item : velta_state.run_menu->items)
        if (item.id == command && !(item.flags & plat::mf::separator))
            return (item.flags & plat::mf::checked) != 0;
    return false;
}

// The marks that check_state compares with the flags, in one pass over the Run menu.
struct Marks {
    bool logging = false;
    bool record = false;
    bool playback = false;
};

NO_COVERAGE Marks run_menu_marks() {
    Marks marks;
    bool seen_logging = false, seen_record = false, seen_playback = false;
    for (const auto& item : velta_state.run_menu->items) {
        if (item.flags & plat::mf::separator) continue;
        bool on = (item.flags & plat::mf::checked) != 0;
        if (item.id == CMD_LOGGING && !seen_logging) marks.logging = on, seen_logging = true;
        if (item.id == CMD_RECORD && !seen_record) marks.record = on, seen_record = true;
        if (item.id == CMD_PLAYBACK && !seen_playback) marks.playback = on, seen_playback = true;
    }
    return marks;
}

// Writes one line of the recording where the library must write it.
void record_line(const std::string& line) {
    if (!model.file_open) {
        if (read_path().kind == PathState::kDirectory) {
            model.expected_messages.push_back(kWriteMessage);
            return;  // lost; the next line tries again
        }
        model.file_open = true;
        model.content.clear();
        if (!model.detached) model.expected_path = PathState{PathState::kFile, ""};
    }
    model.content += line;
    if (!model.detached) model.expected_path.content = model.content;
}

void begin_session() {
    model.session = true;
    model.file_open = false;
    model.detached = false;
    model.baseline = model.expected_path;
    model.content.clear();
    model.count = 0;
}

void end_session() {
    if (model.count > 0) record_line(periodic_line(model.count));
    model.count = 0;
    model.session = false;
    const PathState& now = read_path();
    if (!model.file_open && !(now == model.baseline))
        violation("a recording that wrote no line left %s where %s was", describe(now).c_str(),
                  describe(model.baseline).c_str());
    if (model.file_open && !model.detached && !(now == model.expected_path))
        violation("the recording left %s, expected %s", describe(now).c_str(),
                  describe(model.expected_path).c_str());
    model.file_open = false;
    model.detached = false;
}

// An event that the wait returned while recording.
void record_event(const Event& e) {
    if (e.kind == EVENT_PERIODIC) {
        ++model.count;
        return;
    }
    if (model.count > 0) record_line(periodic_line(model.count));
    model.count = 0;
    if (e.kind == EVENT_MOUSE) record_line(mouse_line(e.x, e.y));
    if (e.kind == EVENT_KEY) record_line(key_line(e.key));
}

// The invariants that hold between any two messages.
void check_state(const char* where) {
    VeltaState& s = velta_state;
    if (model.session && !s.recording) end_session();
    if (!model.session && s.recording) begin_session();

    if ((s.script == nullptr) != (s.script_mode == 0))
        violation("%s: script handle and mode disagree", where);
    if (s.script != nullptr) {
        if (std::ferror(s.script))
            violation(
                "%s: the script file was read while open for writing, or written while "
                "open for reading",
                where);
        int access = fcntl(fileno(s.script), F_GETFL) & O_ACCMODE;
        int wanted = s.script_mode == 'w' ? O_WRONLY : O_RDONLY;
        if (access != wanted) violation("%s: the script file is open in the wrong mode", where);
    }
    Marks marks = run_menu_marks();
    // A playback paused on an unrecognised line stays paused while its file is open and its mark
    // on.
    if (s.script_mode != 'r' || !marks.playback) model.paused_on_unknown = false;

    if (marks.logging != (s.logging != 0))
        violation("%s: Logging mark %d, flag %d", where, marks.logging, s.logging);
    if (marks.record != (s.recording != 0))
        violation("%s: Record mark %d, flag %d", where, marks.record, s.recording);
    bool playback_mark = marks.playback;
    if (playback_mark != (s.playback != 0) && !(playback_mark && model.paused_on_unknown))
        violation("%s: Playback mark %d, flag %d", where, playback_mark, s.playback);

    // Only the recording that is writing may change the file, and what it has written so far is
    // on its way there (the library may still hold some of it in its buffer).
    const PathState& now = read_path();
    bool writing = model.session && model.file_open && !model.detached;
    if (writing) {
        if (now.kind != PathState::kFile ||
            model.content.compare(0, now.content.size(), now.content) != 0)
            violation("%s: the recording's file holds %s, expected a beginning of \"%s\"", where,
                      describe(now).c_str(), model.content.c_str());
    } else if (!(now == model.expected_path)) {
        violation("%s: the script file holds %s, expected %s", where, describe(now).c_str(),
                  describe(model.expected_path).c_str());
    }
    collect_messages();
}

bool is_input(std::uint32_t msg) {
    return msg == plat::wm::key_down || msg == plat::wm::key_up ||
           msg == plat::wm::left_button_down || msg == plat::wm::close || msg == plat::wm::command;
}

// A quit message is posted. The platform's queue holds one quit: posted again before a wait has
// taken it, it is still the one message.
void quit_posted() {
    model.quit_seen = true;
    if (model.quit_in_queue) return;
    model.quit_in_queue = true;
    bool taken_not_returned = !model.quits.empty() && model.quits.back().taken;
    model.quits.push_back(Model::QuitMessage{model.graphics_queued + model.forwarded,
                                             model.text_queued, false, taken_not_returned});
}

// Whether a quit message is still to be returned by a wait.
bool quit_due() {
    for (const auto& q : model.quits)
        if (!q.may_merge) return true;
    return false;
}

// The graphics window's procedure, watched: the commands change the flags, Record Script off
// writes the recording's last line and closes its file, and the Quit command, Ctrl+Q and Ctrl+F2
// post a quit, as closing the window does.
plat::LResult watched_proc(plat::Window w, std::uint32_t msg, plat::WParam wparam,
                           plat::LParam lparam) {
    check_state("before a message");
    if (is_input(msg)) ++model.graphics_handled;
    if ((velta_state.ctrl_held != 0) != model.ctrl)
        violation("Ctrl held is %d, but the keys say %d", velta_state.ctrl_held, model.ctrl);
    if (msg == plat::wm::key_down && wparam == plat::vk::control) model.ctrl = true;
    if (msg == plat::wm::key_up && wparam == plat::vk::control) model.ctrl = false;
    bool quit = (msg == plat::wm::command && wparam == CMD_QUIT) ||
                (msg == plat::wm::key_down && model.ctrl && (wparam == 'Q' || wparam == 113)) ||
                msg == plat::wm::destroy;
    if (quit) quit_posted();
    plat::LResult result = graphics_proc(w, msg, wparam, lparam);
    check_state("after a message");
    return result;
}

// The text window's procedure, watched: it forwards its keys to the graphics window; closing it
// drops what was queued for it.
plat::LResult watched_text_proc(plat::Window w, std::uint32_t msg, plat::WParam wparam,
                                plat::LParam lparam) {
    if (is_input(msg)) ++model.text_handled;
    bool forwards = (msg == plat::wm::key_down || msg == plat::wm::key_up) &&
                    plat::is_window(velta_state.graphics);
    plat::LResult result = text_proc(w, msg, wparam, lparam);
    if (forwards) ++model.forwarded;
    if (!plat::is_window(w)) {
        model.text_queued = model.text_handled;
        for (auto& q : model.quits)
            if (q.text_input > model.text_handled) q.text_input = model.text_handled;
    }
    return result;
}

}  // namespace

// Every script read of the wait.
extern "C" int __wrap__Z23velta_read_script_eventv() {
    VeltaState& s = velta_state;
    check_state("before a read");
    bool opening = s.script == nullptr || s.script_mode != 'r';
    int got = __real__Z23velta_read_script_eventv();
    // A read during a recording ends the recording first.
    if (model.session && !s.recording) end_session();

    bool readable = true;
    if (opening) {
        if (model.expected_path.kind != PathState::kFile) {
            model.expected_messages.push_back(kReadMessage);
            readable = false;
        } else {
            model.items = parse_script(model.expected_path.content);
            model.next_item = 0;
            model.remaining = 0;
        }
    }
    bool at_end = false;
    if (!readable) {
        if (got != 0) violation("a read of %s succeeded", describe(model.expected_path).c_str());
    } else if (model.remaining > 0) {
        if (got != 1 || s.pending_kind != EVENT_PERIODIC)
            violation("a counted line's periodic event was not delivered (read %d, kind %d)", got,
                      s.pending_kind);
        --model.remaining;
    } else if (model.next_item == model.items.size()) {
        model.expected_messages.push_back(kEofMessage);
        at_end = true;
        if (got != 0)
            violation("a read past the end of the script yielded kind %d", s.pending_kind);
    } else {
        const ScriptItem& item = model.items[model.next_item++];
        if (!item.known) {
            if (got != 0) violation("an unrecognised line yielded kind %d", s.pending_kind);
            if (s.script_mode != 'r') violation("an unrecognised line closed the script");
            model.paused_on_unknown = true;
        } else {
            bool same = got == 1 && s.pending_kind == item.kind;
            if (same && item.kind == EVENT_KEY) same = s.pending_key == item.key;
            if (same && item.kind == EVENT_MOUSE)
                same = s.pending_x == item.x && s.pending_y == item.y;
            if (!same)
                violation("played kind %d (%d, %d, %d), the file holds kind %d (%d, %d, %d)",
                          got ? s.pending_kind : 0, s.pending_x, s.pending_y, s.pending_key,
                          item.kind, item.x, item.y, item.key);
            if (item.kind == EVENT_PERIODIC) model.remaining = item.count - 1;
        }
    }
    if (!readable || at_end) {
        if (s.playback || s.play_one) violation("playback went on after its end or failure");
        if (menu_checked(CMD_PLAYBACK)) violation("the Playback mark stayed after playback ended");
    }
    check_state("after a read");
    return got;
}

// Every peek of the wait's pump: a quit that leaves the queue must be one that was posted.
extern "C" bool __wrap__ZN4plat12peek_messageEPNS_7MessageE(plat::Message* msg) {
    bool got = __real__ZN4plat12peek_messageEPNS_7MessageE(msg);
    if (got && msg->code == plat::wm::quit) {
        if (!model.quit_in_queue && model.quits.empty())
            violation("a quit came out of the queue, but none was posted");
        model.quit_in_queue = false;
        ++model.quits_taken;
        for (auto& q : model.quits) q.taken = true;
    }
    return got;
}

namespace {

// ---- the input as a program of actions ----

class Input {
  public:
    Input(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    bool done() const { return pos_ >= size_; }
    std::uint8_t next() { return pos_ < size_ ? data_[pos_++] : 0; }

  private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t pos_ = 0;
};

constexpr char kActions[] = "AHFLRPOQIcdumktTalwWpfxDCE";

// Ctrl combinations: the command letters, the other keys that give the same commands (keypad 1,
// 6, 8, separator and divide, F1-F3), and keys that give none.
constexpr int kCtrlKeys[] = {'A', 'H', 'F', 'L', 'R', 'P', 'O', 'Q', 97, 102, 104,
                             108, 111, 112, 113, 114, 'X', 'Z', 17,  27, 13};

constexpr int kAnimationModes[] = {0, 1, 2, 5, 3, 4, 6, -1};

// Hands input to the platform: `graphics` and `text` messages for the two windows.
void inject(const std::function<void()>& action, int graphics, int text = 0) {
    action();
    ++model.injected;
    model.graphics_queued += static_cast<std::uint64_t>(graphics);
    model.text_queued += static_cast<std::uint64_t>(text);
}

bool alive(plat::Window w) {
    return plat::is_window(w);
}

std::string generated_script(Input& in) {
    std::string text;
    int lines = in.next() % 8;
    for (int i = 0; i < lines; ++i) {
        switch (in.next() % 8) {
            case 0:
                text += mouse_line(static_cast<std::int8_t>(in.next()),
                                   static_cast<std::int8_t>(in.next()));
                break;
            case 1:
                text += key_line(static_cast<char>(in.next()));
                break;
            case 2:
                text += periodic_line(in.next() % 6);
                break;
            case 3:
                text += "\n";
                break;
            case 4:
                text += "\r\n";
                break;
            case 5:
                text += "VELTA_QUIT();\n";
                break;
            case 6: {
                std::uint32_t high = in.next();
                std::uint32_t low = in.next();
                auto x = static_cast<std::int32_t>(high << 24 | low << 16);
                text += mouse_line(x, ~x);
                break;
            }
            default:
                // The last line loses its line feed: it is not played.
                if (!text.empty() && text.back() == '\n') text.pop_back();
                break;
        }
    }
    return text;
}

// The fuzzer changes the path between steps. A recording whose file is open goes on writing to
// the file it opened, which is no longer the one at the path.
void path_replaced(const PathState& now) {
    model.expected_path = now;
    if (model.session) {
        if (model.file_open)
            model.detached = true;
        else
            model.baseline = now;
    }
}

void replace_with_file(const std::string& text) {
    remove_path();
    if (std::FILE* f = std::fopen("VELTA.SCR.new", "wb")) {
        std::fwrite(text.data(), 1, text.size(), f);
        std::fclose(f);
    }
    std::rename("VELTA.SCR.new", kScript);
    path_replaced(PathState{PathState::kFile, text});
}

int wait_once() {
    VeltaState& s = velta_state;
    // A halted wait returns only for the user; a click some virtual seconds later makes sure that
    // it does. It is withdrawn once this wait has returned.
    std::uint64_t generation = ++sentinel_generation;
    hl::after(5000, [generation] {
        if (generation == sentinel_generation && alive(velta_state.graphics)) {
            hl::click(velta_state.graphics, 1, 1);
            ++model.graphics_queued;
        }
    });
    // After the application's quit, or with the graphics window gone, the wait returns at once.
    bool ends_at_once = model.app_quit || !alive(s.graphics);
    std::uint64_t clock = hl::now();
    std::uint64_t sleeps = hl::sleep_count();
    std::uint64_t taken = model.quits_taken;
    int x = 0, y = 0;
    char key = 0;
    int kind = velta_wait_event(&x, &y, &key);
    ++sentinel_generation;
    if (tracing()) std::fprintf(stderr, "  wait: %d (%d, %d, %d)\n", kind, x, y, key);
    if (kind < EVENT_MOUSE || kind > EVENT_QUIT) violation("the wait returned %d", kind);
    if (ends_at_once) {
        const char* after =
            model.app_quit ? "the application's quit" : "the graphics window closed";
        if (kind != EVENT_QUIT) violation("after %s a wait returned %d", after, kind);
        if (x != 0 || y != 0 || key != 0)
            violation("after %s a wait returned quit with (%d, %d, %d)", after, x, y, key);
        if (hl::now() != clock || hl::sleep_count() != sleeps)
            violation("after %s a wait slept %llu ms before its quit", after,
                      static_cast<unsigned long long>(hl::now() - clock));
        model.quits.clear();
    } else if (!alive(s.graphics)) {
        if (kind != EVENT_QUIT)
            violation("the wait in which the graphics window closed returned %d", kind);
        model.quits.clear();
    } else if (kind == EVENT_QUIT) {
        if (model.quits.empty()) violation("a wait returned quit, but no quit message was due");
        Model::QuitMessage q = model.quits.front();
        model.quits.pop_front();
        if (!q.taken) violation("a wait returned a quit that is still in the queue");
        if (model.graphics_handled < q.graphics_input || model.text_handled < q.text_input)
            violation(
                "a quit was returned ahead of input queued before it: %llu of %llu messages for "
                "the graphics window handled, %llu of %llu for the text window",
                static_cast<unsigned long long>(model.graphics_handled),
                static_cast<unsigned long long>(q.graphics_input),
                static_cast<unsigned long long>(model.text_handled),
                static_cast<unsigned long long>(q.text_input));
    } else {
        if (model.quits_taken != taken)
            violation("the wait took a quit from the queue and returned %d", kind);
        // A quit posted while an earlier one was out of the queue and not yet returned, and not
        // returned after it: it was the same message.
        while (!model.quits.empty() && model.quits.front().may_merge && model.quits.front().taken)
            model.quits.pop_front();
    }
    if (s.recording) {
        if (!model.session) begin_session();
        record_event(Event{kind, x, y, key});
    }
    check_state("after a wait");
    return kind;
}

void run_action(char action, Input& in) {
    VeltaState& s = velta_state;
    if (tracing()) std::fprintf(stderr, "action %c\n", action);
    plat::Window g = s.graphics;
    switch (action) {
        case 'A':
        case 'H':
        case 'F':
        case 'L':
        case 'R':
        case 'P':
        case 'O':
        case 'Q':
        case 'I': {
            static const char kCommands[] = "AHFLRPOQI";
            auto command =
                static_cast<std::uint32_t>(std::strchr(kCommands, action) - kCommands + 1);
            // A grayed item gives no command.
            if (alive(g)) inject([&] { hl::choose_menu(g, command); }, command == CMD_INFO ? 0 : 1);
            if (command == CMD_QUIT) model.quit_asked = true;
            break;
        }
        case 'c': {
            int vk = kCtrlKeys[in.next() % (sizeof kCtrlKeys / sizeof kCtrlKeys[0])];
            if (alive(g)) inject([&] { hl::ctrl_key(g, vk); }, 4);
            if (vk == 'Q' || vk == 113) model.quit_asked = true;
            break;
        }
        case 'd':
            if (alive(g)) inject([&] { hl::key_down(g, plat::vk::control); }, 1);
            break;
        case 'u':
            if (alive(g)) inject([&] { hl::key_up(g, plat::vk::control); }, 1);
            break;
        case 'm': {
            int x = in.next() * 600 / 255;
            int y = in.next() * 500 / 255;
            if (alive(g)) inject([&] { hl::click(g, x, y); }, 1);
            break;
        }
        case 'k': {
            char c = static_cast<char>(in.next());
            if (alive(g)) inject([&] { hl::type_char(g, c); }, 2);
            if (c == 'q' || c == 'Q') model.quit_asked = true;  // Ctrl+Q while d holds Ctrl
            break;
        }
        case 't': {
            char c = static_cast<char>(in.next());
            if (alive(s.text)) inject([&] { hl::type_char(s.text, c); }, 0, 2);
            if (c == 'q' || c == 'Q') model.quit_asked = true;  // forwarded, as above
            break;
        }
        case 'T':
            hl::advance((in.next() % 8 + 1) * 50);
            break;
        case 'a': {
            int mode = kAnimationModes[in.next() % 8];
            if (velta_set_animation(mode) != 1) violation("velta_set_animation(%d) failed", mode);
            if (mode == ANIMATION_QUIT) model.app_quit = model.quit_seen = true;
            break;
        }
        case 'l':
            velta_set_logging(in.next() % 3);
            break;
        case 'w':
            wait_once();
            break;
        case 'W':
            wait_once();
            wait_once();
            break;
        case 'p':
            velta_pump();
            break;
        case 'f':
            replace_with_file(generated_script(in));
            if (tracing())
                std::fprintf(stderr, "  file: \"%s\"\n", model.expected_path.content.c_str());
            break;
        case 'x':
            remove_path();
            path_replaced(PathState{});
            break;
        case 'D':
            remove_path();
            fs::create_directory(kScript);
            path_replaced(PathState{PathState::kDirectory, ""});
            break;
        case 'C':
            if (alive(g)) inject([&] { hl::close(g); }, 1);
            model.quit_asked = true;
            break;
        case 'E':
            if (alive(s.text)) inject([&] { hl::close(s.text); }, 0, 1);
            break;
        default:
            break;
    }
    check_state("after an action");
}

// ---- where the inputs run ----

// One directory serves every input, in memory where the system has /dev/shm: the script file is
// VELTA.SCR in the current directory, and each input starts with none there.
std::string work_dir;
int run_dir = -1;

void remove_work_dir() {
    std::error_code ignored;
    fs::remove_all(work_dir, ignored);
}

void make_work_dir() {
    struct stat st {};
    std::string base = stat("/dev/shm", &st) == 0 && S_ISDIR(st.st_mode) ? "/dev/shm" : "/tmp";
    std::string name = base + "/velta-event-fuzz-XXXXXX";
    std::vector<char> buffer(name.begin(), name.end());
    buffer.push_back('\0');
    if (mkdtemp(buffer.data()) == nullptr) std::abort();
    work_dir = buffer.data();
    run_dir = open(work_dir.c_str(), O_RDONLY | O_DIRECTORY);
    if (run_dir < 0) std::abort();
    watch_directory(work_dir);
    std::atexit(remove_work_dir);
}

void enter_work_dir() {
    if (fchdir(run_dir) != 0) std::abort();
    remove_path();
    unlink("VELTA.SCR.new");
}

void leave_work_dir() {
    if (fchdir(caller_dir) != 0) std::abort();
}

// The dispositions of the signals the library may catch, as the fuzzer (libFuzzer and the
// sanitizers) set them up before the first input (after LLVMFuzzerInitialize).
constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGBUS, SIGSEGV, SIGABRT, SIGFPE, SIGILL};
constexpr std::size_t kSignalCount = sizeof kSignals / sizeof kSignals[0];
struct sigaction fuzzer_actions[kSignalCount];

// The handler and the flags a program sets (the C library adds its own restorer flag).
bool same_action(const struct sigaction& a, const struct sigaction& b) {
    constexpr int kFlags = SA_SIGINFO | SA_ONSTACK | SA_RESTART | SA_NODEFER | SA_RESETHAND;
    return a.sa_handler == b.sa_handler && (a.sa_flags & kFlags) == (b.sa_flags & kFlags);
}

// While the library runs it may catch a signal that was at its default action, and only such a
// one: the handlers of the fuzzer stay, so that a violation's abort still reaches libFuzzer. Once
// it has shut down, every disposition is back.
void check_signals(bool running) {
    for (std::size_t i = 0; i < kSignalCount; ++i) {
        struct sigaction now {};
        sigaction(kSignals[i], nullptr, &now);
        if (same_action(now, fuzzer_actions[i])) continue;
        if (!running || fuzzer_actions[i].sa_handler != SIG_DFL ||
            (fuzzer_actions[i].sa_flags & SA_SIGINFO) != 0)
            violation("%s the library changed the disposition of signal %d",
                      running ? "while running" : "after shutdown", kSignals[i]);
        if (tracing()) std::fprintf(stderr, "  the library catches signal %d\n", kSignals[i]);
    }
}

// ---- a fresh library for each input ----
//
// Starting the library makes its two windows, their surfaces and the 601 x 540 image, which costs
// far more than most inputs. So the windows are made once and kept while the inputs leave both
// open, and each input gets everything back as velta_init and the target's own start left it: the
// library's state (with a new window context, as velta_init gets one), the Run menu's marks, both
// windows shown, waiting for their first paint and with their first pixels, an empty queue, the
// timer due 100 ms after a clock set back to 0, no scheduled input, Ctrl up, the console empty,
// the signals caught again; a window that the input closed is brought back. With
// EVENT_FUZZ_RESTART set, the library is started afresh (velta_reset_for_tests, then velta_init)
// at the end of every input instead, to compare the two; the new start is shut down at once, as
// every input leaves the library, so that what the input frees and what the start makes fall in
// one run for libFuzzer's leak check.

// The library as the last full start left it.
struct Fresh {
    VeltaState state;
    std::vector<std::pair<std::uint32_t, bool>> marks;  // the Run menu's checkable items
    std::uint64_t timer_due = 0;
    std::vector<std::uint32_t> graphics_pixels;
    std::vector<std::uint32_t> text_pixels;
};
Fresh fresh;
enum class Library { kNone, kStarted, kShutDown } library = Library::kNone;

bool restart_always() {
    static const bool on = std::getenv("EVENT_FUZZ_RESTART") != nullptr;
    return on;
}

NO_COVERAGE void check_fresh_window(plat::Window w, const std::vector<std::uint32_t>& pixels,
                                    const char* name) {
    if (!plat::is_window_visible(w) || !plat::window_record(w)->needs_paint)
        violation("the restart left the %s window hidden or painted", name);
    if (self_check() && hl::surface(w).pixels != pixels)
        violation("the restart left other pixels in the %s window", name);
}

void check_fresh() {
    VeltaState& s = velta_state;
    for (const auto& [id, checked] : fresh.marks)
        if (menu_checked(id) != checked) violation("the restart left menu item %u's mark", id);
    if (hl::now() != 0 || hl::sleep_count() != 0 || plat::next_timer_due() != fresh.timer_due)
        violation("the restart left the clock at %llu, the timer due at %llu",
                  static_cast<unsigned long long>(hl::now()),
                  static_cast<unsigned long long>(plat::next_timer_due()));
    check_fresh_window(s.graphics, fresh.graphics_pixels, "graphics");
    check_fresh_window(s.text, fresh.text_pixels, "text");
    if (velta_ring_start() != -1 || velta_ring_next() != 0)
        violation("the restart left the console's messages");
}

void start_afresh() {
    velta_reset_for_tests();
    hl::reset(160, 120);  // a small console keeps each message cheap
    // Started as an application starts it: logging off, the animation running.
    velta_init(nullptr, nullptr, nullptr, plat::sw::show_normal);
    graphics_proc = plat::window_record(velta_state.graphics)->proc;
    plat::window_record(velta_state.graphics)->proc = watched_proc;
    text_proc = plat::window_record(velta_state.text)->proc;
    plat::window_record(velta_state.text)->proc = watched_text_proc;
    velta_set_logging(0);
    velta_set_animation(ANIMATION_RUN);
    // The console's messages are checked here; their copy on standard error would only be noise.
    velta_state.mirror_to_stderr = 0;
    fresh.state = velta_state;
    fresh.marks.clear();
    for (const auto& item : velta_state.run_menu->items)
        if (!(item.flags & plat::mf::separator) && !(item.flags & plat::mf::grayed))
            fresh.marks.emplace_back(item.id, (item.flags & plat::mf::checked) != 0);
    fresh.timer_due = plat::next_timer_due();
    // Kept in the vectors' own storage, so that later starts allocate nothing.
    fresh.graphics_pixels = hl::surface(velta_state.graphics).pixels;
    fresh.text_pixels = hl::surface(velta_state.text).pixels;
    library = Library::kStarted;
}

NO_COVERAGE void restore_pixels(plat::Window w, const std::vector<std::uint32_t>& pixels,
                                const char* name) {
    std::vector<std::uint32_t>& now = plat::window_record(w)->surface.pixels;
    if (now.size() != pixels.size()) violation("the %s window changed its size", name);
    std::memcpy(now.data(), pixels.data(), pixels.size() * sizeof pixels[0]);
}

void start_library() {
    model = Model{};
    sentinel_generation = 0;
    if (library == Library::kNone) start_afresh();
    if (library == Library::kShutDown) {
        // The last input shut the library down and left both windows; finish_library emptied the
        // queue, set the clock back and emptied the console.
        VeltaState& s = velta_state;
        s = fresh.state;
        s.window_dc = plat::get_dc(s.graphics);
        for (const auto& [id, checked] : fresh.marks)
            plat::check_menu_item(s.run_menu, id,
                                  checked ? plat::mf::checked : plat::mf::unchecked);
        restore_pixels(s.graphics, fresh.graphics_pixels, "graphics");
        restore_pixels(s.text, fresh.text_pixels, "text");
        for (plat::Window w : {s.graphics, s.text}) {
            if (!plat::is_window_visible(w)) plat::show_window(w, plat::sw::show_normal);
            plat::invalidate(w);  // waiting for its first paint, as a newly shown window is
        }
        plat::set_timer(s.graphics, 2, 100);
        velta_catch_signals();
    }
    library = Library::kStarted;
    check_fresh();
}

// After velta_shutdown: what the input made is released, so that libFuzzer's leak check sees a
// balanced run, and the library is made ready for the next input.
void finish_library() {
    VeltaState& s = velta_state;
    model = Model{};
    if (restart_always()) {
        // Shut down at once, as every input leaves the library: the next input's start then gets
        // its own window context, as after any other input.
        start_afresh();
        velta_shutdown();
    }
    // A window closed by the input is gone with its record: the next input starts afresh.
    if (!plat::is_window(s.graphics) || !plat::is_window(s.text)) {
        velta_reset_for_tests();
        hl::reset(160, 120);
        library = Library::kNone;
        return;
    }
    // The queue is emptied without handling anything: a paint only validates its window, a due
    // timer is taken once (and comes due again later), a posted quit is taken.
    plat::Message msg;
    for (int n = 0; __real__ZN4plat12peek_messageEPNS_7MessageE(&msg); ++n) {
        if (n > 100000) violation("the queue does not empty");
        if (msg.code == plat::wm::paint) plat::def_window_proc(msg.window, msg.code, 0, 0);
    }
    hl::reset_clock();
    velta_console_reset();
    library = Library::kShutDown;
}

}  // namespace

// Fontconfig holds its parsed configuration where the leak checker cannot see it until FcFini at
// exit; libFuzzer checks for leaks after inputs, long before that.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig.so\n";
}
extern "C" const char* __lsan_default_options() {
    return "print_suppressions=0";
}

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    caller_dir = open(".", O_RDONLY | O_DIRECTORY);
    if (caller_dir < 0) std::abort();
    make_work_dir();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    enter_work_dir();
    // The fuzzer's own signal handlers are in place by the first input.
    static const bool recorded = [] {
        for (std::size_t i = 0; i < kSignalCount; ++i)
            sigaction(kSignals[i], nullptr, &fuzzer_actions[i]);
        return true;
    }();
    (void)recorded;
    start_library();
    check_signals(true);
    check_state("at start");

    Input in(data, size);
    while (!in.done()) {
        std::uint8_t byte = in.next();
        char action = std::strchr(kActions, byte) != nullptr && byte != 0
                          ? static_cast<char>(byte)
                          : kActions[byte % (sizeof kActions - 1)];
        run_action(action, in);
    }

    // Each quit message still due comes out of a wait once the input queued before it has been
    // handled; input that may ask for a quit is handled first. Each wait takes at least one of the
    // queued messages (or the characters their keys make) until the queue is empty, so the bound
    // is generous.
    auto due = [] {
        bool unhandled = model.graphics_handled < model.graphics_queued + model.forwarded ||
                         model.text_handled < model.text_queued;
        return quit_due() || (model.quit_asked && unhandled && alive(velta_state.graphics));
    };
    std::uint64_t limit =
        2 * (model.graphics_queued + model.forwarded + 2 * model.text_queued) + 16;
    for (std::uint64_t i = 0; i < limit && due(); ++i) wait_once();
    if (quit_due()) violation("a quit message was never returned");
    // ... and once only: the waits after it go on normally.
    if (model.quit_seen)
        for (int i = 0; i < 3; ++i) wait_once();

    // The program ends.
    velta_shutdown();
    if (velta_state.script != nullptr) violation("shutdown left the script file open");
    if (model.session) end_session();
    if (!(read_path() == model.expected_path))
        violation("after shutdown the script file holds %s, expected %s",
                  describe(read_path()).c_str(), describe(model.expected_path).c_str());
    collect_messages();
    check_signals(false);

    finish_library();
    leave_work_dir();
    return 0;
}
