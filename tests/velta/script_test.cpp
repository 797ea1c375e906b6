// Script recording and playback through the event wait, the Run menu and the headless backend.
// Each test works in a fresh temporary directory, so that script files never meet.
#include <sys/stat.h>

#if !defined(_WIN32) && !defined(__EMSCRIPTEN__)
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <climits>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "support/temp_cwd.h"
#include "support/velta_fixture.h"

namespace fs = std::filesystem;
using plat::headless::after;
using plat::headless::now;

namespace {

const char* const kEofMessage = "EOF encountered in script file VELTA.SCR\n";
const char* const kReadMessage = "Cannot open script file VELTA.SCR for reading\n";
const char* const kWriteMessage = "Cannot open script file VELTA.SCR for writing\n";


struct Event {
    int kind;
    int x;
    int y;
    char key;
    bool operator==(const Event& o) const {
        return kind == o.kind && x == o.x && y == o.y && key == o.key;
    }
};

std::ostream& operator<<(std::ostream& os, const Event& e) {
    return os << "{" << e.kind << ", " << e.x << ", " << e.y << ", " << int(e.key) << "}";
}

Event periodic() {
    return {EVENT_PERIODIC, 0, 0, 0};
}
Event mouse(int x, int y) {
    return {EVENT_MOUSE, x, y, 0};
}
Event key(char k) {
    return {EVENT_KEY, 0, 0, k};
}

class ScriptTest : public VeltaTest {
  protected:
    void SetUp() override {
        VeltaTest::SetUp();
        init();
    }

    static void write_script(const std::string& text) {
        std::ofstream("VELTA.SCR", std::ios::binary) << text;
    }
    // The script as a text file reads, with the system's line ends as '\n'.
    static std::optional<std::string> script() { return read_script(std::ios::in); }
    // The bytes on disk.
    static std::optional<std::string> script_bytes() {
        return read_script(std::ios::in | std::ios::binary);
    }
    static std::optional<std::string> read_script(std::ios::openmode mode) {
        std::ifstream in("VELTA.SCR", mode);
        if (!in) return std::nullopt;
        std::ostringstream text;
        text << in.rdbuf();
        return text.str();
    }
    static std::vector<std::string> messages() {
        std::vector<std::string> out;
        int a = velta_ring_start();
        for (int k = 0; a >= 0 && (a != velta_ring_next() || k == 0); ++k, a = (a + 1) % 25)
            out.push_back(velta_console_slot(a));
        return out;
    }
    static bool checked(std::uint32_t command) {
        for (const auto& item : plat::menu_items(velta_state.run_menu))
            if (!item.separator && item.id == command) return item.checked;
        return false;
    }
    static void menu(std::uint32_t command) { plat::headless::choose_menu(graphics(), command); }
    // Chooses a command and pumps until it and any input still queued before it have been
    // handled, without a wait (and so without a script read).
    static void command_now(std::uint32_t command) {
        menu(command);
        for (int i = 0; i < 8; ++i) velta_pump();
    }

    static Event next() {
        Event e{};
        e.kind = wait(&e.x, &e.y, &e.key);
        return e;
    }
    // The events the wait returns until the clock moves: played script events come at once, so
    // the first event that had to wait (a sentinel click scheduled here) ends the list.
    static std::vector<Event> drain() {
        std::uint64_t start = now();
        after(1000, [] { plat::headless::click(graphics(), 0, 0); });
        std::vector<Event> out;
        for (;;) {
            Event e = next();
            if (now() != start) {
                EXPECT_EQ(e, mouse(-297, 245)) << "the sentinel click";
                return out;
            }
            out.push_back(e);
        }
    }
    static std::vector<Event> play_all() {
        menu(CMD_PLAYBACK);
        return drain();
    }
    static std::vector<Event> play_one() {
        menu(CMD_PLAY_ONE);
        return drain();
    }
    // A click at picture coordinates (x, y).
    static void click_at(int x, int y) {
        plat::headless::click(graphics(), velta_state.origin_x + x, velta_state.origin_y - y);
    }

    TempCwd cwd_;
};

std::vector<Event> periodics(int n) {
    return std::vector<Event>(n, periodic());
}
std::vector<Event> operator+(std::vector<Event> a, const std::vector<Event>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

TEST_F(ScriptTest, RecordsTheExampleAndPlaysItBack) {
    menu(CMD_RECORD);
    velta_set_animation(ANIMATION_RUN);
    for (int i = 0; i < 25; ++i) ASSERT_EQ(next(), periodic());
    velta_set_animation(ANIMATION_HALT);
    click_at(10, -20);
    ASSERT_EQ(next(), mouse(10, -20));
    plat::headless::type_char(graphics(), 'a');
    ASSERT_EQ(next(), key('a'));
    velta_set_animation(ANIMATION_RUN);
    for (int i = 0; i < 3; ++i) ASSERT_EQ(next(), periodic());
    plat::headless::ctrl_key(graphics(), 'Q');
    ASSERT_EQ(next().kind, EVENT_QUIT);
    command_now(CMD_RECORD);
    EXPECT_FALSE(checked(CMD_RECORD));
    EXPECT_EQ(script(),
              "VELTA_PERIODIC(25);\nVELTA_MOUSE(10, -20);\nVELTA_KBD(97);\nVELTA_PERIODIC(3);\n");

    // The example itself, played on a fresh library.
    reset();
    init();
    std::vector<Event> middle = {mouse(10, -20), key('a')};
    EXPECT_EQ(play_all(), periodics(25) + middle + periodics(3));
    EXPECT_EQ(messages().back(), kEofMessage);
    EXPECT_EQ(velta_state.playback, 0);
    EXPECT_FALSE(checked(CMD_PLAYBACK));
    // The end closes the file: Playback again starts at the first line.
    EXPECT_EQ(velta_state.script, nullptr);
    EXPECT_EQ(play_all().size(), 30u);
}

TEST_F(ScriptTest, PeriodicLinesYieldTheirCountReadingOneLine) {
    write_script("VELTA_PERIODIC(1);\nVELTA_PERIODIC(0);\nVELTA_PERIODIC(4);\nVELTA_KBD(65);\n");
    menu(CMD_PLAYBACK);
    EXPECT_EQ(next(), periodic());
    EXPECT_EQ(next(), periodic());
    EXPECT_EQ(next(), periodic());  // first of the four
    long after_line = std::ftell(velta_state.script);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(next(), periodic());
    EXPECT_EQ(std::ftell(velta_state.script), after_line);
    EXPECT_EQ(next(), key('A'));
    EXPECT_EQ(drain(), std::vector<Event>{});
    EXPECT_EQ(velta_state.periodic_count, 0);
}

TEST_F(ScriptTest, ReaderLooksOnlyAtTheKindLetterAndSkipsBlankLines) {
    write_script(
        "\n\nVELTA_MOUSE(-5, 7);\n\n\r\n"
        "#$ %^&KBD(65);\n"
        "......Mx=-300,y=250\n"
        "VELTA_PERIODIC(2);\n"
        "VELTA_KBD(66);");  // not played: the end is reached while reading it
    std::vector<Event> expected = {mouse(-5, 7), key('A'), mouse(-300, 250)};
    EXPECT_EQ(play_all(), expected + periodics(2));
    EXPECT_EQ(messages().back(), kEofMessage);
    EXPECT_FALSE(checked(CMD_PLAYBACK));

    write_script("\n\n\n");
    EXPECT_EQ(play_all(), std::vector<Event>{});
    EXPECT_EQ(messages().back(), kEofMessage);
    write_script("");
    EXPECT_EQ(play_all(), std::vector<Event>{});
    EXPECT_EQ(messages().size(), 3u);
}

TEST_F(ScriptTest, KeysAboveAsciiSurviveARecording) {
    menu(CMD_RECORD);
    plat::headless::type_char(graphics(), '\xE9');
    plat::headless::type_char(graphics(), '\x80');
    plat::headless::type_char(graphics(), '\xFF');
    for (int i = 0; i < 3; ++i) ASSERT_EQ(next().kind, EVENT_KEY);
    command_now(CMD_RECORD);
    EXPECT_EQ(script(), "VELTA_KBD(-23);\nVELTA_KBD(-128);\nVELTA_KBD(-1);\n");
    EXPECT_EQ(play_all(), (std::vector<Event>{key('\xE9'), key('\x80'), key('\xFF')}));
    // No key types DEL by itself, but a script may hold it.
    write_script("VELTA_KBD(127);\n");
    EXPECT_EQ(play_all(), std::vector<Event>{key('\x7F')});
}

TEST_F(ScriptTest, MalformedLinesStayInsideTheLineAndTheNumberBuffer) {
    std::string long_line = "VELTA_KBD(65);";
    long_line.resize(511, 'x');
    write_script(
        "VELTA_KBD();\n"                       // no number: 0
        "VELTA_MOUSE(12);\n"                   // no second number: y 0
        "VELTA_PERIODIC(none);\n"              // no count: one event
        "VELTA_MOUSE(123456789012345, -7);\n"  // 11 characters kept, the rest of the run skipped
        "VELTA_MOUSE(-99999999999, 00000000000042);\n"
        "VELTA_KBD(321);\n"  // taken to 8 bits
        + long_line +
        "VELTA_KBD(66);\n"  // read in two pieces
        "VELTA_KBD(67);\n"
        "abc\n"  // too short for a kind letter: not recognised
        "VELTA_KBD(68);\n");
    std::vector<Event> expected = {
        key(0),   mouse(12, 0), periodic(), mouse(INT_MAX, -7), mouse(INT_MIN, 0), key('A'),
        key('A'), key('B'),     key('C')};
    EXPECT_EQ(play_all(), expected);
    // Stopped at "abc" without a message, mark and file kept; Playback goes on after it.
    EXPECT_EQ(messages().size(), 0u);
    EXPECT_TRUE(checked(CMD_PLAYBACK));
    EXPECT_EQ(velta_state.playback, 0);
    EXPECT_EQ(play_all(), std::vector<Event>{key('D')});
    EXPECT_EQ(messages().back(), kEofMessage);

    // Bytes with no line structure: a NUL hides the rest of its line.
    const char garbage[] = "VELTA_\0KBD(65);\nVELTA_KBD(69);\n";
    write_script(std::string(garbage, sizeof garbage - 1));
    EXPECT_EQ(play_all(), std::vector<Event>{});
    EXPECT_EQ(play_all(), std::vector<Event>{key('E')});
}

TEST_F(ScriptTest, UnknownKindLetterEndsPlaybackKeepingMarkAndFile) {
    write_script("VELTA_KBD(65);\nVELTA_QUIT();\nVELTA_KBD(66);\n");
    EXPECT_EQ(play_all(), std::vector<Event>{key('A')});
    EXPECT_EQ(velta_state.playback, 0);
    EXPECT_EQ(velta_state.play_one, 0);
    EXPECT_TRUE(checked(CMD_PLAYBACK));
    EXPECT_NE(velta_state.script, nullptr);
    EXPECT_EQ(messages().size(), 0u);
    EXPECT_EQ(play_all(), std::vector<Event>{key('B')});
    EXPECT_FALSE(checked(CMD_PLAYBACK));
}

TEST_F(ScriptTest, QuitTakenDuringPlaybackIsNeverOverwritten) {
    write_script("VELTA_KBD(65);\nVELTA_KBD(66);\nVELTA_KBD(67);\n");
    menu(CMD_PLAYBACK);
    EXPECT_EQ(next(), key('A'));
    // The quit message is removed by the pump in a pass that would also read the next line.
    plat::post_quit_message(0);
    EXPECT_EQ(next().kind, EVENT_QUIT);
    // Playback goes on with the line that was not read.
    EXPECT_EQ(next(), key('B'));
}

TEST_F(ScriptTest, PlayOneGivesOneEventPerCommandThroughACountedLine) {
    write_script("VELTA_PERIODIC(3);\nVELTA_KBD(120);\n");
    velta_set_animation(ANIMATION_RUN);
    EXPECT_EQ(play_one(), std::vector<Event>{periodic()});
    EXPECT_EQ(velta_state.run, 0);
    EXPECT_EQ(play_one(), std::vector<Event>{periodic()});
    EXPECT_EQ(play_one(), std::vector<Event>{periodic()});
    EXPECT_EQ(play_one(), std::vector<Event>{key('x')});
    EXPECT_EQ(messages().size(), 0u);
    EXPECT_EQ(play_one(), std::vector<Event>{});
    EXPECT_EQ(messages().back(), kEofMessage);
}

TEST_F(ScriptTest, StoppingPlaybackMidLineDiscardsTheRestOfItsCount) {
    write_script("VELTA_PERIODIC(5);\nVELTA_KBD(65);\n");
    menu(CMD_PLAYBACK);
    EXPECT_EQ(next(), periodic());
    EXPECT_EQ(next(), periodic());
    menu(CMD_PLAYBACK);  // stop: the file closes
    EXPECT_EQ(drain(), std::vector<Event>{});
    EXPECT_FALSE(checked(CMD_PLAYBACK));
    EXPECT_EQ(velta_state.script, nullptr);
    EXPECT_EQ(play_all(), periodics(5) + std::vector<Event>{key('A')});
}

TEST_F(ScriptTest, MissingFileEndsPlaybackWithAMessage) {
    EXPECT_EQ(play_all(), std::vector<Event>{});
    EXPECT_EQ(messages(), std::vector<std::string>{kReadMessage});
    EXPECT_FALSE(checked(CMD_PLAYBACK));
    EXPECT_EQ(velta_state.playback, 0);
    // Ctrl+F1 is the Playback command too.
    plat::headless::ctrl_key(graphics(), 112);
    EXPECT_EQ(drain(), std::vector<Event>{});
    EXPECT_EQ(messages().size(), 2u);
}

TEST_F(ScriptTest, RecordingWithoutEventsLeavesTheFileAlone) {
    // Ctrl+F3 is the Record command too.
    plat::headless::ctrl_key(graphics(), 114);
    for (int i = 0; i < 4; ++i) velta_pump();
    EXPECT_TRUE(checked(CMD_RECORD));
    plat::headless::ctrl_key(graphics(), 114);
    for (int i = 0; i < 4; ++i) velta_pump();
    EXPECT_FALSE(checked(CMD_RECORD));
    EXPECT_EQ(script(), std::nullopt);

    write_script("VELTA_KBD(1);\n");
    command_now(CMD_RECORD);
    command_now(CMD_RECORD);
    EXPECT_EQ(script(), "VELTA_KBD(1);\n");

    // Periodic events only: one count line, written when recording stops.
    menu(CMD_RECORD);
    velta_set_animation(ANIMATION_RUN);
    EXPECT_EQ(next(), periodic());
    EXPECT_EQ(next(), periodic());
    EXPECT_EQ(script(), "VELTA_KBD(1);\n");
    command_now(CMD_RECORD);
    EXPECT_EQ(script(), "VELTA_PERIODIC(2);\n");
}

TEST_F(ScriptTest, UncreatableFileReportsEachLineAndRecordingStaysOn) {
    fs::create_directory("VELTA.SCR");
    menu(CMD_RECORD);
    velta_set_animation(ANIMATION_RUN);
    EXPECT_EQ(next(), periodic());
    EXPECT_EQ(next(), periodic());
    EXPECT_EQ(messages().size(), 0u);  // counted, nothing written yet
    velta_set_animation(ANIMATION_HALT);
    click_at(1, 2);
    EXPECT_EQ(next(), mouse(1, 2));  // the count line and the click line
    plat::headless::type_char(graphics(), 'k');
    EXPECT_EQ(next(), key('k'));
    EXPECT_EQ(messages(), std::vector<std::string>(3, kWriteMessage));
    EXPECT_EQ(velta_state.recording, 1);
    EXPECT_TRUE(checked(CMD_RECORD));

    // Once the file can be made, the next line creates it.
    fs::remove("VELTA.SCR");
    plat::headless::type_char(graphics(), 'm');
    EXPECT_EQ(next(), key('m'));
    command_now(CMD_RECORD);
    EXPECT_EQ(script(), "VELTA_KBD(109);\n");
    EXPECT_EQ(messages().size(), 3u);
}

TEST_F(ScriptTest, PlaybackDuringARecordingFinishesItAndPlaysItFromTheStart) {
    write_script("VELTA_KBD(1);\n");  // emptied by the recording
    menu(CMD_RECORD);
    click_at(3, 4);
    EXPECT_EQ(next(), mouse(3, 4));
    velta_set_animation(ANIMATION_RUN);
    EXPECT_EQ(next(), periodic());
    EXPECT_EQ(next(), periodic());
    EXPECT_EQ(play_all(), std::vector<Event>{mouse(3, 4)} + periodics(2));
    EXPECT_EQ(velta_state.recording, 0);
    EXPECT_FALSE(checked(CMD_RECORD));
    EXPECT_EQ(script(), "VELTA_MOUSE(3, 4);\nVELTA_PERIODIC(2);\n");
}

TEST_F(ScriptTest, RecordChosenDuringPlaybackIsRefusedAndLeavesTheScript) {
    const std::string text = "VELTA_PERIODIC(3);\nVELTA_KBD(65);\n";
    write_script(text);
    menu(CMD_PLAYBACK);
    EXPECT_EQ(next(), periodic());
    menu(CMD_RECORD);
    // The playback's count survives; the recording ends at the next read.
    EXPECT_EQ(drain(), periodics(2) + std::vector<Event>{key('A')});
    EXPECT_EQ(velta_state.recording, 0);
    EXPECT_FALSE(checked(CMD_RECORD));
    EXPECT_EQ(script(), text);
}

TEST_F(ScriptTest, RecordingAfterAPausedPlaybackStartsAFreshFileAndCount) {
    write_script("VELTA_PERIODIC(5);\nVELTA_KBD(65);\n");
    EXPECT_EQ(play_one(), std::vector<Event>{periodic()});  // 4 of the line left, file open
    menu(CMD_RECORD);
    velta_set_animation(ANIMATION_RUN);
    EXPECT_EQ(next(), periodic());
    EXPECT_EQ(next(), periodic());
    velta_set_animation(ANIMATION_HALT);
    plat::headless::type_char(graphics(), 'z');
    EXPECT_EQ(next(), key('z'));
    command_now(CMD_RECORD);
    EXPECT_EQ(script(), "VELTA_PERIODIC(2);\nVELTA_KBD(122);\n");
    // The paused playback is over: Play One starts the new file from its first line.
    EXPECT_EQ(play_one(), std::vector<Event>{periodic()});
    EXPECT_EQ(play_one(), std::vector<Event>{periodic()});
    EXPECT_EQ(play_one(), std::vector<Event>{key('z')});
}

TEST_F(ScriptTest, ScriptEventReadInTheSamePassAsAClickKeepsTheClicksPosition) {
    write_script("VELTA_KBD(65);\nVELTA_KBD(66);\n");
    menu(CMD_PLAYBACK);
    EXPECT_EQ(next(), key('A'));
    click_at(10, 10);
    EXPECT_EQ(next(), (Event{EVENT_KEY, 10, 10, 'B'}));
}

TEST_F(ScriptTest, RecordingAfterPlayOneKeepsItsTicks) {
    write_script("VELTA_KBD(65);\nVELTA_KBD(66);\n");
    EXPECT_EQ(play_one(), std::vector<Event>{key('A')});
    menu(CMD_RECORD);
    velta_set_animation(ANIMATION_RUN);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(next(), periodic());
    EXPECT_FALSE(checked(CMD_PLAYBACK));
    // Playback during the recording finishes it and plays it from its first line.
    velta_set_animation(ANIMATION_HALT);
    EXPECT_EQ(play_all(), periodics(3));
    EXPECT_EQ(velta_state.recording, 0);
    EXPECT_EQ(script(), std::optional<std::string>("VELTA_PERIODIC(3);\n"));
}

TEST_F(ScriptTest, RecordThenQuitWithNoEventLeavesTheScriptUntouched) {
    const std::string text = "VELTA_KBD(65);\n";
    // Halt, Record, Quit: the quit reaches the recording, which has no line for it.
    write_script(text);
    menu(CMD_HALT);
    menu(CMD_RECORD);
    menu(CMD_QUIT);
    EXPECT_EQ(next().kind, EVENT_QUIT);
    velta_shutdown();
    EXPECT_EQ(script(), text);

    // The same with the close box, and with no script at all: none is created.
    reset();
    init();
    fs::remove("VELTA.SCR");
    menu(CMD_RECORD);
    plat::headless::close(graphics());
    EXPECT_EQ(next().kind, EVENT_QUIT);
    velta_shutdown();
    EXPECT_EQ(script(), std::nullopt);
}

TEST_F(ScriptTest, CountedTicksReachTheFileWhateverEndsTheProgram) {
    // A quit asked for by the application while recording: the armed tick comes back as the
    // quit, and the ticks counted before it are written.
    menu(CMD_RECORD);
    velta_set_animation(ANIMATION_RUN);
    EXPECT_EQ(next(), periodic());
    EXPECT_EQ(next(), periodic());
    velta_set_animation(ANIMATION_QUIT);
    EXPECT_EQ(next().kind, EVENT_QUIT);
    EXPECT_EQ(next().kind, EVENT_QUIT);
    velta_shutdown();
    EXPECT_EQ(script(), "VELTA_PERIODIC(2);\n");

    // A program that simply ends while recording.
    reset();
    init();
    menu(CMD_RECORD);
    velta_set_animation(ANIMATION_RUN);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(next(), periodic());
    velta_shutdown();
    EXPECT_EQ(script(), "VELTA_PERIODIC(3);\n");
}

TEST_F(ScriptTest, AnEventTurnedIntoAQuitIsRecordedAsTheQuit) {
    menu(CMD_RECORD);
    velta_set_animation(ANIMATION_QUIT);
    click_at(5, 6);
    EXPECT_EQ(next().kind, EVENT_QUIT);  // the application never sees the click
    command_now(CMD_RECORD);
    EXPECT_EQ(script(), std::nullopt);
}

TEST_F(ScriptTest, ANonRegularScriptIsNeitherReadNorWritten) {
    fs::create_directory("VELTA.SCR");
    EXPECT_EQ(play_all(), std::vector<Event>{});
    EXPECT_EQ(messages(), std::vector<std::string>{kReadMessage});
    EXPECT_FALSE(checked(CMD_PLAYBACK));
    menu(CMD_RECORD);
    plat::headless::type_char(graphics(), 'a');
    EXPECT_EQ(next(), key('a'));
    EXPECT_EQ(messages().back(), kWriteMessage);

#if !defined(_WIN32) && !defined(__EMSCRIPTEN__)
    // A FIFO would block an opening for reading or writing until another program opened it.
    // (Windows has no FIFOs in its file system.)
    fs::remove("VELTA.SCR");
    ASSERT_EQ(mkfifo("VELTA.SCR", 0600), 0);
    plat::headless::type_char(graphics(), 'b');
    EXPECT_EQ(next(), key('b'));
    EXPECT_EQ(messages().back(), kWriteMessage);
    command_now(CMD_RECORD);
    EXPECT_EQ(play_all(), std::vector<Event>{});
    EXPECT_EQ(messages().back(), kReadMessage);
#endif
}

TEST_F(ScriptTest, ARecordingIsATextFileOfThisSystemAndEitherLineEndPlays) {
    menu(CMD_RECORD);
    click_at(10, -20);
    EXPECT_EQ(next(), mouse(10, -20));
    plat::headless::type_char(graphics(), 'a');
    EXPECT_EQ(next(), key('a'));
    command_now(CMD_RECORD);
#ifdef _WIN32
    const std::string end = "\r\n";  // text files end their lines in CR LF on Windows
#else
    const std::string end = "\n";
#endif
    EXPECT_EQ(script_bytes(), "VELTA_MOUSE(10, -20);" + end + "VELTA_KBD(97);" + end);

    // A script from the other kind of system plays the same.
    std::vector<Event> expected = {mouse(10, -20), key('a'), periodic()};
    for (const char* other : {"\n", "\r\n"}) {
        std::string line_end = other;
        write_script("VELTA_MOUSE(10, -20);" + line_end + line_end + "VELTA_KBD(97);" + line_end +
                     "VELTA_PERIODIC(1);" + line_end);
        EXPECT_EQ(play_all(), expected) << (line_end.size() == 2 ? "CR LF" : "LF");
        EXPECT_EQ(messages().back(), kEofMessage);
    }
}

TEST_F(ScriptTest, ARecordingNeverWritesOverTheScriptThatIsPlaying) {
    const std::string text = "VELTA_PERIODIC(5);\nVELTA_KBD(65);\n";
    write_script(text);
    menu(CMD_PLAYBACK);
    EXPECT_EQ(next(), periodic());
    // Record on and off while the playback runs: the playback keeps its file and its count.
    menu(CMD_RECORD);
    menu(CMD_RECORD);
    EXPECT_EQ(drain(), periodics(4) + std::vector<Event>{key('A')});
    EXPECT_EQ(script(), text);

    // Record on, then the quit: the quit pass reads nothing, and the recording that cannot write
    // ends without taking the playback's count for its own.
    menu(CMD_PLAYBACK);
    EXPECT_EQ(next(), periodic());
    command_now(CMD_RECORD);
    plat::post_quit_message(0);
    EXPECT_EQ(next().kind, EVENT_QUIT);
    EXPECT_EQ(velta_state.recording, 0);
    EXPECT_FALSE(checked(CMD_RECORD));
    velta_shutdown();
    EXPECT_EQ(script(), text);
}

TEST_F(ScriptTest, PlaybackStoppedBeforeItsFirstReadLeavesARecordingsFile) {
    menu(CMD_RECORD);
    click_at(1, 2);
    EXPECT_EQ(next(), mouse(1, 2));
    // Playback on and off again with no wait in between (as in a dialog's loop): nothing was read.
    command_now(CMD_PLAYBACK);
    command_now(CMD_PLAYBACK);
    click_at(3, 4);
    EXPECT_EQ(next(), mouse(3, 4));
    command_now(CMD_RECORD);
    EXPECT_EQ(script(), "VELTA_MOUSE(1, 2);\nVELTA_MOUSE(3, 4);\n");
}

TEST_F(ScriptTest, ShutdownClosesARecording) {
    menu(CMD_RECORD);
    plat::headless::type_char(graphics(), 'q');
    EXPECT_EQ(next(), key('q'));
    velta_shutdown();
    EXPECT_EQ(script(), "VELTA_KBD(113);\n");
    EXPECT_EQ(velta_state.script, nullptr);
}

// ---- a recording that survives crashes, signals and a full disk ----

TEST_F(ScriptTest, EveryLineIsOnDiskAsSoonAsItIsRecorded) {
    // What a kill leaves: the file as it stands while the program still has it open.
    menu(CMD_RECORD);
    velta_set_animation(ANIMATION_RUN);
    EXPECT_EQ(next(), periodic());
    EXPECT_EQ(next(), periodic());
    click_at(3, -4);
    EXPECT_EQ(next(), mouse(3, -4));
    EXPECT_EQ(script(), "VELTA_PERIODIC(2);\nVELTA_MOUSE(3, -4);\n");
    plat::headless::type_char(graphics(), 'x');
    EXPECT_EQ(next(), key('x'));
    EXPECT_EQ(script(), "VELTA_PERIODIC(2);\nVELTA_MOUSE(3, -4);\nVELTA_KBD(120);\n");
    EXPECT_NE(velta_state.script, nullptr);
}

#if !defined(_WIN32) && !defined(__EMSCRIPTEN__)

// The handler in place for a signal, as sigaction reports it.
void (*handler_of(int number))(int) {
    struct sigaction now {};
    sigaction(number, nullptr, &now);
    return now.sa_handler;
}

TEST_F(ScriptTest, ASignalAskingToEndEndsTheProgramAsQuitDoes) {
    for (int number : {SIGINT, SIGTERM, SIGHUP}) {
        SCOPED_TRACE(number);
        reset();
        init();
        std::remove("VELTA.SCR");
        menu(CMD_RECORD);
        velta_set_animation(ANIMATION_RUN);
        click_at(1, 1);
        EXPECT_EQ(next(), mouse(1, 1));
        EXPECT_EQ(next(), periodic());
        EXPECT_EQ(next(), periodic());
        std::raise(number);
        std::uint64_t then = now();
        EXPECT_EQ(next().kind, EVENT_QUIT);  // before the next tick
        EXPECT_EQ(now(), then);
        velta_shutdown();  // the program's own end writes the counted ticks
        EXPECT_EQ(script(), "VELTA_MOUSE(1, 1);\nVELTA_PERIODIC(2);\n");
        EXPECT_EQ(handler_of(number), SIG_DFL);  // released with the library
    }
    // A program that handles (or ignores) a signal itself keeps its own handling.
    reset();
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    struct sigaction old {};
    sigaction(SIGHUP, &ignore, &old);
    init();
    EXPECT_EQ(handler_of(SIGHUP), SIG_IGN);
    EXPECT_NE(handler_of(SIGTERM), SIG_DFL);
    velta_shutdown();
    sigaction(SIGHUP, &old, nullptr);
}

// Runs `body` in a child process and returns its wait status; the child works in this test's
// directory and never returns into the test framework.
int in_child(const std::function<void()>& body) {
    std::fflush(nullptr);
    pid_t pid = fork();
    if (pid == 0) {
        body();
        _exit(0);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return status;
}

TEST_F(ScriptTest, ACrashOrASecondSignalStillWritesTheCountedTicks) {
    auto record_then = [](const std::function<void()>& end) {
        return [end] {
            menu(CMD_RECORD);
            velta_set_animation(ANIMATION_RUN);
            click_at(7, 8);
            next();
            for (int i = 0; i < 3; ++i) next();
            end();
        };
    };
    // A crash (abort): the default action follows, so the parent sees the signal.
    int status = in_child(record_then([] { std::abort(); }));
    ASSERT_TRUE(WIFSIGNALED(status));
    EXPECT_EQ(WTERMSIG(status), SIGABRT);
    EXPECT_EQ(script(), "VELTA_MOUSE(7, 8);\nVELTA_PERIODIC(3);\n");

    // Only ticks so far: their line is the file's first.
    std::remove("VELTA.SCR");
    status = in_child([] {
        menu(CMD_RECORD);
        velta_set_animation(ANIMATION_RUN);
        for (int i = 0; i < 4; ++i) next();
        std::abort();
    });
    ASSERT_TRUE(WIFSIGNALED(status));
    EXPECT_EQ(script(), "VELTA_PERIODIC(4);\n");

    // A second Ctrl+C while the first quit has not been taken (a program that never waits again).
    std::remove("VELTA.SCR");
    status = in_child(record_then([] {
        std::raise(SIGINT);
        std::raise(SIGINT);
    }));
    ASSERT_TRUE(WIFSIGNALED(status));
    EXPECT_EQ(WTERMSIG(status), SIGINT);
    EXPECT_EQ(script(), "VELTA_MOUSE(7, 8);\nVELTA_PERIODIC(3);\n");
}

TEST_F(ScriptTest, AWriteThatFailsEndsTheRecordingAndSaysSo) {
    // A real failing write: the child may not make files larger than four key lines.
    const std::string four = "VELTA_KBD(97);\nVELTA_KBD(98);\nVELTA_KBD(99);\nVELTA_KBD(100);\n";
    int status = in_child([&] {
        struct rlimit limit {};
        limit.rlim_cur = limit.rlim_max = four.size();
        std::signal(SIGXFSZ, SIG_IGN);
        if (setrlimit(RLIMIT_FSIZE, &limit) != 0) _exit(2);
        menu(CMD_RECORD);
        for (char c : std::string("abcdefg")) {
            plat::headless::type_char(graphics(), c);
            next();
        }
        // The recording ended at the first line that did not fit, said so once, and took its
        // check mark away; what fitted is kept.
        std::vector<std::string> said = messages();
        bool ok = velta_state.recording == 0 && !checked(CMD_RECORD) &&
                  said == std::vector<std::string>{"Cannot write script file VELTA.SCR\n"} &&
                  velta_state.script == nullptr;
        _exit(ok ? 0 : 1);
    });
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(script(), four);
}

#endif  // !_WIN32 && !__EMSCRIPTEN__

}  // namespace
