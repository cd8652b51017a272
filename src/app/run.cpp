#include "app/run.h"

#include <algorithm>
#include <chrono>
#include <string_view>

#include "app/output.h"
#include "app/platform.h"
#include "app/state.h"
#include "config/config.h"
#include "fix/brush_contents.h"
#include "fix/face_contents.h"
#include "fix/face_pass.h"
#include "fix/surface_flags.h"
#include "map/faces_ahead.h"
#include "map/inventory.h"
#include "map/map_file.h"
#include "map/preserved_map.h"
#include "text/text.h"

namespace {

constexpr int EXIT_DONE = 0;
constexpr int EXIT_FAILED = 1;
constexpr int EXIT_FIXES_DUE = 2;  // a -check run found something to fix
constexpr std::string_view CONFIG_NAME = "brushup.ini";

struct Option {
    std::string_view shortForm;
    std::string_view longForm;
    std::uint8_t bit;
};

// In the order the arguments are tested against them.
constexpr Option OPTIONS[] = {
    {"-v", "-verbose", OPT_VERBOSE}, {"-n", "-nonull", OPT_NONULL},     {"-s", "-nosurf", OPT_NOSURF},
    {"-c", "-content", OPT_CONTENT}, {"-z", "-zero", OPT_ZERO},         {"-d", "-dump", OPT_DUMP},
    {"-k", "-check", OPT_CHECK},     {"-p", "-preserve", OPT_PRESERVE},
};

// In the order the settings echo lists them.
struct Setting {
    std::uint8_t bit;
    std::string_view line;
};
constexpr Setting SETTINGS[] = {
    {OPT_NONULL, " -nonull enabled (never replace NULL)"},
    {OPT_NOSURF, " -nosurf enabled (skip already defined surfaces)"},
    {OPT_CONTENT, " -content enabled (auto set content)"},
    {OPT_VERBOSE, " -verbose enabled (display more info)"},
    {OPT_DUMP, " -dump enabled (write brushup.log)"},
    {OPT_ZERO, " -zero enable (never ignore null content flag)"},
    {OPT_CHECK, " -check enabled (report only, write no file)"},
    {OPT_PRESERVE, " -preserve enabled (change only the flags)"},
};

// The map as the user named it: `shown` (lower case) in every message, `path`
// (as typed, or lower-cased when only that form names a file) for every file
// operation, the backup's included.
struct MapName {
    std::string shown;
    std::string path;
};

// Only blanks (byte 32) are trimmed from arguments; tabs stay.
std::string_view trimSpaces(std::string_view text) {
    while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
    while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    return text;
}

void printUsage() {
    printLine("usage:  BRUSHUP.EXE filename[.MAP] [commands]");
    printLine("   -h (-help)          This help message");
    printLine("   -v (-verbose)       Display details");
    printLine("   -d (-dump)          Dump additional info to brushup.log");
    printLine("   -n (-nonull)        Do not replace NULL with common/0_sky1");
    printLine("   -s (-nosurf)        Do not replace existing surface flags");
    printLine("   -c (-content)       Enable auto-content");
    printLine("   -z (-zero)          Do not ignore null content flag");
    printLine("   -k (-check)         Only report: write no file, exit code 2 if fixes are due");
    printLine("   -p (-preserve)      Change only the flags: every other byte of the map stays");
}

// The bit of the option `argument` names, or 0.
std::uint8_t optionBit(std::string_view argument) {
    for (const Option& option : OPTIONS) {
        if (argument == option.shortForm || argument == option.longForm) return option.bit;
    }
    return 0;
}

// A long option may also be written with two dashes ("--verbose"); a short one
// may not ("--v" stays unknown). The one-dash form of `argument`, else `argument`.
std::string_view singleDashForm(std::string_view argument) {
    if (!argument.starts_with("--")) return argument;
    const std::string_view longForm = argument.substr(1);
    bool known = longForm == "-help" || longForm == "-version";
    for (const Option& option : OPTIONS) known = known || longForm == option.longForm;
    return known ? longForm : argument;
}

// Where the extension of `name` starts: the last "." of its final component,
// so "./level.map" and "e1.v2.map" are read correctly. npos when there is none.
std::size_t extensionStart(std::string_view name) {
    const std::string_view last = finalComponent(name);
    const std::size_t dot = last.find_last_of('.');
    return dot == std::string_view::npos ? dot : name.size() - last.size() + dot;
}

// Takes a map-name argument: ".map" appended when it has no extension, the
// extension checked, the file looked up. False after printing the error.
bool takeMapName(std::string_view typed, MapName& map) {
    std::string path(typed);
    std::size_t extension = extensionStart(path);
    if (extension == std::string::npos) {
        extension = path.size();
        path += ".map";
    }
    if (lowerText(std::string_view(path).substr(extension)) != ".map") {
        printLine("ERROR: Source file must be .MAP!");
        return false;
    }
    map.path = path;
    map.shown = lowerText(path);
    // On a file system that tells letter case apart, "Level" finds level.map:
    // the name the messages show. Where case does not count, both are one file.
    if (!plainFileCounts(map.path, true) && plainFileCounts(map.shown, true)) map.path = map.shown;
    if (!plainFileCounts(map.path, true)) {
        printLine("ERROR: " + map.shown + " not found!");
        return false;
    }
    return true;
}

void echoSettings() {
    if (runOptions == 0) return;
    printLine("---- Settings ----");
    for (const Setting& setting : SETTINGS) {
        if ((runOptions & setting.bit) != 0) printLine(setting.line);
    }
}

// The argument loop: every map name is tested and kept in `maps`, in the order
// given. False when the run must end: `exitCode` then says how.
bool readArguments(const std::vector<std::string>& arguments, std::vector<MapName>& maps, int& exitCode) {
    std::size_t position = 1;
    for (;;) {
        const std::string_view raw = position < arguments.size() ? std::string_view(arguments[position]) : "";
        const std::string_view typed = trimSpaces(raw);
        const std::string argument = lowerText(typed);
        const std::string_view option = singleDashForm(argument);
        if (argument.empty() || option == "-h" || option == "-help") {
            printUsage();
            exitCode = EXIT_DONE;
            return false;
        }
        if (option == "-version") {  // the banner says it all
            exitCode = EXIT_DONE;
            return false;
        }
        const std::uint8_t bit = optionBit(option);
        if (bit != 0) {
            if ((runOptions & bit) == 0) {
                runOptions = static_cast<std::uint8_t>(runOptions | bit);
                if (bit == OPT_DUMP) logHeader();
            }
        } else if (argument.front() != '-') {
            MapName map;
            if (!takeMapName(typed, map)) {
                exitCode = EXIT_FAILED;
                return false;
            }
            maps.push_back(std::move(map));
        } else {
            printLine("WARNING: Option unknown \"" + argument + "\"");
        }
        ++position;
        if (position >= arguments.size() || arguments[position].empty()) return true;
    }
}

// Without -check or -preserve only the last map named is worked on; the user
// who named more is told which one.
void keepLastMapOnly(std::vector<MapName>& maps) {
    if (maps.size() < 2) return;
    printLine("WARNING: Several maps named; working on " + maps.back().shown + " only, the others are not changed!");
    maps.erase(maps.begin(), maps.end() - 1);
}

// Loads the configuration. False after printing why the run ends.
bool loadDefinitions() {
    printLine("---- Initialization ----");
    printLine("Loading brushup.ini...");
    if (!loadConfig(std::string(CONFIG_NAME))) {
        printLine("brushup.ini not found!");
        return false;
    }
    if (textureDefs.empty()) {
        printLine("no textures defined!");
        return false;
    }
    printVerbose(std::to_string(textureDefs.size()) + " textures defined.");
    if (walSourceCount > 0) printVerbose(unsignedToText(walTextureCount) + " of them from [WAL].");
    return true;
}

// "N brushDef blocks and M patchDef block": each count with its word, a count of 0 left out.
std::string unreadBlocksText() {
    std::string text;
    const auto addCount = [&text](std::uint32_t count, std::string_view kind) {
        if (count == 0) return;
        if (!text.empty()) text += " and ";
        text += unsignedToText(count);
        text += kind;
        text += count == 1 ? " block" : " blocks";
    };
    addCount(brushDefBlocks, " brushDef");
    addCount(patchDefBlocks, " patchDef");
    return text;
}

// Prints why readMap's `result` keeps the map from being worked on; false
// when it does.
bool reportReadFailure(const MapName& map, std::uint8_t result) {
    if (result == MAP_NOT_TEXT) {
        printLine("ERROR: " + map.shown + " is not a text map!");
    } else if (result == MAP_STRAY_CLOSE) {
        printLine("ERROR: " + map.shown + " line " + unsignedToText(braceFaultLine) +
                  ": closing brace with no block open!");
    } else if (result == MAP_OPEN_BLOCK) {
        printLine("ERROR: " + map.shown + " ends inside the block opened at line " + unsignedToText(braceFaultLine) +
                  "!");
    } else if (result != MAP_READ) {
        printLine("Cannot open " + map.shown + " file");
    } else if (mapLines.empty()) {
        printLine(map.shown + " is empty!");
    } else {
        return true;
    }
    return false;
}

// Reads the map, splits its faces and, unless -check or -preserve, writes the
// backup. False after printing why the map cannot be worked on.
bool prepareMap(const MapName& map) {
    const bool checkOnly = (runOptions & OPT_CHECK) != 0;
    printLine("Entering " + map.shown + "...");
    // Nothing is written with -check, so a read-only map is welcome.
    if (!reportReadFailure(map, readMap(map.path, checkOnly))) return false;
    printVerbose("Read " + unsignedToText(linesRead) + " lines, " + std::to_string(mapLines.size()) +
                 " relevant lines");
    if (brushDefBlocks != 0 || patchDefBlocks != 0) {
        printLine("WARNING: " + map.shown + " holds " + unreadBlocksText() + ", whose faces are not checked!");
    }
    // The face lines are split on a second thread while this one writes the backup.
    startSplittingFaces();
    const bool backedUp =
        (runOptions & (OPT_CHECK | OPT_PRESERVE)) != 0 || writeMap(map.path + ".backup", map.shown + ".backup");
    finishSplittingFaces();
    if (!backedUp) {
        printLine("ERROR: Cannot write " + map.shown + ".backup!");
        return false;
    }
    return true;
}

// Prints every change fixNotes holds as "FILE:LINE: what changes", in file
// order, the form editors and CI annotations read; FILE is the name as typed.
void printFixNotes(const MapName& map) {
    std::stable_sort(fixNotes.begin(), fixNotes.end(),
                     [](const FixNote& a, const FixNote& b) { return a.lineNumber < b.lineNumber; });
    for (const FixNote& note : fixNotes) {
        printLine(map.path + ":" + unsignedToText(note.lineNumber) + ": " + note.text);
    }
}

// With -preserve: the backup, a byte copy of the map as read, then the map as
// read with only its changed fields replaced; neither when nothing changes.
// Returns the map's exit code.
int writePreserved(const MapName& map) {
    if (!anyFaceChange()) {
        printLine(map.shown + " needs no fixing, nothing written");
        return EXIT_DONE;
    }
    if (!writeMapAsRead(map.path + ".backup", map.shown + ".backup")) {
        printLine("ERROR: Cannot write " + map.shown + ".backup!");
        return EXIT_FAILED;
    }
    if (!writePreservedMap(map.path, map.shown)) {
        printLine("ERROR: Cannot write " + map.shown + "!");
        return EXIT_FAILED;
    }
    return EXIT_DONE;
}

// One map, from "Entering" to its verdict (-check) or its final write; returns
// the map's exit code.
int workOnMap(const MapName& map) {
    if (!prepareMap(map)) return EXIT_FAILED;
    collectTextures();
    printLine("---- Map check ----");
    // Every pass runs, whatever an earlier one found: each logs its own changes.
    applySurfaceFlags();
    if ((runOptions & OPT_CONTENT) != 0) applyFaceContents();
    unifyBrushContents();
    if ((runOptions & OPT_CHECK) != 0) {
        // A check judges what the map would be against what was read.
        findFaceChanges();
        noteFaceChanges();
        printFixNotes(map);
        const bool fixesDue = !fixNotes.empty();
        printLine(map.shown + (fixesDue ? " needs fixing" : " needs no fixing"));
        return fixesDue ? EXIT_FIXES_DUE : EXIT_DONE;
    }
    if ((runOptions & OPT_PRESERVE) != 0) return writePreserved(map);
    // Nothing else runs now, so the map is formed on a second thread while this one writes it.
    if (!writeMap(map.path, map.shown, true)) {
        printLine("ERROR: Cannot write " + map.shown + "!");
        return EXIT_FAILED;
    }
    return EXIT_DONE;
}

// The maps in turn, each with the configuration as loaded. Returns the run's
// exit code: a map that failed outweighs one that needs fixing.
int workOnMaps(const std::vector<MapName>& maps) {
    // collectTextures empties textureDefs, so each further map gets a copy.
    std::vector<TextureRecord> definitions;
    if (maps.size() > 1) definitions = textureDefs;
    int exitCode = EXIT_DONE;
    for (std::size_t i = 0; i < maps.size(); ++i) {
        if (i > 0) {
            resetMapState();
            textureDefs = definitions;
        }
        if (maps.size() > 1) logLine("Map " + maps[i].shown);
        const int mapExit = workOnMap(maps[i]);
        if (mapExit == EXIT_FAILED || exitCode == EXIT_FAILED) {
            exitCode = EXIT_FAILED;
        } else if (mapExit == EXIT_FIXES_DUE) {
            exitCode = EXIT_FIXES_DUE;
        }
    }
    return exitCode;
}

// The run, from start-up to the elapsed time; returns the exit code.
int runSteps(const std::vector<std::string>& arguments) {
    resetState();
    preparePlatform();
    const auto startTime = std::chrono::steady_clock::now();
    printLine(std::string("brushup ") + BRUSHUP_VERSION);
    printLine("");

    std::vector<MapName> maps;
    int exitCode = EXIT_DONE;
    if (!readArguments(arguments, maps, exitCode)) return exitCode;
    echoSettings();
    if ((runOptions & (OPT_CHECK | OPT_PRESERVE)) == 0) keepLastMapOnly(maps);
    // With no name at all the run goes on, and ends where the map cannot be opened.
    if (maps.empty()) maps.emplace_back();
    if (!loadDefinitions()) return EXIT_FAILED;
    exitCode = workOnMaps(maps);
    // A run on one map ends at its failure; several maps share one closing line.
    if (maps.size() == 1 && exitCode == EXIT_FAILED) return exitCode;

    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - startTime;
    const auto seconds = static_cast<std::int32_t>(roundHalfEven(elapsed.count()));
    printLine("   " + signedToText(seconds) + " seconds elapsed");
    return exitCode;
}

}  // namespace

int runProgram(const std::vector<std::string>& arguments) {
    const int exitCode = runSteps(arguments);
    closeLog();  // every line is in the file already; this lets the folder go
    return exitCode;
}

int runProgram(int argc, char** argv) {
    std::vector<std::string> arguments;
    for (int i = 0; i < argc; ++i) arguments.emplace_back(argv[i]);
    return runProgram(arguments);
}
