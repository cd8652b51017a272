#include "app/run.h"

// Everything but the entry lives in the library, where tests reach it.
int main(int argc, char** argv) { return runProgram(argc, argv); }
