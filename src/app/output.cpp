#include "app/output.h"

#include <cstdio>

#include "app/platform.h"
#include "app/state.h"

namespace {

std::string* consoleSink = nullptr;

// The open log, or nullptr before its first line (or after a failed open).
std::FILE* logFile = nullptr;

// Whether the console has said that a log line could not be written.
bool logLossShown = false;

// A log line with its line end, kept to spare an allocation per line.
std::string logText;

void writeConsole(std::string_view text) {
    if (consoleSink != nullptr) {
        consoleSink->append(text);
        return;
    }
    std::fwrite(text.data(), 1, text.size(), stdout);
    std::fflush(stdout);
}

// Zero-padded decimal of `value` in `width` digits.
std::string padded(int value, int width) {
    std::string digits = std::to_string(value);
    if (digits.size() < static_cast<std::size_t>(width)) {
        digits.insert(0, static_cast<std::size_t>(width) - digits.size(), '0');
    }
    return digits;
}

}  // namespace

void printLine(std::string_view text) {
    std::string line(text);
    line += "\r\n";
    writeConsole(line);
}

void printText(std::string_view text) { writeConsole(text); }

void printVerbose(std::string_view text) {
    if ((runOptions & OPT_VERBOSE) != 0) printLine(text);
}

void logLine(std::string_view text) {
    if ((runOptions & OPT_DUMP) == 0) return;
    // The line and its end leave in one write.
    logText.assign(text);
    logText += "\r\n";
    logLines(logText);
}

void logLines(std::string_view lines) {
    if ((runOptions & OPT_DUMP) == 0) return;
    if (logFile == nullptr) {
        logFile = std::fopen(std::string(LOG_FILE_NAME).c_str(), "ab");
        // Unbuffered: each line goes to the file at once, whatever ends the run later.
        if (logFile != nullptr) std::setvbuf(logFile, nullptr, _IONBF, 0);
    }
    const bool written = logFile != nullptr && std::fwrite(lines.data(), 1, lines.size(), logFile) == lines.size();
    // The user asked for the report: its loss is said once, and the run goes on.
    if (!written && !logLossShown) {
        logLossShown = true;
        printLine("WARNING: Cannot write brushup.log!");
    }
}

void closeLog() {
    logLossShown = false;
    if (logFile == nullptr) return;
    std::fclose(logFile);
    logFile = nullptr;
}

void logHeader() {
    logLine(std::string(30, '='));
    const LocalTime now = readLocalTime();
    logLine("Log date: " + padded(now.month, 2) + "-" + padded(now.day, 2) + "-" + padded(now.year, 4) + " " +
            padded(now.hour, 2) + ":" + padded(now.minute, 2) + ":" + padded(now.second, 2));
}

void captureConsole(std::string* sink) { consoleSink = sink; }
