// The least a run of brushup must do with a map, as a yardstick for bench/run.sh:
//
//   map_copy <source> <first copy> <second copy>
//
// reads the source once and writes it twice (the backup and the fixed map),
// through the same safe file replacement brushup uses.
#include <cstdio>
#include <string>

#include "app/platform.h"

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fputs("usage: map_copy <source> <first copy> <second copy>\n", stderr);
        return 2;
    }
    std::string bytes;
    if (!readWholeFile(argv[1], bytes) || !replaceFile(argv[2], bytes) || !replaceFile(argv[3], bytes)) {
        std::fputs("map_copy: cannot copy\n", stderr);
        return 1;
    }
    return 0;
}
