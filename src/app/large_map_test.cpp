// Maps of many sections, larger than the read-ahead size and with a line of several read pieces, made of
// one brush repeated in a worldspawn and in entities of one to three brushes: every fix, log line and
// -check note is that brush's, at a place the generator knows, wherever the sections start.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <future>
#include <string>
#include <thread>
#include <vector>

#include "app/output.h"
#include "app/run.h"
#include "app/state.h"
#include "testing/temp_dir.h"

namespace {

constexpr std::size_t PIECE = BRUSHUP_READ_PIECE_SIZE;
constexpr std::size_t READ_AHEAD = std::size_t{4} << 20;  // a map this large is read on a second thread
const std::string FACE = "( 0 0 0 ) ( 0 1 0 ) ( 1 0 0 ) ";

// A generated map as read, and what a run on it must leave: the fixed map, the log lines of each pass
// and the -check notes, with the counts of physical lines, kept lines and brushes.
struct LargeMap {
    std::string bytes, fixed = "\r\n", surfaceLog, contentLog, brushLog, notes;
    std::uint32_t lines = 0, keptLines = 0, brushes = 0;

    // Its first face needs the surface flags "slick", and its content 0 becomes 1: the content of its
    // texture with -content, else that of the brush's other faces.
    void addBrush(std::int32_t entity, std::int32_t brush) {
        bytes += "// brush 99\r\n{\r\n\t" + FACE + "base/floor 0 0 0 1 1 0 0 0\r\n" + FACE +
                 "base/floor 0 0 0 1 1 1 2 0 // as it should be\r\n" + FACE + "other 0 0 0 1 1 1 0 0\r\n}\r\n";
        fixed += "// brush " + std::to_string(brush) + "\r\n{\r\n" + FACE + "base/floor 0 0 0 1 1 1 2 0\r\n" + FACE +
                 "base/floor 0 0 0 1 1 1 2 0\r\n" + FACE + "other 0 0 0 1 1 1 0 0\r\n}\r\n";
        const std::string heading = "--Entity " + std::to_string(entity + 1) + ", brush " + std::to_string(brush + 1);
        surfaceLog += heading + "--\r\n[base/floor] NOTHING >> \"slick\"\r\n";
        contentLog += heading + "--\r\n[base/floor] NOTHING >> \"solid\"\r\n";
        brushLog += "Entity " + std::to_string(entity) + ", Brush " + std::to_string(brush) +
                    ": mixed face contents -- new content \"solid\"\r\n";
        const std::string at = "large.map:" + std::to_string(lines + 3);
        notes += at + ": surface flags [base/floor] NOTHING >> \"slick\"\r\n" + at +
                 ": content flags [base/floor] NOTHING >> \"solid\"\r\n";
        lines += 6, keptLines += 5, ++brushes;
    }
    void addEntity(std::int32_t entity, std::int32_t brushCount, const std::string& keyLine) {
        bytes += "{\r\n" + keyLine + "\r\n";
        fixed += "// entity " + std::to_string(entity) + "\r\n{\r\n" + keyLine + "\r\n";
        lines += 2, keptLines += 2;
        for (std::int32_t brush = 0; brush < brushCount; ++brush) addBrush(entity, brush);
        bytes += "}\r\n", fixed += "}\r\n";
        ++lines, ++keptLines;
    }
};

// A worldspawn of four sections' worth of brushes, whose message is longer than two read pieces, then
// entities until the map is larger than the read-ahead size.
LargeMap makeLargeMap() {
    LargeMap map;
    map.addEntity(0, static_cast<std::int32_t>(4 * SECTION_LINES / 5),
                  "\"message\" \"" + std::string(PIECE * 5 / 2, 'm') + "\"");
    for (std::int32_t entity = 1; map.bytes.size() < READ_AHEAD + PIECE; ++entity) {
        map.addEntity(entity, 1 + entity % 3, "\"classname\" \"func_wall\"");
    }
    return map;
}

// Runs brushup on large.map, holding `bytes`, with the example's brushup.ini; returns its exit code,
// with its console from "Entering" on, less the seconds elapsed, in `console`. A run that has not ended
// after half a minute waits for ever: it ends the test program.
int runOn(const std::string& bytes, std::vector<std::string> arguments, std::string& console) {
    writeFile("brushup.ini", readFile(BRUSHUP_EXAMPLES_DIR "/brushup.ini"));
    writeFile("large.map", bytes);
    arguments.insert(arguments.begin(), {"brushup", "large"});
    captureConsole(&console);
    // The run keeps to this thread, as in the program: a watch ends the test program if it does not end.
    std::promise<void> ended;
    std::thread watch([runEnds = ended.get_future()] {
        if (runEnds.wait_for(std::chrono::seconds(30)) == std::future_status::ready) return;
        std::fputs("brushup has not ended within 30 seconds\n", stderr);
        std::_Exit(1);
    });
    const int exitCode = runProgram(arguments);
    ended.set_value();
    watch.join();
    captureConsole(nullptr);
    console.erase(0, console.find("Entering"));
    console.erase(std::min(console.size(), console.rfind("   ")));
    return exitCode;
}

// Texts of megabytes are compared whole, and shown where they first differ.
void expectSame(const std::string& want, const std::string& got, const char* what) {
    const auto at =
        static_cast<std::size_t>(std::mismatch(want.begin(), want.end(), got.begin(), got.end()).first - want.begin());
    const std::size_t from = at - std::min<std::size_t>(at, 200);
    EXPECT_TRUE(want == got) << what << " differs from byte " << at << ":\n"
                             << want.substr(from, 400) << "\n-- got:\n"
                             << got.substr(from, 400);
}

// A real run writes each brush fixed; a -check run with -content notes each face's fixes at its line and
// writes nothing. Both log what each pass changes, brush by brush.
TEST(LargeMap, EveryBrushIsFixedLoggedAndNotedAsOnItsOwn) {
    const LargeMap map = makeLargeMap();
    const std::string n = std::to_string(map.brushes);
    const std::string read = "Entering large.map...\r\nRead " + std::to_string(map.lines) + " lines, " +
                             std::to_string(map.keptLines) + " relevant lines\r\n";
    const std::string found =
        "Found 2 uniques textures (1 textures undefined in brushup.ini)\r\n---- Map check ----\r\n";
    const std::string surfaces = "Setting surfaces... done (" + n + " surfaces replaced)\r\n";
    const std::vector<std::string> realRun{"-v", "-d"}, checkRun{"-v", "-d", "-c", "-k"};
    for (const bool check : {false, true}) {
        TempDir dir;
        std::string console;
        EXPECT_EQ(check ? 2 : 0, runOn(map.bytes, check ? checkRun : realRun, console));
        expectSame(check ? read + found + surfaces + "Setting cpntents... done (" + n +
                               " face contents replaced)\r\nFixing content... done (0 brush fixed)\r\n" + map.notes +
                               "large.map needs fixing\r\n"
                         : read + "Writing large.map.backup\r\n" + found + surfaces + "Fixing content... done (" + n +
                               " brushes fixed)\r\nWriting large.map\r\n",
                   console, "the console");
        expectSame(check ? map.bytes : map.fixed, readFile("large.map"), "the map");
        std::string log = readFile("brushup.log");
        log.erase(0, log.find('\n', log.find("Log date")) + 1);
        expectSame("-- WARNING --\r\nThe following textures are not defined and will be ignored:\r\n     other\r\n" +
                       map.surfaceLog + (check ? map.contentLog : map.brushLog),
                   log, "the log");
    }
}

// A map at the read-ahead size is no text, and is refused in good time, with a NUL byte in its second read
// piece or in its last, or with text after a Ctrl-Z whose own piece holds only line ends after it.
TEST(LargeMap, NoTextIsRefusedBeyondTheFirstPiece) {
    const std::string bytes = makeLargeMap().bytes;
    std::vector<std::string> maps(3, bytes);
    maps[0][PIECE * 3 / 2] = '\0';
    maps[1][bytes.size() - 3] = '\0';
    maps[2].insert(PIECE / 2, "\x1a" + std::string(PIECE, '\n'));
    for (std::size_t i = 0; i < maps.size(); ++i) {
        TempDir dir;
        std::string console;
        EXPECT_EQ(1, runOn(maps[i], {}, console)) << "map " << i;
        EXPECT_EQ("Entering large.map...\r\nERROR: large.map is not a text map!\r\n", console) << "map " << i;
        EXPECT_EQ("<missing>", readFile("large.map.backup")) << "map " << i;
    }
}

}  // namespace
