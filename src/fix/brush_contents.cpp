#include "fix/brush_contents.h"

#include <unordered_map>
#include <vector>

#include "app/output.h"
#include "app/state.h"
#include "fix/face_pass.h"
#include "map/face_line.h"
#include "map/map_sections.h"
#include "map/map_walk.h"
#include "text/text.h"

namespace {

// One face of the brush being walked: where it stands and the number in its
// content field.
struct BrushFace {
    std::size_t lineIndex = 0;
    double content = 0;
};

// One distinct content of a brush and how many of its faces carry it.
struct ContentCount {
    std::uint32_t content = 0;
    std::uint32_t count = 0;
};

// A later face carries a content number other than the first face's content
// taken as a flag set, so "1.4, 1" is one content and "1, 1.4" is not. A field
// reading as not-a-number matches every content.
bool isMixed(const std::vector<BrushFace>& faces) {
    const auto firstContent = static_cast<double>(flagSetFromNumber(faces.front().content));
    for (std::size_t i = 1; i < faces.size(); ++i) {
        if (!sameNumber(faces[i].content, firstContent)) return true;
    }
    return false;
}

// The most frequent content of the brush's faces, taken as 32-bit flag sets.
// Content 0 takes part only with -zero. A tie goes to the content that occurs
// first; with no candidate the first face's content stays. `tallyIndex` finds a
// content's entry in constant time, so a brush of many distinct contents costs
// no more than one of a few.
std::uint32_t chooseContent(const std::vector<BrushFace>& faces, std::vector<ContentCount>& tally,
                            std::unordered_map<std::uint32_t, std::size_t>& tallyIndex) {
    tally.clear();
    tallyIndex.clear();
    for (const BrushFace& face : faces) {
        const std::uint32_t content = flagSetFromNumber(face.content);
        const auto [entry, added] = tallyIndex.try_emplace(content, tally.size());
        if (added) tally.push_back(ContentCount{content, 0});
        ++tally[entry->second].count;
    }
    const bool zeroTakesPart = (runOptions & OPT_ZERO) != 0;
    std::uint32_t chosen = flagSetFromNumber(faces.front().content);
    std::uint32_t bestCount = 0;
    for (const ContentCount& entry : tally) {
        if (entry.content == 0 && !zeroTakesPart) continue;
        if (entry.count > bestCount) {
            chosen = entry.content;
            bestCount = entry.count;
        }
    }
    return chosen;
}

// Logs the brush (with -check also keeping it in brushFixes, from its opening
// brace, mapLines[openIndex], to its last face) and writes `newContent` into every one of its faces,
// which rebuilds them all, also those that carried it already.
void fixBrush(std::size_t openIndex, const std::vector<BrushFace>& faces, std::uint32_t newContent) {
    const std::string names = flagNames(newContent, FLAG_TABLE_CONTENT);
    const std::string change =
        "mixed face contents -- new content " + (names.empty() ? "DEFAULT CONTENT" : "\"" + names + "\"");
    // Numbered from 0, as the "// entity " and "// brush " comments of the written map.
    logPassLine("Entity " + signedToText(entityIndex - 1) + ", Brush " + signedToText(brushIndex - 1) + ": " + change);
    if ((runOptions & OPT_CHECK) != 0) brushFixes.push_back(BrushFix{openIndex, faces.back().lineIndex, change});
    for (const BrushFace& face : faces) storeFlagField(face.lineIndex, FIELD_CONTENT, newContent);
}

// Fixes the brushes of the sections `taker` takes. Returns how many were fixed.
std::uint32_t unifySections(SectionTaker& taker) {
    std::uint32_t fixedCount = 0;
    std::size_t openIndex = 0;  // the line of the brush's "{"
    std::vector<BrushFace> faces;
    std::vector<ContentCount> tally;
    std::unordered_map<std::uint32_t, std::size_t> tallyIndex;
    for (LineRange range; takeSection(taker, range);) {
        MapWalk walk = startMapWalk(range.start);
        // A section starts outside every brush: no face of an earlier one joins its brushes.
        faces.clear();
        for (std::size_t i = range.start.begin; i < range.end; ++i) {
            const std::uint8_t kind = walkMapLine(walk, mapLines[i]);
            if (kind == LINE_BRUSH_OPEN) {
                openIndex = i;
            } else if (kind == LINE_FACE) {
                if (findPassFields(i)) faces.push_back(BrushFace{i, fieldNumber(faceFields[FIELD_CONTENT])});
            } else if (kind == LINE_BRUSH_CLOSE) {
                // Nested blocks close with other lines, so the brush is handled
                // once, with every face it holds.
                if (!faces.empty() && isMixed(faces)) {
                    fixBrush(openIndex, faces, chooseContent(faces, tally, tallyIndex));
                    ++fixedCount;
                }
                faces.clear();
            }
        }
    }
    return fixedCount;
}

}  // namespace

std::uint32_t unifyBrushContents() {
    printText("Fixing content... ");
    const std::uint32_t fixedCount = workOnSections(unifySections);
    printClosingCount(fixedCount, " brush fixed)", " brushes fixed)");
    return fixedCount;
}
