#pragma once
// Splitting the face lines of a map before the passes come to them, on a
// second thread while the run's own thread writes the backup. The split is the
// costliest step of a face, and the inventory that would make it first then
// finds each face's spots known.

// Starts a second thread that takes the kept lines a block at a time and splits
// each one that has spots, that opens with "(" (splitMapFace).
// Until finishSplittingFaces, mapLines may be read but not changed, and nothing
// else may touch the lines' spots. A map too small to be worth a second thread
// (worthSecondThread) is split in finishSplittingFaces, as is every map where
// no thread can be started.
void startSplittingFaces();

// Splits the blocks the second thread has not taken, then waits for it.
void finishSplittingFaces();
