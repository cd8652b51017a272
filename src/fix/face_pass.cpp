#include "fix/face_pass.h"

#include <algorithm>
#include <array>
#include <unordered_map>

#include "app/output.h"
#include "map/face_line.h"
#include "map/map_sections.h"
#include "map/map_walk.h"
#include "text/text.h"

namespace {

// The shown lists of the flag sets logged in this pass, by table and flag set.
// A map uses few flag sets, and naming one walks all 32 flags; the limit only
// keeps a map of many different sets from growing the table without end.
// Each thread of a pass has its own.
constexpr std::size_t SHOWN_LISTS_KEPT = 4096;
thread_local std::unordered_map<std::uint64_t, std::string> shownLists;

// The two lists shown last: a face's old and new flags, which the faces of a
// texture mostly share, are found without a look-up.
struct RecentList {
    std::uint64_t key = 0;
    const std::string* list = nullptr;
};
thread_local std::array<RecentList, 2> recentLists;
thread_local std::size_t nextRecentList = 0;

void forgetShownLists() {
    shownLists.clear();
    recentLists.fill(RecentList{});
}

// The names of the set flags in double quotes, or NOTHING when there are none.
const std::string& shownFlagList(std::uint32_t flagSet, std::uint8_t table) {
    const std::uint64_t listKey = (std::uint64_t{table} << 32) | flagSet;
    for (const RecentList& recent : recentLists) {
        if (recent.list != nullptr && recent.key == listKey) return *recent.list;
    }
    auto known = shownLists.find(listKey);
    if (known == shownLists.end()) {
        if (shownLists.size() >= SHOWN_LISTS_KEPT) forgetShownLists();
        const std::string names = flagNames(flagSet, table);
        known = shownLists.emplace(listKey, names.empty() ? "NOTHING" : "\"" + names + "\"").first;
    }
    recentLists[nextRecentList] = RecentList{listKey, &known->second};
    nextRecentList = 1 - nextRecentList;
    return known->second;
}

// Appends "[key] old >> new": the flag lists one at a time, as forming the
// second may drop the first from shownLists.
void appendFaceChange(std::string& text, std::string_view key, std::uint32_t oldFlags, std::uint32_t newFlags,
                      std::uint8_t table) {
    text += '[';
    text += key;
    text += "] ";
    text += shownFlagList(oldFlags, table);
    text += " >> ";
    text += shownFlagList(newFlags, table);
}

// A rebuilt face line before it is stored, kept to spare an allocation per face.
thread_local std::string rebuiltLine;

}  // namespace

std::uint32_t rewriteFaces(bool (*rewriteFace)(std::size_t lineIndex, TextureLookup& lookup)) {
    return workOnSections([rewriteFace](SectionTaker& taker) {
        forgetShownLists();  // the flag names may differ from one run to the next
        TextureLookup lookup;
        std::uint32_t changed = 0;
        for (LineRange range; takeSection(taker, range);) {
            MapWalk walk = startMapWalk(range.start);
            for (std::size_t i = range.start.begin; i < range.end; ++i) {
                if (walkMapLine(walk, mapLines[i]) != LINE_FACE) continue;
                if (!findPassFields(i)) continue;
                if (rewriteFace(i, lookup)) ++changed;
            }
        }
        return changed;
    });
}

void lookUpFaceTexture(TextureLookup& lookup, std::string_view textureField) {
    if (!lookup.last.filled || lookup.last.field != textureField) {
        std::swap(lookup.last, lookup.beforeLast);
        if (!lookup.last.filled || lookup.last.field != textureField) {
            bool added = false;
            FieldSlot& known = findFieldSlot(lookup.recordOfField, textureField, added);
            if (added) known.record = findMapTexture(textureKey(textureField));
            lookup.last.filled = true;
            lookup.last.field.assign(textureField);
            lookup.last.record = known.record;
        }
    }
    lookup.record = lookup.last.record;
}

void logFaceChange(std::string_view key, std::uint32_t oldFlags, std::uint32_t newFlags, std::uint8_t table) {
    const bool newBrush = lastEntityIndex != entityIndex || lastBrushIndex != brushIndex;
    lastEntityIndex = entityIndex;
    lastBrushIndex = brushIndex;
    // Without -dump nothing is written, so the names need not be formed.
    if ((runOptions & OPT_DUMP) == 0) return;
    std::string& text = sectionLog();
    if (newBrush) {
        // Appended piece by piece: a joined heading would be a string of its own for every brush.
        text += "--Entity ";
        text += signedToText(entityIndex);
        text += ", brush ";
        text += signedToText(brushIndex);
        text += "--\r\n";
    }
    appendFaceChange(text, key, oldFlags, newFlags, table);
    text += "\r\n";
}

void logPassLine(std::string_view line) {
    if ((runOptions & OPT_DUMP) == 0) return;
    std::string& text = sectionLog();
    text += line;
    text += "\r\n";
}

void storeFlagField(std::size_t lineIndex, std::size_t field, std::uint32_t flagSet, std::string_view newTexture) {
    if (!mapLineChanged.empty() && mapLineChanged[lineIndex] == 0) {
        mapLineChanged[lineIndex] = 1;
        if (hasFaceSpots(mapLines[lineIndex])) mapSpotsAsRead[lineIndex] = faceSpotsOf(lineIndex);
    }
    // faceFields views this text until the rebuilt line is stored.
    const std::string flags = unsignedToText(flagSet);
    if (newTexture.empty() && replaceRebuiltField(lineIndex, field, flags)) return;
    if (!splitMapFace(lineIndex)) return;  // the rebuild takes every field
    faceFields[field] = flags;
    if (!newTexture.empty()) faceFields[FIELD_TEXTURE] = newTexture;
    // Built aside, as faceFields look into the old line, then stored in the old
    // line's place, which it mostly fits.
    FaceSpots spots;
    rebuildFaceLineInto(rebuiltLine, spots);
    replaceMapLine(lineIndex, rebuiltLine, spots);
}

void noteFaceChanges() {
    for (const FaceChange& change : faceChanges) {
        findPassFields(change.lineIndex);
        const std::string key = textureKey(faceFields[FIELD_TEXTURE]);
        if ((change.changed & FACE_SURFACE_CHANGED) != 0) {
            std::string note = "surface flags ";
            appendFaceChange(note, key, change.oldSurface, change.newSurface, FLAG_TABLE_SURFACE);
            addFixNote(change.lineIndex, std::move(note));
        }
        if ((change.changed & FACE_CONTENT_CHANGED) != 0) {
            std::string note = "content flags ";
            appendFaceChange(note, key, change.oldContent, change.newContent, FLAG_TABLE_CONTENT);
            addFixNote(change.lineIndex, std::move(note));
        }
    }
    for (const BrushFix& fix : brushFixes) {
        auto face = std::lower_bound(faceChanges.begin(), faceChanges.end(), fix.openIndex,
                                     [](const FaceChange& change, std::size_t at) { return change.lineIndex < at; });
        for (; face != faceChanges.end() && face->lineIndex <= fix.endIndex; ++face) {
            if ((face->changed & FACE_CONTENT_CHANGED) == 0) continue;
            addFixNote(fix.openIndex, fix.text);
            break;
        }
    }
}

void printClosingCount(std::uint32_t count, std::string_view singular, std::string_view plural) {
    std::string line = "done (" + unsignedToText(count);
    line += count > 1 ? plural : singular;
    printLine(line);
}
