// Whole runs described by case files (src/<module>/cases/*.case), each run in a
// fresh folder: the files it starts from, its arguments, and the console, exit
// code and files it must leave, compared byte for byte.
//
// A case file is a sequence of runs, line by line:
//   # ...                 a comment
//   posix only            the case needs POSIX file modes or names; skipped elsewhere
//   --- NAME              the text up to the next directive is written to NAME
//   --- NAME < PATH       NAME is a copy of PATH (from the source folder; "@PATH":
//                         from the run's folder)
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
#include <vector>

#include "app/output.h"
#include "app/run.h"
#include "app/state.h"
#include "testing/temp_dir.h"

namespace {

namespace fs = std::filesystem;

struct FileText {
    std::string name;
    std::string text;
    bool absent = false;     // for expectations: the file must not exist
    bool unchanged = false;  // for expectations: the run left the file as it was
};

struct CaseRun {
    std::vector<FileText> inputs;
    std::vector<FileText> copies;                          // name, source path
    std::vector<std::pair<std::string, fs::perms>> modes;  // applied after the inputs
    std::vector<std::string> folders;
    std::vector<std::string> arguments;
    bool started = false;  // its "args:" line was read
    int exitCode = 0;
    std::vector<FileText> expected;  // "console" names the console
};

struct CaseFile {
    fs::path path;
    bool posixOnly = false;
    std::vector<CaseRun> runs;
};

std::string expandEscapes(std::string text, bool expected) {
    if (const std::size_t end = text.find("<EOF>"); end != std::string::npos) text.resize(end);
    while (text.ends_with("\n\n")) text.pop_back();
    if (text == "\n") text.clear();
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        static const std::pair<std::string_view, std::string_view> ESCAPES[] = {
            {"<CR>", "\r"}, {"<LF>", "\n"}, {"<SUB>", "\x1a"}, {"<NUL>", std::string_view("\0", 1)}};
        const auto escape = std::find_if(std::begin(ESCAPES), std::end(ESCAPES),
                                         [&](const auto& e) { return std::string_view(text).substr(i).starts_with(e.first); });
        if (escape != std::end(ESCAPES)) {
            out += escape->second;
            i += escape->first.size() - 1;
        } else {
            out += (expected && text[i] == '\n') ? std::string("\r\n") : std::string(1, text[i]);
        }
    }
    return out;
}

// Splits an "args:" line; double quotes group words and "" is an empty argument.
std::vector<std::string> splitArguments(std::string_view line) {
    std::vector<std::string> arguments;
    std::size_t i = 0;
    while (i < line.size()) {
        if (line[i] == ' ') {
            ++i;
            continue;
        }
        const bool quoted = line[i] == '"';
        const std::size_t start = i + (quoted ? 1 : 0);
        const std::size_t end = std::min(line.find(quoted ? '"' : ' ', start), line.size());
        arguments.emplace_back(line.substr(start, end - start));
        i = end + (quoted ? 1 : 0);
    }
    return arguments;
}

CaseFile parseCase(const fs::path& path) {
    CaseFile file{path, false, {CaseRun{}}};
    std::string* text = nullptr;
    bool textIsExpected = false;
    const auto finishText = [&] {
        if (text != nullptr) *text = expandEscapes(*text, textIsExpected);
        text = nullptr;
    };
    // Something to prepare after a run has started opens the next run.
    const auto preparing = [&]() -> CaseRun& {
        if (file.runs.back().started) file.runs.emplace_back();
        return file.runs.back();
    };
    const std::string bytes = readFile(path.string());
    std::string_view rest = bytes;
    while (!rest.empty()) {
        const std::size_t end = std::min(rest.find('\n'), rest.size());
        const std::string line(rest.substr(0, end));
        rest.remove_prefix(std::min(end + 1, rest.size()));
        const bool directive = line.starts_with("--- ") || line.starts_with("=== ") || line.starts_with("!!! ") ||
                               line.starts_with("args:") || line.starts_with("exit:") || line.starts_with("mkdir ") ||
                               line.starts_with("chmod ") || line.starts_with("same ") || line == "posix only";
        if (line.starts_with("#")) continue;
        if (!directive) {
            if (text != nullptr) *text += line + "\n";
            continue;
        }
        finishText();
        const std::string value = line.substr(line.find_first_of(" :") + 1);
        if (line == "posix only") {
            file.posixOnly = true;
        } else if (line.starts_with("--- ") && value.find(" < ") != std::string::npos) {
            preparing().copies.push_back({value.substr(0, value.find(" < ")), value.substr(value.find(" < ") + 3)});
        } else if (line.starts_with("--- ")) {
            text = &preparing().inputs.emplace_back(FileText{value, ""}).text;
        } else if (line.starts_with("mkdir ")) {
            preparing().folders.push_back(value);
        } else if (line.starts_with("chmod ")) {
            const std::size_t blank = value.find(' ');
            const auto mode = static_cast<fs::perms>(std::stoi(value.substr(0, blank), nullptr, 8));
            preparing().modes.emplace_back(value.substr(blank + 1), mode);
        } else if (line.starts_with("args:")) {
            if (file.runs.back().started) file.runs.emplace_back();
            file.runs.back().started = true;
            file.runs.back().arguments = splitArguments(value);
        } else if (line.starts_with("exit:")) {
            file.runs.back().exitCode = std::stoi(value);
        } else if (line.starts_with("=== ")) {
            text = &file.runs.back().expected.emplace_back(FileText{value, ""}).text;
            textIsExpected = true;
            continue;
        } else if (line.starts_with("same ")) {
            file.runs.back().expected.push_back(FileText{value, "", false, true});
        } else {
            file.runs.back().expected.push_back(FileText{value, "", true});
        }
        textIsExpected = false;
    }
    finishText();
    return file;
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
    const CaseFile file = parseCase(GetParam());
#ifdef _WIN32
    if (file.posixOnly) GTEST_SKIP() << "needs POSIX file modes or names";
#endif
    TempDir dir;
    for (const CaseRun& run : file.runs) {
        for (const std::string& folder : run.folders) fs::create_directories(folder);
        for (const FileText& input : run.inputs) writeFile(input.name, input.text);
        for (const FileText& copy : run.copies) {
            const bool local = copy.text.starts_with("@");
            writeFile(copy.name, readFile(local ? copy.text.substr(1) : BRUSHUP_SOURCE_DIR "/" + copy.text));
        }
        for (const auto& [name, mode] : run.modes) fs::permissions(name, mode);
        std::vector<std::string> arguments{"brushup"};
        arguments.insert(arguments.end(), run.arguments.begin(), run.arguments.end());
        const std::string trace = ::testing::PrintToString(run.arguments);
        std::map<std::string, std::string> before;
        for (const FileText& expected : run.expected) {
            if (expected.unchanged) before[expected.name] = readFile(expected.name);
        }
        resetState();
        std::string console;
        captureConsole(&console);
        const int exitCode = runProgram(arguments);
        captureConsole(nullptr);
        EXPECT_EQ(run.exitCode, exitCode) << trace;
        for (const FileText& expected : run.expected) {
            if (expected.absent) {
                EXPECT_FALSE(fileExists(expected.name)) << trace << " left " << expected.name;
            } else if (expected.unchanged) {
                EXPECT_EQ(before[expected.name], readFile(expected.name)) << trace << " changed " << expected.name;
            } else if (expected.name == "console") {
                EXPECT_EQ(std::string("brushup ") + BRUSHUP_VERSION + "\r\n\r\n" + expected.text, console) << trace;
            } else {
                EXPECT_EQ(expected.text, withoutLogDate(readFile(expected.name))) << trace << " " << expected.name;
            }
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
