// Fuzz target for the script reader: arbitrary bytes become the script file, and the reader is
// called, as continuous playback would, until it reaches the end of the file. Unknown lines are
// passed over as choosing Playback again would. The sanitizers catch any read beyond a line or a
// number; the checks below catch a reader that yields an impossible event or stops advancing.
#include <fcntl.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "library_state.h"
#include "platform/headless/headless.h"
#include "velta/velta.h"

namespace {

char work_dir[] = "/tmp/velta-script-fuzz-XXXXXX";
int caller_dir = -1;

void remove_work_dir() {
    std::string script = std::string(work_dir) + "/VELTA.SCR";
    std::remove(script.c_str());
    rmdir(work_dir);
}

// The script file is always "VELTA.SCR" in the current directory: each input runs in a private
// directory, and the caller's one is restored afterwards so that libFuzzer's relative corpus and
// artifact paths keep their meaning.
struct InWorkDir {
    InWorkDir() {
        if (chdir(work_dir) != 0) std::abort();
    }
    ~InWorkDir() {
        if (fchdir(caller_dir) != 0) std::abort();
    }
};

// A counted periodic line is delivered one read at a time; a few are enough to exercise that.
constexpr std::int32_t kMaxCountKept = 3;

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
    if (caller_dir < 0 || mkdtemp(work_dir) == nullptr) std::abort();
    std::atexit(remove_work_dir);
    velta_reset_for_tests();
    plat::headless::reset(160, 120);  // a small console keeps each message cheap
    velta_init(nullptr, nullptr, nullptr, plat::sw::show_normal);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    InWorkDir in_work_dir;
    std::FILE* file = std::fopen("VELTA.SCR", "wb");
    if (file == nullptr) std::abort();
    if (size > 0 && std::fwrite(data, 1, size, file) != size) std::abort();
    std::fclose(file);

    VeltaState& s = velta_state;
    velta_close_script();
    s.recording = 0;
    s.periodic_count = 0;
    // Each read consumes at least one byte of the file or one of the few kept periodic events.
    const std::size_t max_reads = (size + 1) * (kMaxCountKept + 2);
    std::size_t reads = 0;
    for (; reads < max_reads; ++reads) {
        s.playback = 1;
        s.pending_kind = -1;
        if (velta_read_script_event()) {
            if (s.pending_kind < EVENT_MOUSE || s.pending_kind > EVENT_PERIODIC) std::abort();
        }
        if (s.periodic_count < 0) std::abort();
        if (s.periodic_count > kMaxCountKept) s.periodic_count = kMaxCountKept;
        if (s.script == nullptr) break;  // the end of the file closed it
    }
    if (reads == max_reads) std::abort();  // the reader stopped advancing through the file
    if (s.playback != 0) std::abort();
    return 0;
}
