#include <cstdio>
#include <cstdlib>

#include "app/run.h"

int main(int argc, char** argv) {
    const int exitCode = runProgram(argc, argv);
    // Ends without destroying the program-wide tables: the system takes back
    // their memory at once, where freeing a large map line by line takes time.
    std::fflush(nullptr);
    std::_Exit(exitCode);
}
