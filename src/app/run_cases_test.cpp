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
//   args: A "B C" ""      runs brushup with these arguments ("" is an empty one)
//   exit: N               the run's exit code; 0 when not given
//   === console           what the run printed after the banner
//   === NAME              what NAME holds after the run
//   !!! NAME              NAME must not exist after the run
//   same NAME             NAME holds after the run what it held before
// Trailing empty lines of a text are dropped. Expected texts get CR LF line
// ends. <CR>, <LF>, <SUB> and <NUL> stand for bytes 13, 10, 26 and 0, and <EOF>
// ends a text without a line end. The log's date reads "Log date: <date>".
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <sstream>
#include <vector>

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

const std::string_view DIRECTIVES[] = {"--- ",   "=== ",  "!!! ",  "same ",      "mkdir ",
                                       "chmod ", "args:", "exit:", "posix only", "windows only"};

#ifdef _WIN32
constexpr std::string_view THIS_PLATFORM_ONLY = "windows only";
#else
constexpr std::string_view THIS_PLATFORM_ONLY = "posix only";
#endif

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
        } else if (directive == "args:") {
            for (std::size_t j = i + 1; j < steps.size() && steps[j].directive != "args:"; ++j) {
                if (steps[j].directive == "same ") before[steps[j].value] = readFile(steps[j].value);
            }
            const bool exitGiven = i + 1 < steps.size() && steps[i + 1].directive == "exit:";
            trace = value;
            resetState();
            console.clear();
            captureConsole(&console);
            const int exitCode = runProgram(splitArguments(value));
            captureConsole(nullptr);
            EXPECT_EQ(exitGiven ? std::stoi(steps[i + 1].value) : 0, exitCode) << trace;
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
