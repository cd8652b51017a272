#pragma once
// The map as read (mapBytes), what the passes changed in it, and the map
// written back as read with only the changed fields replaced (-preserve).
#include <cstddef>
#include <string>
#include <string_view>

// Kept line `index` as read: its physical line in mapBytes, without its line
// end (or the Ctrl-Z that ended the text), blanks and comment included.
std::string_view lineAsRead(std::size_t index);

// Fills faceChanges, in file order, with every face line that mapLineChanged
// marks whose content or surface value, or texture, now differs from the line
// as read. A value differs when the number read is not the flag set the line
// now holds: passes that undo each other change nothing, and a field that read
// as not-a-number differs from any flag set.
void findFaceChanges();

// Whether findFaceChanges would find any: it stops at the first.
bool anyFaceChange();

// Prints "Writing " + shownName, then safely replaces `fileName` with mapBytes.
// False, printing nothing more, when it could not be written completely (a
// read-only file is never replaced); `fileName` is then as it was.
bool writeMapAsRead(const std::string& fileName, std::string_view shownName);

// The same with mapBytes as it would be with the fields that findFaceChanges
// finds changed replaced, in their places, by the text a rebuild writes for
// them; every other byte stays. The changes are found on the way, on a second
// thread for a map worth one. A line that lacks a changed field gets every missing field up to
// the twelfth after its last field, each after one blank.
bool writePreservedMap(const std::string& fileName, std::string_view shownName);
