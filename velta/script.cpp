// Script recording and playback: the event stream written to, and replayed from, the plain-text
// file "VELTA.SCR" in the current directory, one event per line.
//
// Recording and playback share one file handle and one periodic count. The file is opened lazily
// by the first line written or read, and only ever in one mode at a time:
//
// - A read while recording is on ends the recording first, exactly as choosing Record Script
//   again would (the pending periodic line is written, the file closed, the Record mark removed),
//   and then opens the file afresh for reading. Choosing Playback (or Play One) in the middle of a
//   recording therefore plays back what was just recorded, from its first line. When a playback
//   already owns the file (Record chosen while playing back) the recording is simply turned off
//   again: a script cannot be recorded over the file that is being read.
// - A write while the file is open for reading (a playback paused by Play One or by a line it did
//   not recognise, then Record chosen) ends that paused playback, closes the file and creates it
//   afresh for writing, as every recording does.
//
// - A recording never touches a file that a playback has open: when Record Script is chosen while a
//   playback is running, that playback owns the file and the periodic count, and the recording
//   ends without writing (at the playback's next read, at Record Script again, or when the wait
//   would record a quit).
// - The file is created only when a line is actually written: an event that has no line (a quit)
//   never opens it, so starting a recording and ending the program with no event in between
//   leaves an existing script untouched.
// - Each line reaches the operating system as it is recorded, so that a crash or a kill keeps every
//   line so far; a line or a close that fails ends the recording with "Cannot write script file".
//   The signals that ask a program to end (Ctrl+C among them) end it as Quit does, and a crash
//   still writes the counted ticks (signals.cpp).
// - Only a regular file (or a link to one) is read or written: a directory, a FIFO or a device
//   named VELTA.SCR gets the cannot-open message, and opening never blocks.
//
// Other choices made here:
// - Reaching the end of the file closes it, so that choosing Playback again starts at the first
//   line instead of meeting the end at once, and a later recording can create the file.
// - Keys above 127 survive a recording: the writer writes them as signed 8-bit numbers and the key
//   reader accepts the minus sign and takes the value to 8 bits.
// - Reading never looks beyond the line's terminator: a line too short to have a kind letter is
//   not recognised; a known kind letter with no number after it reads the number as 0 (a periodic
//   line then yields one event); a number of more than 11 characters keeps its first 11 and the
//   rest of its run is skipped; values outside the int range saturate.
// - A line whose only content is a carriage return before its line feed counts as blank, so a
//   script edited on a platform with two-character line ends still plays.
// - The count left by a periodic line belongs to the open playback: stopping playback by its
//   command (which closes the file) discards it, so the next playback does not begin with stale
//   periodic events. Play One keeps it, so each further Play One goes on through the counted line.
#include <sys/stat.h>

#include <cctype>
#include <climits>
#include <cstdlib>
#include <cstring>

#include "library_state.h"
#include "velta/velta.h"

namespace {

constexpr const char* kScriptName = "VELTA.SCR";
constexpr int kLineSize = 512;       // at most 511 characters of a line and the terminator
constexpr int kNumberSize = 12;      // at most 11 characters of a number and the terminator
constexpr std::size_t kKindPos = 6;  // the kind letter follows the six-character prefix

void uncheck(std::uint32_t command) {
    plat::check_menu_item(velta_state.run_menu, command, plat::mf::unchecked);
}

// Closes the file without touching the periodic count. Returns false when the file was open for
// writing and could not be closed completely (what it still held never reached the disk).
bool close_file() {
    VeltaState& s = velta_state;
    bool closed = true;
    if (s.script != nullptr) closed = std::fclose(s.script) == 0 || s.script_mode != 'w';
    s.script = nullptr;
    s.script_fd = -1;
    s.script_mode = 0;
    return closed;
}

// A recording whose file cannot take its lines (a full disk, a quota, an I/O error) ends at once
// and says so, rather than going on as if it were being stored.
void writing_failed() {
    VeltaState& s = velta_state;
    velta_print("Cannot write script file %s\n", kScriptName);
    s.recording = 0;
    uncheck(CMD_RECORD);
    s.periodic_count = 0;
    close_file();
}

// Writes one line and hands it to the operating system at once, so that a crash or a kill loses
// nothing recorded so far (events come at the user's pace; one write a line costs nothing). False
// when the line could not be written completely.
bool write_line(std::FILE* file, const char* line) {
    return std::fputs(line, file) != EOF && std::fflush(file) == 0;
}

// What stands at the script's path: nothing, a regular file, or something else (a directory, a
// FIFO, a device), which is neither read nor written.
enum class PathKind { kAbsent, kRegular, kOther };

PathKind path_kind(const char* path) {
    struct stat st {};
    if (stat(path, &st) != 0) return PathKind::kAbsent;
    return S_ISREG(st.st_mode) ? PathKind::kRegular : PathKind::kOther;
}

std::FILE* open_for_writing() {
    if (path_kind(kScriptName) == PathKind::kOther) return nullptr;
    return std::fopen(kScriptName, "wt");
}

std::FILE* open_for_reading() {
    if (path_kind(kScriptName) != PathKind::kRegular) return nullptr;
    std::FILE* file = std::fopen(kScriptName, "rt");
    // The path may have been replaced between the check and the opening.
    struct stat st {};
    if (file != nullptr && (fstat(fileno(file), &st) != 0 || !S_ISREG(st.st_mode))) {
        std::fclose(file);
        file = nullptr;
    }
    return file;
}

bool is_blank(const char* line) {
    return line[0] == '\n' || (line[0] == '\r' && line[1] == '\n');
}

// Finds the next number on the line from pos: moves right to the first character that `starts`
// accepts, collects the run of such characters (at most 11 of them; the rest of the run is
// skipped) and converts it as a decimal integer with an optional leading minus, saturating at the
// int range. Leaves pos after the run, or at the terminator when there is no number (value 0).
int next_number(const char* line, std::size_t& pos, bool with_minus) {
    auto fits = [with_minus](char c) {
        return std::isdigit(static_cast<unsigned char>(c)) || (with_minus && c == '-');
    };
    while (line[pos] != '\0' && !fits(line[pos])) ++pos;
    char number[kNumberSize] = {};
    std::size_t n = 0;
    for (; line[pos] != '\0' && fits(line[pos]); ++pos)
        if (n < kNumberSize - 1) number[n++] = line[pos];
    long long value = std::strtoll(number, nullptr, 10);
    if (value > INT_MAX) return INT_MAX;
    if (value < INT_MIN) return INT_MIN;
    return static_cast<int>(value);
}

// Reads the next non-blank line (or piece of a long line). Returns false at the end of the file:
// when no line could be read, or when the end was reached while reading it (a last line without
// a line feed is not played).
bool read_line(std::FILE* file, char (&line)[kLineSize]) {
    bool got = std::fgets(line, kLineSize, file) != nullptr;
    while (got && is_blank(line) && !std::feof(file))
        got = std::fgets(line, kLineSize, file) != nullptr;
    return got && !std::feof(file);
}

}  // namespace

void velta_record_event(int kind, int x, int y, char key) {
    VeltaState& s = velta_state;
    bool has_line = kind == EVENT_MOUSE || kind == EVENT_KEY ||
                    (kind == EVENT_PERIODIC && s.periodic_count > 0) ||
                    (kind >= EVENT_KEY_DOWN && kind <= EVENT_WHEEL);
    if (!has_line) return;
    if (s.script_mode == 'r') {
        velta_stop_playback();
        close_file();
    }
    if (s.script == nullptr) {
        s.script = open_for_writing();
        if (s.script == nullptr) {
            velta_print("Cannot open script file %s for writing\n", kScriptName);
            return;
        }
        s.script_mode = 'w';
        s.script_fd = fileno(s.script);
    }
    char line[64];
    switch (kind) {
        case EVENT_MOUSE:
            std::snprintf(line, sizeof line, "VELTA_MOUSE(%d, %d);\n", x, y);
            break;
        case EVENT_KEY:
            std::snprintf(line, sizeof line, "VELTA_KBD(%d);\n",
                          static_cast<int>(static_cast<signed char>(key)));
            break;
        // The further kinds, of a program that asked for them: a letter each after the prefix.
        case EVENT_KEY_DOWN:
            std::snprintf(line, sizeof line, "VELTA_DOWN(%d, %d);\n", s.pending_code,
                          s.pending_mods);
            break;
        case EVENT_KEY_UP:
            std::snprintf(line, sizeof line, "VELTA_UP(%d, %d);\n", s.pending_code, s.pending_mods);
            break;
        case EVENT_MOUSE_MOVE:
            std::snprintf(line, sizeof line, "VELTA_XY(%d, %d, %d);\n", x, y, s.pending_button);
            break;
        case EVENT_BUTTON_DOWN:
            std::snprintf(line, sizeof line, "VELTA_BUTTON(%d, %d, %d, %d);\n", x, y,
                          s.pending_button, s.pending_mods);
            break;
        case EVENT_BUTTON_UP:
            std::snprintf(line, sizeof line, "VELTA_RELEASE(%d, %d, %d, %d);\n", x, y,
                          s.pending_button, s.pending_mods);
            break;
        case EVENT_WHEEL:
            std::snprintf(line, sizeof line, "VELTA_WHEEL(%d, %d, %d, %d);\n", x, y, s.pending_code,
                          s.pending_mods);
            break;
        default:
            std::snprintf(line, sizeof line, "VELTA_PERIODIC(%d);\n",
                          static_cast<int>(s.periodic_count));
            break;
    }
    if (!write_line(s.script, line)) writing_failed();
}

int velta_read_script_event() {
    VeltaState& s = velta_state;
    if (s.recording) velta_end_recording();
    if (s.script_mode == 'w') close_file();
    if (s.script == nullptr) {
        s.script = open_for_reading();
        if (s.script == nullptr) {
            velta_print("Cannot open script file %s for reading\n", kScriptName);
            velta_stop_playback();
            return 0;
        }
        s.script_mode = 'r';
    }
    if (s.periodic_count > 0) {
        --s.periodic_count;
        s.pending_kind = EVENT_PERIODIC;
        return 1;
    }
    char line[kLineSize];
    char kind = '\0';
    for (;;) {
        if (!read_line(s.script, line)) {
            velta_print("EOF encountered in script file %s\n", kScriptName);
            velta_stop_playback();
            close_file();
            return 0;
        }
        kind = std::strlen(line) > kKindPos ? line[kKindPos] : '\0';
        // A line of a further kind that this program did not ask for is passed over: it gets
        // only the events it can take.
        int asked = s.input_flags;
        bool keys = kind == 'D' || kind == 'U',
             mouse = kind == 'X' || kind == 'B' || kind == 'R' || kind == 'W';
        if ((keys && !(asked & VELTA_INPUT_KEYS)) || (mouse && !(asked & VELTA_INPUT_MOUSE)))
            continue;
        break;
    }
    std::size_t pos = kKindPos;
    switch (kind) {
        case 'K':
            s.pending_kind = EVENT_KEY;
            s.pending_key = static_cast<char>(next_number(line, pos, true) & 0xFF);
            break;
        case 'M':
            s.pending_kind = EVENT_MOUSE;
            s.pending_x = next_number(line, pos, true);
            s.pending_y = next_number(line, pos, true);
            break;
        case 'P': {
            int n = next_number(line, pos, false);
            s.pending_kind = EVENT_PERIODIC;
            s.periodic_count = n > 0 ? n - 1 : 0;
            break;
        }
        case 'D':
        case 'U':
            s.pending_kind = kind == 'D' ? EVENT_KEY_DOWN : EVENT_KEY_UP;
            s.pending_code = next_number(line, pos, true) & 0xFF;
            s.pending_mods = next_number(line, pos, true);
            break;
        case 'X':
            s.pending_kind = EVENT_MOUSE_MOVE;
            s.pending_x = next_number(line, pos, true);
            s.pending_y = next_number(line, pos, true);
            s.pending_button = next_number(line, pos, true);
            break;
        case 'B':
        case 'R':
        case 'W':
            s.pending_kind = kind == 'B'   ? EVENT_BUTTON_DOWN
                             : kind == 'R' ? EVENT_BUTTON_UP
                                           : EVENT_WHEEL;
            s.pending_x = next_number(line, pos, true);
            s.pending_y = next_number(line, pos, true);
            if (kind == 'W')
                s.pending_code = next_number(line, pos, true);
            else
                s.pending_button = next_number(line, pos, true);
            s.pending_mods = next_number(line, pos, true);
            break;
        default:
            return 0;
    }
    return 1;
}

void velta_end_recording() {
    VeltaState& s = velta_state;
    s.recording = 0;
    uncheck(CMD_RECORD);
    if (s.script_mode == 'r') return;  // a playback owns the file and the count
    if (s.periodic_count > 0) {
        velta_record_event(EVENT_PERIODIC, 0, 0, 0);
        s.periodic_count = 0;
    }
    velta_close_script();
}

void velta_stop_playback() {
    VeltaState& s = velta_state;
    s.playback = 0;
    s.play_one = 0;
    uncheck(CMD_PLAYBACK);
}

void velta_close_script() {
    VeltaState& s = velta_state;
    // A count left by a playback is meaningless once its file is closed; a recording's count
    // (recording still on, file open for writing or not yet created) is kept for its next line.
    if (s.script_mode == 'r' || !s.recording) s.periodic_count = 0;
    if (!close_file()) writing_failed();
}
