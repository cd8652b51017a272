#pragma once
// Reading a large file on a second thread, a few pieces ahead of the thread
// that takes them: the copying of the file's bytes then costs the taking no time.
#include <cstdio>
#include <functional>
#include <string_view>

using PieceTaker = std::function<bool(std::string_view piece)>;

// Reads `file` to its end piece by piece, in order, handing each piece (never
// an empty one) to `takePiece`, which returns false to stop early. False when
// the file cannot be read.
bool readPieces(std::FILE* file, const PieceTaker& takePiece);

// readPieces, with the pieces read on a second thread while this one takes
// those read before. Without a second thread the file is read on this one.
bool readPiecesAhead(std::FILE* file, const PieceTaker& takePiece);
