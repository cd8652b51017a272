// Whole runs described by case files (src/<module>/cases/*.case), each file in a fresh folder, one directive
// a line ("#" starts a comment):
//   posix only, windows only  the file runs only there
//   --- NAME [< PATH]         NAME (its folders made) holds the text below, or a copy of PATH (from the source
//                             folder; "@PATH": from the run's folder)
//   chmod MODE NAME           sets NAME's permission bits (on Windows: read-only or not)
//   sh: COMMAND               runs COMMAND in the system's shell, which must end with exit code 0
//   limit: N, as nobody       the next run may write N bytes a file; runs as nobody (only root may)
//   args: A "B C" "" [=> N: LINE]  runs brushup with these arguments ("" is an empty one); it must end with
//                             exit code N (else 0), and its console hold LINE
//   === console, === NAME     what the run printed after the banner, what NAME holds after it
//   !!! NAME, same NAME       NAME does not exist; holds what it held before the run
//   fixed NAME                NAME holds its backup, with each "A => B" line of its text written as B (in a
//                             backup that is a byte copy of the text, with the line ends as written)
// In a text, "brush: F | F" is a brush of ordinary faces, "brush N: F | F" the same after "// brush N". A face
// "TEXTURE [CONTENT [SURFACE]]" is ( 0 0 0 ) ( 0 1 0 ) ( 1 0 0 ) TEXTURE 0 0 0 1 1 CONTENT SURFACE 0, missing
// numbers 0. An expected text's line "..." stands for any lines; its lines end in CR LF. Trailing empty lines
// are dropped; <CR>, <LF>, <SUB> and <NUL> are bytes 13, 10, 26 and 0, <BOM> the UTF-8 byte order mark; <EOF>
// ends a text without a line end.
// The log's date reads "<date>", and a run of one second counts as one of 0. No run may leave a temporary file.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <iomanip>
#include <map>
#include <sstream>

#ifndef _WIN32
#include <sys/resource.h>
#include <unistd.h>
#endif

#include "app/output.h"
#include "app/run.h"
#include "testing/temp_dir.h"

namespace {

namespace fs = std::filesystem;
using Changes = std::vector<std::pair<std::string, std::string>>;  // lines as read, as written

struct Step {
    std::string directive, value, text;
    int exitCode = 0;
    Changes changes;
};

const std::string_view DIRECTIVES[] = {"--- ",  "=== ",   "!!! ",   "same ",     "chmod ",     "sh:",
                                       "args:", "limit:", "fixed ", "as nobody", "posix only", "windows only"};
constexpr char ANY_LINES = '\x01';  // an expected text's "..." line
const std::pair<std::string_view, std::string_view> ESCAPES[] = {
    {"<CR>", "\r"}, {"<LF>", "\n"}, {"<SUB>", "\x1a"}, {"<NUL>", std::string_view("\0", 1)}, {"<BOM>", "\xEF\xBB\xBF"}};

#ifdef _WIN32
constexpr std::string_view OTHER_PLATFORM_ONLY = "posix only";
bool restrictRun(std::uint64_t sizeLimit, bool asNobody) { return sizeLimit == 0 && !asNobody; }
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
#endif

void replaceAll(std::string& text, std::string_view from, std::string_view to) {
    for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size())) {
        text.replace(at, from.size(), to);
    }
}

// The face lines of "F | F".
std::string faceLines(const std::string& faces, const std::string& lineEnd) {
    std::string lines, face;
    for (std::istringstream list(faces); std::getline(list, face, '|');) {
        std::string texture, content = "0", surface = "0";
        std::istringstream(face) >> texture >> content >> surface;
        if (texture.empty()) continue;
        lines += "( 0 0 0 ) ( 0 1 0 ) ( 1 0 0 ) " + texture + " 0 0 0 1 1 " + content + " " + surface + " 0" + lineEnd;
    }
    return lines;
}

// `text` with LF line ends and its escapes replaced: a change's lines as a file's text holds them.
std::string asWritten(std::string text) {
    replaceAll(text, "\r\n", "\n");
    for (const auto& [from, to] : ESCAPES) replaceAll(text, from, to);
    return text;
}

// Writes each change's read lines in `text` as its written lines, in order, both in the form `form` gives
// them. False, after saying which, when a change's lines are not there.
bool applyChanges(std::string& text, const Changes& changes, std::string (*form)(std::string)) {
    std::size_t at = 0;
    for (const auto& [read, written] : changes) {
        if ((at = text.find(form(read), at)) == std::string::npos) {
            ADD_FAILURE() << "no lines\n" << read;
            return false;
        }
        text.replace(at, form(read).size(), form(written));
        at += form(written).size();
    }
    return true;
}

// Expands a text as the header says; each "A => B" line adds its change to `changes`.
std::string expandText(std::string text, bool expected, Changes& changes) {
    if (const std::size_t end = text.find("<EOF>"); end != std::string::npos) text.resize(end);
    while (text.ends_with("\n\n") || text == "\n") text.pop_back();
    std::string shaped;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        const std::size_t colon = line.find(':'), arrow = line.find(" => ");
        const std::string read = line.substr(0, arrow), written = arrow == line.npos ? "" : line.substr(arrow + 4);
        if (expected && line == "...") {
            shaped += ANY_LINES;
        } else if ((line.starts_with("brush:") || line.starts_with("brush ")) && colon != line.npos) {
            const std::string faces = read.substr(colon + 1);
            if (colon > 5) shaped += "// brush " + line.substr(6, colon - 6) + "\n";
            shaped += "{\n" + faceLines(faces, "\n") + "}\n";
            if (arrow != line.npos) changes.emplace_back(faceLines(faces, "\r\n"), faceLines(written, "\r\n"));
        } else {
            shaped += read + "\n";
            if (arrow != line.npos) changes.emplace_back(read + "\r\n", written + "\r\n");
        }
    }
    if (!text.empty() && !text.ends_with('\n')) shaped.pop_back();
    if (expected) replaceAll(shaped, "\n", "\r\n");
    for (const auto& [from, to] : ESCAPES) replaceAll(shaped, from, to);
    return shaped;
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
        steps.push_back({std::string(*directive), line.substr(start, arrow - start), "", 0, {}});
        if (arrow == std::string::npos) continue;
        steps.back().exitCode = std::stoi(line.substr(arrow + 4));
        steps.push_back({"=== ", "console", "...\n" + line.substr(line.find(':', arrow) + 2) + "\n...\n", 0, {}});
    }
    for (Step& step : steps) step.text = expandText(step.text, step.directive == "=== ", step.changes);
    return steps;
}

const std::string SOURCE_DIR = BRUSHUP_SOURCE_DIR "/";  // the project, where case files and copied files lie

std::vector<fs::path> caseFiles() {
    std::vector<fs::path> files;
    for (const auto& entry : fs::recursive_directory_iterator(SOURCE_DIR + "src")) {
        if (entry.path().extension() == ".case") files.push_back(fs::absolute(entry.path()));
    }
    std::sort(files.begin(), files.end());
    return files;
}

class RunCase : public ::testing::TestWithParam<fs::path> {};

TEST_P(RunCase, ConsoleExitCodeAndFilesMatch) {
    TempDir dir;
    std::string console, trace;
    std::map<std::string, std::string> before;  // the files as they were before the last run
    std::map<std::string, Changes> changes;     // of each file written from a text
    std::map<std::string, std::string> texts;   // each file as written from its text
    std::uint64_t sizeLimit = 0;                // for the next run
    bool asNobody = false;
    for (const auto& [directive, value, text, exitCode, textChanges] : readCase(GetParam())) {
        if (directive == OTHER_PLATFORM_ONLY) GTEST_SKIP() << "runs " << directive;
        if (directive == "--- ") {
            const std::size_t from = value.find(" < ");
            const std::string name = value.substr(0, from), source = from == value.npos ? "" : value.substr(from + 3);
            const std::string copied = source[0] == '@' ? source.substr(1) : SOURCE_DIR + source;
            writeFile(name, texts[name] = source.empty() ? text : readFile(copied));
            changes[name] = textChanges;
        } else if (directive == "chmod ") {
            fs::permissions(value.substr(value.find(' ') + 1), static_cast<fs::perms>(std::stoi(value, nullptr, 8)));
        } else if (directive == "sh:") {
            ASSERT_EQ(0, std::system(value.c_str())) << value;
        } else if (directive == "limit:") {
            sizeLimit = std::stoull(value);
        } else if (directive == "as nobody") {
            asNobody = true;
        } else if (directive == "args:") {
            std::vector<std::string> arguments{"brushup"};
            std::istringstream words(trace = value);
            for (std::string word; words >> std::quoted(word);) arguments.push_back(word);
            for (const auto& entry : fs::recursive_directory_iterator(".")) {
                before[entry.path().string()] = readFile(entry.path().string());
            }
            if (!restrictRun(sizeLimit, asNobody)) GTEST_SKIP() << "cannot limit the run or run it as nobody";
            console.clear();
            captureConsole(&console);
            EXPECT_EQ(exitCode, runProgram(arguments)) << trace;
            captureConsole(nullptr);
            ASSERT_TRUE(restrictRun(sizeLimit = 0, asNobody = false)) << trace;
            for (const auto& entry : fs::recursive_directory_iterator(".")) {
                EXPECT_EQ(std::string::npos, entry.path().filename().string().find(".brushup-")) << trace;
            }
        } else if (directive == "=== ") {
            const std::string want = value == "console" ? "brushup " BRUSHUP_VERSION "\r\n\r\n" + text : text;
            std::string got = value == "console" ? console : readFile(value);
            for (std::size_t at = got.find("Log date: "); at != got.npos; at = got.find("Log date: ", at + 1)) {
                got.replace(at + 10, 19, "<date>");
            }
            // A slow machine (Wine) may round a short run up to one second.
            if (const std::size_t at = got.rfind("   1 seconds elapsed\r\n"); at != got.npos) got[at + 3] = '0';
            if (!matches(want, got)) ADD_FAILURE() << trace << ": " << value << "\n" << want << "\n-- got:\n" << got;
        } else if (directive == "fixed ") {
            std::string want = readFile(value + ".backup");
            const auto asRewritten = [](std::string lines) { return lines; };
            ASSERT_TRUE(applyChanges(want, changes[value], want == texts[value] ? asWritten : +asRewritten)) << trace;
            EXPECT_EQ(want, readFile(value)) << trace;
        } else if (directive == "!!! ") {
            EXPECT_FALSE(fs::exists(value)) << trace << " left " << value;
        } else if (directive == "same ") {
            EXPECT_EQ(before[(fs::path(".") / value).string()], readFile(value)) << trace << " changed " << value;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, RunCase, ::testing::ValuesIn(caseFiles()),
                         [](const auto& param) { return param.param.stem().string(); });

}  // namespace
