// Whole runs described by case files (src/<module>/cases/*.case), each file in a fresh folder. A case is
// a sequence of directives, one a line ("#" starts a comment):
//   posix only, windows only  the file runs only there
//   --- NAME [< PATH]         NAME (its folders made) holds the text below, or a copy of PATH: from the
//                             source folder, or with "@PATH" from the run's folder
//   mkdir NAME, chmod MODE NAME, link NAME TARGET, attrib hsr NAME (Windows: hidden, system, read-only)
//   limit: N, as nobody       the next run may write N bytes a file; runs as nobody (only root may)
//   args: A "B C" ""          runs brushup with these arguments ("" is an empty one)
//   exit: N                   the run's exit code; 0 when not given
//   args: ARGS => N: LINE     the same, with "exit: N" and a console that holds LINE
//   === console, === NAME     what the run printed after the banner, what NAME holds after it
//   !!! NAME, same NAME       NAME does not exist; holds what it held before the run
//   mode: MODE NAME           NAME has these permission bits
// In a text, "brush: F | F" is a brush of ordinary faces, and "brush N: F | F" the same after "// brush N".
// A face F, "TEXTURE [CONTENT [SURFACE]]", is ( 0 0 0 ) ( 0 1 0 ) ( 1 0 0 ) TEXTURE 0 0 0 1 1 CONTENT
// SURFACE 0, missing numbers 0. An expected text's line "..." stands for any lines, and its lines end in
// CR LF. Trailing empty lines are dropped; <CR>, <LF>, <SUB> and <NUL> are bytes 13, 10, 26 and 0; <EOF>
// ends a text without a line end. The log's date reads "<date>". No run may leave a temporary file (a name
// holding ".brushup-").
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <map>
#include <sstream>
#include <vector>

#ifdef _WIN32
#define NOMINMAX
#include <windows.h>
#else
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include "app/output.h"
#include "app/run.h"
#include "app/state.h"
#include "testing/temp_dir.h"

namespace {

namespace fs = std::filesystem;

struct Step {
    std::string directive, value, text;
};

const std::string_view DIRECTIVES[] = {"--- ",  "=== ",  "!!! ",   "same ",     "mkdir ",     "chmod ",      "link ",
                                       "mode:", "args:", "exit:", "limit:", "as nobody", "posix only", "windows only",
                                       "attrib "};
constexpr char ANY_LINES = '\x01';  // an expected text's "..." line

#ifdef _WIN32
constexpr std::string_view OTHER_PLATFORM_ONLY = "posix only";
bool restrictRun(std::uint64_t sizeLimit, bool asNobody) { return sizeLimit == 0 && !asNobody; }
std::FILE* startProgram(const char* command) { return ::_popen(command, "rb"); }
int exitCodeOf(std::FILE* program) { return ::_pclose(program); }
#else
constexpr std::string_view OTHER_PLATFORM_ONLY = "windows only";
// Sets the next run's file-size limit (0: none) and identity: root takes nobody's as its effective one, which
// it may give back. False when that fails.
bool restrictRun(std::uint64_t sizeLimit, bool asNobody) {
    rlimit limit{};
    if (::getrlimit(RLIMIT_FSIZE, &limit) != 0) return false;
    limit.rlim_cur = sizeLimit > 0 ? static_cast<rlim_t>(sizeLimit) : limit.rlim_max;
    if (::setrlimit(RLIMIT_FSIZE, &limit) != 0) return false;
    if (asNobody) return ::setegid(65534) == 0 && ::seteuid(65534) == 0;
    return ::seteuid(::getuid()) == 0 && ::setegid(::getgid()) == 0;
}
std::FILE* startProgram(const char* command) { return ::popen(command, "r"); }
int exitCodeOf(std::FILE* program) {
    const int status = ::pclose(program);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}
#endif

// The lines a "brush [N]: F | F" line stands for.
std::string brushLines(const std::string& line) {
    const std::size_t colon = line.find(':');
    std::string lines = colon > 5 ? "// brush " + line.substr(6, colon - 6) + "\n{\n" : "{\n";
    std::istringstream faces(line.substr(colon + 1));
    for (std::string face; std::getline(faces, face, '|');) {
        std::istringstream words(face);
        std::string field[3] = {"", "0", "0"};
        for (std::string& value : field) {
            if (std::string word; words >> word) value = word;
        }
        if (!field[0].empty()) lines += "( 0 0 0 ) ( 0 1 0 ) ( 1 0 0 ) " + field[0] + " 0 0 0 1 1 " + field[1] + " " + field[2] + " 0\n";
    }
    return lines + "}\n";
}

std::string expandText(std::string text, bool expected) {
    if (const std::size_t end = text.find("<EOF>"); end != std::string::npos) text.resize(end);
    while (text.ends_with("\n\n") || text == "\n") text.pop_back();
    std::string shaped, out;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        const bool brush = (line.starts_with("brush:") || line.starts_with("brush ")) && line.find(':') != line.npos;
        shaped += expected && line == "..." ? std::string(1, ANY_LINES) : brush ? brushLines(line) : line + "\n";
    }
    if (!text.empty() && !text.ends_with('\n')) shaped.pop_back();
    static const std::pair<std::string_view, std::string_view> ESCAPES[] = {
        {"<CR>", "\r"}, {"<LF>", "\n"}, {"<SUB>", "\x1a"}, {"<NUL>", std::string_view("\0", 1)}, {"\n", "\r\n"}};
    for (std::size_t i = 0; i < shaped.size(); ++i) {
        const std::string_view rest = std::string_view(shaped).substr(i);
        const auto escape = std::find_if(std::begin(ESCAPES), std::end(ESCAPES),
                                         [&](const auto& e) { return rest.starts_with(e.first); });
        const bool used = escape != std::end(ESCAPES) && (expected || escape->first != "\n");
        out += used ? escape->second : rest.substr(0, 1);
        i += used ? escape->first.size() - 1 : 0;
    }
    return out;
}

// True when `got` is `want`, where each ANY_LINES stands for any run of whole lines.
bool matches(std::string_view want, std::string_view got) {
    const std::size_t gap = want.find(ANY_LINES);
    if (gap == std::string_view::npos || got.substr(0, gap) != want.substr(0, gap)) return want == got;
    for (std::size_t at = gap;; at = got.find('\n', at) + 1) {
        if (matches(want.substr(gap + 1), got.substr(at))) return true;
        if (got.find('\n', at) == std::string_view::npos) return false;
    }
}

std::vector<Step> readCase(const fs::path& path) {
    std::vector<Step> steps;
    std::istringstream lines(readFile(path.string()));
    for (std::string line; std::getline(lines, line);) {
        const auto directive = std::find_if(std::begin(DIRECTIVES), std::end(DIRECTIVES),
                                            [&](std::string_view d) { return line.starts_with(d); });
        if (directive == std::end(DIRECTIVES)) {
            if (!steps.empty() && !line.starts_with("#")) steps.back().text += line + "\n";
            continue;
        }
        const std::size_t start = std::min(line.size(), line.find_first_not_of(' ', directive->size()));
        const std::size_t arrow = *directive == "args:" ? line.find(" => ") : std::string::npos;
        steps.push_back({std::string(*directive), line.substr(start, arrow - start), ""});
        if (arrow == std::string::npos) continue;
        const std::size_t colon = line.find(':', arrow);
        steps.push_back({"exit:", line.substr(arrow + 4, colon - arrow - 4), ""});
        steps.push_back({"=== ", "console", "...\n" + line.substr(colon + 2) + "\n...\n"});
    }
    for (Step& step : steps) step.text = expandText(step.text, step.directive == "=== ");
    return steps;
}

// Splits an "args:" value; double quotes group words and "" is an empty argument.
std::vector<std::string> splitArguments(std::string_view line) {
    std::vector<std::string> arguments{"brushup"};
    for (std::size_t i = line.find_first_not_of(' '); i < line.size(); i = line.find_first_not_of(' ', i)) {
        const bool quoted = line[i] == '"';
        const std::size_t start = i + (quoted ? 1 : 0);
        const std::size_t end = std::min(line.find(quoted ? '"' : ' ', start), line.size());
        arguments.emplace_back(line.substr(start, end - start));
        i = std::min(end + (quoted ? 1 : 0), line.size());
    }
    return arguments;
}

std::string withoutLogDate(std::string text) {
    for (std::size_t at = text.find("Log date: "); at != std::string::npos; at = text.find("Log date: ", at + 1)) {
        text.replace(at + 10, std::min<std::size_t>(19, text.size() - at - 10), "<date>");
    }
    return text;
}

std::vector<fs::path> caseFiles() {
    std::vector<fs::path> files;
    for (const auto& entry : fs::recursive_directory_iterator(BRUSHUP_SOURCE_DIR "/src")) {
        if (entry.path().extension() == ".case") files.push_back(fs::absolute(entry.path()));
    }
    std::sort(files.begin(), files.end());
    return files;
}

class RunCase : public ::testing::TestWithParam<fs::path> {};

TEST_P(RunCase, ConsoleExitCodeAndFilesMatch) {
    const std::vector<Step> steps = readCase(GetParam());
    TempDir dir;
    std::string console, trace;
    std::map<std::string, std::string> before;  // files as they were before the run
    std::uint64_t sizeLimit = 0;                // for the next run
    bool asNobody = false;
    for (std::size_t i = 0; i < steps.size(); ++i) {
        const auto& [directive, value, text] = steps[i];
        const std::string firstWord = value.substr(0, value.find(' ')), lastWord = value.substr(value.find(' ') + 1);
        if (directive == OTHER_PLATFORM_ONLY) GTEST_SKIP() << "runs " << directive;
        if (directive == "--- ") {
            const std::size_t from = value.find(" < ");
            const std::string source = from == std::string::npos ? "" : value.substr(from + 3);
            writeFile(value.substr(0, from), source.empty()          ? text
                                             : source.starts_with("@") ? readFile(source.substr(1))
                                                                       : readFile(BRUSHUP_SOURCE_DIR "/" + source));
        } else if (directive == "mkdir ") {
            fs::create_directories(value);
        } else if (directive == "chmod ") {
            fs::permissions(lastWord, static_cast<fs::perms>(std::stoi(value, nullptr, 8)));
        } else if (directive == "link ") {
            fs::create_symlink(lastWord, firstWord);
        } else if (directive == "attrib ") {
#ifdef _WIN32
            DWORD bits = 0;
            for (const char c : firstWord) {
                bits |= c == 'h' ? FILE_ATTRIBUTE_HIDDEN : c == 's' ? FILE_ATTRIBUTE_SYSTEM : FILE_ATTRIBUTE_READONLY;
            }
            ASSERT_TRUE(::SetFileAttributesA(lastWord.c_str(), bits)) << value;
#endif
        } else if (directive == "limit:") {
            sizeLimit = std::stoull(value);
        } else if (directive == "as nobody") {
            asNobody = true;
        } else if (directive == "args:") {
            for (std::size_t j = i + 1; j < steps.size() && steps[j].directive != "args:"; ++j) {
                if (steps[j].directive == "same ") before[steps[j].value] = readFile(steps[j].value);
            }
            trace = value;
            console.clear();
            if (!restrictRun(sizeLimit, asNobody)) GTEST_SKIP() << "cannot limit the run or run it as nobody";
            captureConsole(&console);
            const int exitCode = runProgram(splitArguments(value));
            ASSERT_TRUE(restrictRun(0, false)) << trace;
            captureConsole(nullptr);
            sizeLimit = 0;
            asNobody = false;
            const bool exitGiven = i + 1 < steps.size() && steps[i + 1].directive == "exit:";
            EXPECT_EQ(exitGiven ? std::stoi(steps[i + 1].value) : 0, exitCode) << trace << "\n" << console;
            for (const auto& entry : fs::recursive_directory_iterator(".")) {
                EXPECT_EQ(std::string::npos, entry.path().filename().string().find(".brushup-")) << trace;
            }
        } else if (directive == "=== ") {
            const std::string want = value == "console" ? "brushup " BRUSHUP_VERSION "\r\n\r\n" + text : text;
            const std::string got = value == "console" ? console : withoutLogDate(readFile(value));
            if (!matches(want, got)) ADD_FAILURE() << trace << ": " << value << "\n" << want << "\n-- got:\n" << got;
        } else if (directive == "!!! ") {
            EXPECT_FALSE(fs::exists(value)) << trace << " left " << value;
        } else if (directive == "same ") {
            EXPECT_EQ(before[value], readFile(value)) << trace << " changed " << value;
        } else if (directive == "mode:") {
            EXPECT_EQ(std::stoi(firstWord, nullptr, 8), static_cast<int>(fs::status(lastWord).permissions())) << value;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, RunCase, ::testing::ValuesIn(caseFiles()),
                         [](const auto& param) { return param.param.stem().string(); });

// The built program's standard output carries each line end as exactly CR LF, on Windows too, where text mode
// would write CR CR LF.
TEST(Console, StandardOutputPassesLineEndsUnchanged) {
    TempDir dir;
    std::FILE* program = startProgram("\"" BRUSHUP_BINARY "\" missing");
    ASSERT_NE(nullptr, program);
    std::string output(256, '\0');
    output.resize(std::fread(output.data(), 1, output.size(), program));
    EXPECT_EQ(1, exitCodeOf(program));
    EXPECT_EQ("brushup " BRUSHUP_VERSION "\r\n\r\nERROR: missing.map not found!\r\n", output);
}

}  // namespace
