// The least a run of brushup must do with a map, as a yardstick for bench/run.sh:
//
//   map_copy <source> <first copy> <second copy>
//
// copies the source twice (the backup and the fixed map) through the same safe
// file replacement brushup uses, as `cat source > copy` twice would: streaming,
// one piece in memory at a time.
#include <cstdio>
#include <string>

#include "app/platform.h"

namespace {

bool copyFile(const std::string& source, const std::string& copy) {
    std::FILE* file = std::fopen(source.c_str(), "rb");
    if (file == nullptr) return false;
    std::string piece(BRUSHUP_READ_PIECE_SIZE, '\0');
    const bool copied = replaceFileInPieces(copy, [&]() -> std::string_view {
        return std::string_view(piece.data(), std::fread(piece.data(), 1, piece.size(), file));
    });
    const bool read = std::ferror(file) == 0;
    std::fclose(file);
    return copied && read;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fputs("usage: map_copy <source> <first copy> <second copy>\n", stderr);
        return 2;
    }
    if (!copyFile(argv[1], argv[2]) || !copyFile(argv[1], argv[3])) {
        std::fputs("map_copy: cannot copy\n", stderr);
        return 1;
    }
    return 0;
}
