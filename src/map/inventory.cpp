#include "map/inventory.h"

#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "app/output.h"
#include "app/state.h"
#include "map/face_line.h"
#include "map/field_table.h"
#include "map/map_sections.h"
#include "map/map_walk.h"
#include "text/text.h"

namespace {

// Position in textureDefs of the first definition of each name: a name
// defined twice takes its first definition's flags.
std::unordered_map<std::string_view, std::size_t> indexFirstDefinitions() {
    std::unordered_map<std::string_view, std::size_t> firstDefinition;
    firstDefinition.reserve(textureDefs.size());
    for (std::size_t i = 0; i < textureDefs.size(); ++i) firstDefinition.emplace(textureDefs[i].name, i);
    return firstDefinition;
}

// The key a face's texture is recorded under: "null" stands for common/0_sky1
// unless -nonull. The test is made on the normalised key, so "/null" counts.
std::string inventoryKey(std::string_view textureField) {
    std::string key = textureKey(textureField);
    if ((runOptions & OPT_NONULL) == 0 && key == "null") key = NULL_TEXTURE_STANDIN;
    return key;
}

// The texture fields of each section, as views into its lines, that its
// thread had not met in the sections it took before.
using SectionFields = std::vector<std::vector<std::string_view>>;

// Lists the new texture fields of the sections `taker` takes in `newFields`.
std::uint32_t listNewFields(SectionTaker& taker, SectionFields& newFields) {
    // A map writes each texture's field in a few ways at most; a field met
    // before is recorded already.
    FieldTable fieldsMet;
    // No face has an empty texture field. The lines do not change while they are counted.
    std::string_view lastField;
    for (LineRange range; takeSection(taker, range);) {
        std::vector<std::string_view>& found = newFields[taker.section];
        MapWalk walk = startMapWalk(range.start);
        for (std::size_t i = range.start.begin; i < range.end; ++i) {
            if (walkMapLine(walk, mapLines[i]) != LINE_FACE) continue;
            if (!findPassFields(i)) continue;
            const std::string_view field = faceFields[FIELD_TEXTURE];
            // Neighbouring faces mostly share their field: the cheapest test first.
            if (field == lastField) continue;
            lastField = field;
            bool added = false;
            findFieldSlot(fieldsMet, field, added);
            if (added) found.push_back(field);
        }
    }
    return 0;
}

// Records the texture of `field` in mapTextures, unless its key is there
// already, with the flags of its first definition; a texture without one is
// logged as undefined and counted in `undefinedCount`.
void recordTexture(std::string_view field, const std::unordered_map<std::string_view, std::size_t>& firstDefinition,
                   std::uint32_t& undefinedCount) {
    std::string key = inventoryKey(field);
    if (findMapTexture(key) != nullptr) return;
    TextureRecord& record = addMapTexture(std::move(key));
    const auto definition = firstDefinition.find(record.name);
    if (definition != firstDefinition.end()) {
        record.contentFlags = textureDefs[definition->second].contentFlags;
        record.surfaceFlags = textureDefs[definition->second].surfaceFlags;
        record.defined = 1;
        return;
    }
    if (undefinedCount == 0) {
        logLine("-- WARNING --");
        logLine("The following textures are not defined and will be ignored:");
    }
    logLine("     " + record.name);
    ++undefinedCount;
}

}  // namespace

void collectTextures() {
    const std::unordered_map<std::string_view, std::size_t> firstDefinition = indexFirstDefinitions();
    // A field met first in a section is among its new fields, so taking the
    // sections' new fields in file order meets every field first where the map does.
    SectionFields newFields(sectionCount());
    workOnSections([&newFields](SectionTaker& taker) { return listNewFields(taker, newFields); });
    std::uint32_t undefinedCount = 0;
    FieldTable fieldsMet;
    for (const std::vector<std::string_view>& fields : newFields) {
        for (const std::string_view field : fields) {
            bool added = false;
            findFieldSlot(fieldsMet, field, added);
            if (added) recordTexture(field, firstDefinition, undefinedCount);
        }
    }
    textureDefs.clear();
    printVerbose("Found " + signedToText(static_cast<std::int32_t>(mapTextures.size())) + " uniques textures (" +
                 unsignedToText(undefinedCount) + " textures undefined in brushup.ini)");
}
