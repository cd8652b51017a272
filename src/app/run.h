#pragma once
// The whole run: banner, command line, configuration, then each map: passes,
// final write or verdict.
#include <string>
#include <vector>

// Runs the program on `arguments` (the first is the program's own path) and
// returns the exit code: 0 for a completed run, the usage text or the version,
// 1 for a run that ended early on a failure or a -check run with a map it
// could not check, 2 for a -check run that found something to fix.
int runProgram(const std::vector<std::string>& arguments);

// The same, from main's arguments.
int runProgram(int argc, char** argv);
