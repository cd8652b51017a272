#pragma once
// Console and log output. Every line written ends with CR LF, on every platform.
#include <string>
#include <string_view>

constexpr std::string_view LOG_FILE_NAME = "brushup.log";

// Writes `text` and a line end to the console.
void printLine(std::string_view text);

// Writes `text` to the console with no line end; the next output continues the line.
void printText(std::string_view text);

// printLine, but only when runOptions holds OPT_VERBOSE.
void printVerbose(std::string_view text);

// Appends `text` as one line to brushup.log, only when runOptions holds OPT_DUMP.
// The line is in the file when logLine returns. The log, opened at the first
// line, stays open until closeLog. The first line that cannot be written (a
// log that cannot be opened, a failed write) prints "WARNING: Cannot write
// brushup.log!"; later ones are lost silently, and each tries the log again.
void logLine(std::string_view text);

// Appends `lines`, whole lines that each end with CR LF already, to brushup.log
// as logLine does.
void logLines(std::string_view lines);

// Closes the log, so the next line opens brushup.log afresh in the working
// folder of that moment, and may warn again. resetState calls it, so every run starts this way.
void closeLog();

// Logs the separator of 30 "=" and "Log date: MM-DD-YYYY HH:MM:SS".
void logHeader();

// Sends console output into `sink` instead of standard output; nullptr restores
// standard output. For tests.
void captureConsole(std::string* sink);
