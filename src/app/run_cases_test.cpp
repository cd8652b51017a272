// Whole runs described by case files (src/<module>/cases/*.case), each case in a
// fresh folder: the files a run starts from, its arguments, and the console,
// exit code and files it must leave, compared byte for byte.
//
// A case file is a sequence of runs, line by line:
//   # ...                 a comment
//   posix only            the case needs POSIX file modes or names; skipped elsewhere
//   windows only          the case needs Windows file names; skipped elsewhere
//   --- NAME              the text up to the next directive is written to NAME
//   --- NAME < PATH       NAME is a copy of PATH: from the source folder, or with
//                         "@PATH" from the case's folder
//   mkdir NAME            a folder, made before the next run
//   chmod MODE NAME       octal permission bits, set before the next run
//   link NAME TARGET      NAME is a symbolic link to TARGET
//   limit: N              the next run may write files of at most N bytes (POSIX)
//   as nobody             the next run has nobody's user and group (POSIX; only
//                         root may, so the case is skipped for anyone else)
//   args: A "B C" ""      runs brushup with these arguments ("" is an empty one)
//   exit: N               the run's exit code; 0 when not given
//   === console           what the run printed after the banner
//   === NAME              what NAME holds after the run
//   !!! NAME              NAME must not exist after the run
//   same NAME             NAME holds after the run what it held before
// Trailing empty lines of a text are dropped. Expected texts get CR LF line
// ends. <CR>, <LF>, <SUB> and <NUL> stand for bytes 13, 10, 26 and 0, and <EOF>
// ends a text without a line end. The log's date reads "Log date: <date>".
// After every run, no temporary file (a name holding ".brushup-") may be left.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <sstream>
#include <vector>

#ifndef _WIN32
#include <sys/resource.h>
#include <unistd.h>
#endif

#include "app/output.h"
#include "app/run.h"
#include "app/state.h"
#include "testing/temp_dir.h"

namespace {

namespace fs = std::filesystem;

// One line of a case that is no text: its directive and what follows it, and
// for "---" and "===" the text below it.
struct Step {
    std::string directive;
    std::string value;
    std::string text;
};

const std::string_view DIRECTIVES[] = {"--- ",  "=== ",       "!!! ",  "same ",  "mkdir ",    "chmod ",      "args:",
                                       "exit:", "posix only", "link ", "limit:", "as nobody", "windows only"};

#ifdef _WIN32
constexpr std::string_view THIS_PLATFORM_ONLY = "windows only";
bool runningAsRoot() { return false; }
#else
constexpr std::string_view THIS_PLATFORM_ONLY = "posix only";
bool runningAsRoot() { return ::geteuid() == 0; }
#endif

// Sets the file-size limit of the next run (0: none) and its identity (nobody's, or the process's own again).
// Root takes nobody's identity as its effective one, which it may give back. False when that fails.
bool restrictRun(std::uint64_t sizeLimit, bool asNobody) {
#ifdef _WIN32
    return sizeLimit == 0 && !asNobody;
#else
    constexpr uid_t NOBODY = 65534;
    rlimit limit{};
    if (::getrlimit(RLIMIT_FSIZE, &limit) != 0) return false;
    limit.rlim_cur = sizeLimit > 0 ? static_cast<rlim_t>(sizeLimit) : limit.rlim_max;
    if (::setrlimit(RLIMIT_FSIZE, &limit) != 0) return false;
    if (asNobody) return ::setegid(NOBODY) == 0 && ::seteuid(NOBODY) == 0;
    return ::seteuid(::getuid()) == 0 && ::setegid(::getgid()) == 0;
#endif
}

std::string expandText(std::string text, bool expected) {
    if (const std::size_t end = text.find("<EOF>"); end != std::string::npos) text.resize(end);
    while (text.ends_with("\n\n") || text == "\n") text.pop_back();
    static const std::pair<std::string_view, std::string_view> ESCAPES[] = {
        {"<CR>", "\r"}, {"<LF>", "\n"}, {"<SUB>", "\x1a"}, {"<NUL>", std::string_view("\0", 1)}};
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const std::string_view rest = std::string_view(text).substr(i);
        const auto escape = std::find_if(std::begin(ESCAPES), std::end(ESCAPES),
                                         [&](const auto& e) { return rest.starts_with(e.first); });
        if (escape != std::end(ESCAPES)) {
            out += escape->second;
            i += escape->first.size() - 1;
        } else {
            out += (expected && text[i] == '\n') ? "\r\n" : std::string(1, text[i]);
        }
    }
    return out;
}

std::vector<Step> readCase(const fs::path& path) {
    std::vector<Step> steps;
    std::istringstream lines(readFile(path.string()));
    for (std::string line; std::getline(lines, line);) {
        if (line.starts_with("#")) continue;
        const auto directive = std::find_if(std::begin(DIRECTIVES), std::end(DIRECTIVES),
                                            [&](std::string_view d) { return line.starts_with(d); });
        if (directive == std::end(DIRECTIVES)) {
            if (!steps.empty()) steps.back().text += line + "\n";
            continue;
        }
        const std::size_t start = std::min(line.size(), line.find_first_not_of(' ', directive->size()));
        steps.push_back({std::string(*directive), line.substr(start), ""});
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

// The log's date and time vary from run to run.
std::string withoutLogDate(std::string text) {
    constexpr std::string_view DATE_LINE = "Log date: ";
    for (std::size_t at = text.find(DATE_LINE); at != std::string::npos; at = text.find(DATE_LINE, at + 1)) {
        text.replace(at + DATE_LINE.size(), std::min<std::size_t>(19, text.size() - at - DATE_LINE.size()), "<date>");
    }
    return text;
}

std::vector<fs::path> caseFiles() {
    std::vector<fs::path> files;
    std::error_code error;
    for (const auto& entry : fs::recursive_directory_iterator(BRUSHUP_SOURCE_DIR "/src", error)) {
        if (entry.path().extension() == ".case") files.push_back(fs::absolute(entry.path(), error));
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
        if (directive.ends_with(" only")) {
            if (directive != THIS_PLATFORM_ONLY) GTEST_SKIP() << "runs " << directive;
        } else if (directive == "--- ") {
            const std::size_t from = value.find(" < ");
            const std::string source = from == std::string::npos ? "" : value.substr(from + 3);
            writeFile(value.substr(0, from), source.empty()          ? text
                                             : source.starts_with("@") ? readFile(source.substr(1))
                                                                       : readFile(BRUSHUP_SOURCE_DIR "/" + source));
        } else if (directive == "mkdir ") {
            fs::create_directories(value);
        } else if (directive == "chmod ") {
            fs::permissions(value.substr(value.find(' ') + 1), static_cast<fs::perms>(std::stoi(value, nullptr, 8)));
        } else if (directive == "link ") {
            fs::create_symlink(value.substr(value.find(' ') + 1), value.substr(0, value.find(' ')));
        } else if (directive == "limit:") {
            sizeLimit = std::stoull(value);
        } else if (directive == "as nobody") {
            if (!runningAsRoot()) GTEST_SKIP() << "runs as nobody, which only root may do";
            asNobody = true;
        } else if (directive == "args:") {
            for (std::size_t j = i + 1; j < steps.size() && steps[j].directive != "args:"; ++j) {
                if (steps[j].directive == "same ") before[steps[j].value] = readFile(steps[j].value);
            }
            const bool exitGiven = i + 1 < steps.size() && steps[i + 1].directive == "exit:";
            trace = value;
            resetState();
            console.clear();
            captureConsole(&console);
            ASSERT_TRUE(restrictRun(sizeLimit, asNobody)) << trace;
            const int exitCode = runProgram(splitArguments(value));
            ASSERT_TRUE(restrictRun(0, false)) << trace;
            captureConsole(nullptr);
            sizeLimit = 0;
            asNobody = false;
            EXPECT_EQ(exitGiven ? std::stoi(steps[i + 1].value) : 0, exitCode) << trace;
            for (const auto& entry : fs::recursive_directory_iterator(".")) {
                EXPECT_EQ(std::string::npos, entry.path().filename().string().find(".brushup-")) << trace;
            }
        } else if (directive == "=== " && value == "console") {
            EXPECT_EQ(std::string("brushup ") + BRUSHUP_VERSION + "\r\n\r\n" + text, console) << trace;
        } else if (directive == "=== ") {
            EXPECT_EQ(text, withoutLogDate(readFile(value))) << trace << ": " << value;
        } else if (directive == "!!! ") {
            EXPECT_FALSE(fileExists(value)) << trace << " left " << value;
        } else if (directive == "same ") {
            EXPECT_EQ(before[value], readFile(value)) << trace << " changed " << value;
        }
    }
}

std::string caseName(const ::testing::TestParamInfo<fs::path>& info) {
    std::string name = info.param.parent_path().parent_path().filename().string() + "_" + info.param.stem().string();
    for (char& c : name) {
        if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'))) c = '_';
    }
    return name;
}

INSTANTIATE_TEST_SUITE_P(Cases, RunCase, ::testing::ValuesIn(caseFiles()), caseName);

}  // namespace
