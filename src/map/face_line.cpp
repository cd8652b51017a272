#include "map/face_line.h"

#include <algorithm>
#include <array>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "app/state.h"
#include "text/text.h"

namespace {

constexpr std::size_t FIRST_AXIS_FIELD = 5;
constexpr std::size_t LAST_AXIS_FIELD = 6;

bool isBlank(char c) { return c == ' ' || c == '\t'; }

// The line being split, how far the split has come and the table it fills.
struct FaceScan {
    std::string_view line;
    FaceFieldTable& fields;
    std::size_t pos = 0;
};

std::string_view slice(std::string_view line, std::size_t start, std::size_t end) {
    return std::string_view(line.data() + start, end - start);
}

void skipBlanks(FaceScan& scan) {
    while (scan.pos < scan.line.size() && isBlank(scan.line[scan.pos])) ++scan.pos;
}

// Takes everything up to and including the first `close` that follows an
// `open`, without the blanks before it. False when there is no complete group.
bool takeGroup(FaceScan& scan, char open, char close, std::string_view& group) {
    skipBlanks(scan);
    const std::size_t opening = findEither(scan.line, scan.pos, open, open);
    if (opening == scan.line.size()) return false;
    const std::size_t closing = findEither(scan.line, opening + 1, close, close);
    if (closing == scan.line.size()) return false;
    group = slice(scan.line, scan.pos, closing + 1);  // ends with `close`: no blank to trim there
    scan.pos = closing + 1;
    return true;
}

// Takes the next run of non-blanks after the blanks before it; empty at the end.
std::string_view takeToken(FaceScan& scan) {
    skipBlanks(scan);
    const std::size_t start = scan.pos;
    scan.pos = findEither(scan.line, start, ' ', '\t');
    return slice(scan.line, start, scan.pos);
}

// Bit i is set where line[from + i] is no blank, for `size` bytes (at most 63).
std::uint64_t nonBlankBits(std::string_view line, std::size_t from, std::size_t size) {
    std::uint64_t bits = 0;
#if defined(__SSE2__)
    if (line.size() >= 16) {
        for (std::size_t at = 0; at < size; at += 16) {
            // A piece near the end is loaded from the line's last 16 bytes: nothing past the line is read.
            const std::size_t load = std::min(from + at, line.size() - 16);
            const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(line.data() + load));
            const __m128i blanks =
                _mm_or_si128(_mm_cmpeq_epi8(bytes, _mm_set1_epi8(' ')), _mm_cmpeq_epi8(bytes, _mm_set1_epi8('\t')));
            const auto nonBlank = static_cast<std::uint16_t>(~static_cast<unsigned>(_mm_movemask_epi8(blanks)));
            bits |= (std::uint64_t{nonBlank} >> (from + at - load)) << at;
        }
        return bits & ((std::uint64_t{1} << size) - 1);
    }
#endif
    for (std::size_t i = 0; i < size; ++i) bits |= std::uint64_t{!isBlank(line[from + i])} << i;
    return bits;
}

// The fields after the texture are many short tokens. They are taken a window
// of up to 63 bytes at a time, whose blanks are all found at once; its tokens
// are then the runs between them, without a step per byte.
constexpr std::size_t TOKEN_WINDOW = 63;

// Takes fields `field` to 12 as takeToken would, one after another.
void takeTokens(FaceScan& scan, std::size_t field) {
    const std::size_t lineSize = scan.line.size();
    while (field <= FACE_FIELD_COUNT) {
        const std::size_t size = std::min(TOKEN_WINDOW, lineSize - scan.pos);
        const bool lastWindow = scan.pos + size == lineSize;
        const std::uint64_t nonBlank = nonBlankBits(scan.line, scan.pos, size);
        // Where a run of blanks or non-blanks starts, what comes before the
        // window counting as blank: a token runs from one such edge to the next.
        std::uint64_t edges = nonBlank ^ (nonBlank << 1);
        std::size_t used = size;  // the bytes of the window that are done with
        for (; field <= FACE_FIELD_COUNT && edges != 0; ++field) {
            const auto start = static_cast<std::size_t>(std::countr_zero(edges));
            edges &= edges - 1;
            const auto end = static_cast<std::size_t>(std::countr_zero(edges));
            edges &= edges - 1;
            if (end == size && !lastWindow) {  // the token may go on after the window
                used = start;
                break;
            }
            scan.fields[field] = slice(scan.line, scan.pos + start, scan.pos + end);
            used = end;
        }
        if (field > FACE_FIELD_COUNT) return;
        if (edges == 0 && lastWindow) {
            for (; field <= FACE_FIELD_COUNT; ++field) scan.fields[field] = slice(scan.line, lineSize, lineSize);
            return;
        }
        if (used == 0) {  // a token the window cannot hold
            const std::size_t end = findEither(scan.line, scan.pos, ' ', '\t');
            scan.fields[field++] = slice(scan.line, scan.pos, end);
            used = end - scan.pos;
        }
        scan.pos += used;
    }
}

// True when the next non-blank is `c`.
bool nextIs(FaceScan& scan, char c) {
    skipBlanks(scan);
    return scan.pos < scan.line.size() && scan.line[scan.pos] == c;
}

// True when `field` is a whole number in the form numberText writes: an
// optional "-", then "0" or up to 15 digits without a leading zero. Such a
// field is its own number text and needs no round trip through a double.
bool isPlainWholeNumber(std::string_view field) {
    if (!field.empty() && field.front() == '-') field.remove_prefix(1);
    if (field.empty() || field.size() > 15) return false;
    if (field.front() == '0') return field.size() == 1;
    for (const char c : field) {
        if (c < '0' || c > '9') return false;
    }
    return true;
}

// The longest text numberText writes: a sign, 16 digits, a point and an
// exponent of up to three digits with its sign ("-1.234567890123456e-308").
constexpr std::size_t NUMBER_TEXT_ROOM = 24;

// numberText into `out`, which has NUMBER_TEXT_ROOM bytes; returns its size.
std::size_t writeNumberText(double value, char* out) {
    const auto copy = [out](std::string_view text) {
        std::memcpy(out, text.data(), text.size());
        return text.size();
    };
    if (std::isnan(value)) return copy("nan");
    if (std::isinf(value)) return copy(value > 0 ? "inf" : "-inf");
    char* const end = out + NUMBER_TEXT_ROOM;
    // Whole numbers below 2^53 print as plain integers either way; this is
    // the common case and much cheaper than the general form.
    if (value == std::trunc(value) && std::fabs(value) < 9007199254740992.0 && !(value == 0 && std::signbit(value))) {
        return static_cast<std::size_t>(std::to_chars(out, end, static_cast<std::int64_t>(value)).ptr - out);
    }
    auto size = static_cast<std::size_t>(std::to_chars(out, end, value, std::chars_format::general, 16).ptr - out);
    // The exponent carries at least three digits: "1e+16" becomes "1e+016".
    const char* const exponent = static_cast<const char*>(std::memchr(out, 'e', size));
    if (exponent != nullptr) {
        const std::size_t digitsAt = static_cast<std::size_t>(exponent - out) + 2;
        const std::size_t missing = digitsAt + 3 > size ? digitsAt + 3 - size : 0;
        std::memmove(out + digitsAt + missing, out + digitsAt, size - digitsAt);
        std::memset(out + digitsAt, '0', missing);
        size += missing;
    }
    return size;
}

// Where a rebuilt line is formed: it only grows, so forming a line neither
// allocates nor fills room it then overwrites. Like the number slots below,
// each thread that rebuilds faces has its own.
thread_local std::vector<char> rebuildRoom;

// The number texts of field texts met lately: a map uses a handful of forms
// ("0.500000", "0.25"), each worked out once, while a map of many different
// fractions only overwrites slots, costing no allocation and no table that
// grows. A slot is picked by the text's hash; the text that had it is forgotten.
// A field text longer than a slot holds (a long fraction) is worked out each time.
constexpr std::size_t NUMBER_SLOT_WORDS = 3;
constexpr std::size_t NUMBER_SLOT_TEXT = NUMBER_SLOT_WORDS * sizeof(std::uint64_t);
struct NumberSlot {
    std::uint8_t textEnd = 0;  // the text's size plus one; 0 while the slot is empty
    std::uint8_t numberSize = 0;
    std::array<std::uint64_t, NUMBER_SLOT_WORDS> text{};  // zero after the text's end
    std::array<char, NUMBER_TEXT_ROOM> number{};
};
constexpr std::size_t NUMBER_SLOT_BITS = 12;
thread_local std::array<NumberSlot, std::size_t{1} << NUMBER_SLOT_BITS> numberSlots;

// A number text of a field too long for a slot, kept until the next one.
thread_local std::array<char, NUMBER_TEXT_ROOM> longFieldNumber;

// The number text of a face field that holds `text`; valid until the next call.
std::string_view numberTextOf(std::string_view text) {
    if (isPlainWholeNumber(text)) return text;
    if (text.size() > NUMBER_SLOT_TEXT) {
        return std::string_view(longFieldNumber.data(), writeNumberText(fieldNumber(text), longFieldNumber.data()));
    }
    // The text as words: they pick the slot and are compared with its text, a
    // few instructions for what a general hash and comparison take many.
    std::array<std::uint64_t, NUMBER_SLOT_WORDS> words{};
    if (!text.empty()) std::memcpy(words.data(), text.data(), text.size());
    const std::uint64_t mixed = (words[0] ^ (words[1] * 0x9E3779B97F4A7C15u) ^ (words[2] << 29)) * 0xFF51AFD7ED558CCDu;
    NumberSlot& slot = numberSlots[(mixed >> (64 - NUMBER_SLOT_BITS)) ^ text.size()];
    if (slot.textEnd != text.size() + 1 || slot.text != words) {
        slot.textEnd = static_cast<std::uint8_t>(text.size() + 1);
        slot.text = words;
        slot.numberSize = static_cast<std::uint8_t>(writeNumberText(fieldNumber(text), slot.number.data()));
    }
    return std::string_view(slot.number.data(), slot.numberSize);
}

bool isAxisGroup(std::size_t field) {
    return field >= FIRST_AXIS_FIELD && field <= LAST_AXIS_FIELD && !faceFields[field].empty() &&
           faceFields[field].front() == '[';
}

// Where a field stands in a line: its first byte and its size.
struct FieldSpot {
    std::size_t start = 0;
    std::size_t size = 0;
};

// The spots of a face line of `lineSize` bytes. Those of a line or a field too
// long for them stay unknown, and such a line is split whenever it is needed.
FaceSpots faceSpots(FieldSpot texture, FieldSpot content, FieldSpot surface, std::size_t lineSize) {
    if (lineSize >= FACE_SPOTS_NO_FACE || texture.size > UINT8_MAX || content.size > UINT8_MAX ||
        surface.size > UINT8_MAX) {
        return FaceSpots{};
    }
    return FaceSpots{static_cast<std::uint16_t>(texture.start), static_cast<std::uint16_t>(content.start),
                     static_cast<std::uint16_t>(surface.start), static_cast<std::uint8_t>(texture.size),
                     static_cast<std::uint8_t>(content.size),    static_cast<std::uint8_t>(surface.size)};
}

// splitFaceLine into `fields`: the thread's faceFields, found once for the whole split.
bool splitFaceLineInto(std::string_view line, FaceFieldTable& fields) {
    fields.fill(std::string_view());
    FaceScan scan{line, fields};
    for (std::size_t field = 1; field <= 3; ++field) {
        if (!takeGroup(scan, '(', ')', fields[field])) {
            fields.fill(std::string_view());
            return false;
        }
    }
    fields[FIELD_TEXTURE] = takeToken(scan);
    // Without a texture a rebuild would leave a gap that moves every later field.
    if (fields[FIELD_TEXTURE].empty()) {
        fields.fill(std::string_view());
        return false;
    }
    if (nextIs(scan, '[')) {
        for (std::size_t field = FIRST_AXIS_FIELD; field <= LAST_AXIS_FIELD; ++field) {
            if (!nextIs(scan, '[') || !takeGroup(scan, '[', ']', fields[field])) {
                fields.fill(std::string_view());
                return false;
            }
        }
    }
    takeTokens(scan, fields[FIRST_AXIS_FIELD].empty() ? FIRST_AXIS_FIELD : LAST_AXIS_FIELD + 1);
    return true;
}

}  // namespace

bool splitFaceLine(std::string_view line) { return splitFaceLineInto(line, faceFields); }

bool splitMapFace(std::size_t index) {
    FaceFieldTable& fields = faceFields;
    const std::string_view line = mapLines[index];
    const bool face = splitFaceLineInto(line, fields);
    if (!hasFaceSpots(line)) return face;
    FaceSpots spots;
    if (!face) {
        spots.texture = FACE_SPOTS_NO_FACE;
    } else {
        const auto spotOf = [line, &fields](std::size_t field) {
            return FieldSpot{static_cast<std::size_t>(fields[field].data() - line.data()), fields[field].size()};
        };
        spots = faceSpots(spotOf(FIELD_TEXTURE), spotOf(FIELD_CONTENT), spotOf(FIELD_SURFACE), line.size());
    }
    setFaceSpots(index, spots);
    return face;
}

bool findPassFields(std::size_t index) {
    if (!hasFaceSpots(mapLines[index])) return splitMapFace(index);
    const FaceSpots spots = faceSpotsOf(index);
    if (spots.texture == FACE_SPOTS_NO_FACE) return false;
    if (spots.texture == 0) return splitMapFace(index);
    faceFields.fill(std::string_view());
    const char* const line = mapLines[index].data();
    faceFields[FIELD_TEXTURE] = std::string_view(line + spots.texture, spots.textureSize);
    faceFields[FIELD_CONTENT] = std::string_view(line + spots.content, spots.contentSize);
    faceFields[FIELD_SURFACE] = std::string_view(line + spots.surface, spots.surfaceSize);
    return true;
}

std::string rebuildFaceLine() {
    std::string line;
    FaceSpots spots;
    rebuildFaceLineInto(line, spots);
    return line;
}

void rebuildFaceLineInto(std::string& line, FaceSpots& spots) {
    // Room for every field as it stands or as the longest number text: each is
    // then written straight into it, and the line is copied out in one go.
    std::size_t room = FACE_FIELD_COUNT - 1;  // the blanks between the fields
    for (std::size_t field = 1; field <= FACE_FIELD_COUNT; ++field) {
        room += std::max(faceFields[field].size(), NUMBER_TEXT_ROOM);
    }
    if (rebuildRoom.size() < room) rebuildRoom.resize(room);
    char* const out = rebuildRoom.data();
    std::size_t at = 0;
    std::array<FieldSpot, FACE_FIELD_COUNT + 1> spotOf;
    for (std::size_t field = 1; field <= FACE_FIELD_COUNT; ++field) {
        if (field > 1) out[at++] = ' ';
        const bool asItStands = field <= FIELD_TEXTURE || isAxisGroup(field);
        const std::string_view text = asItStands ? faceFields[field] : numberTextOf(faceFields[field]);
        spotOf[field] = FieldSpot{at, text.size()};
        std::memcpy(out + at, text.data(), text.size());
        at += text.size();
    }
    line.assign(out, at);
    spots = faceSpots(spotOf[FIELD_TEXTURE], spotOf[FIELD_CONTENT], spotOf[FIELD_SURFACE], line.size());
    spots.rebuilt = spots.texture != 0 ? 1 : 0;
}

bool replaceRebuiltField(std::size_t index, std::size_t field, std::string_view text) {
    const std::string_view line = mapLines[index];
    if (!hasFaceSpots(line)) return false;
    FaceSpots spots = faceSpotsOf(index);
    const bool content = field == FIELD_CONTENT;
    const std::size_t start = content ? spots.content : spots.surface;
    const std::size_t size = content ? spots.contentSize : spots.surfaceSize;
    if (spots.rebuilt == 0 || text.size() > UINT8_MAX || line.size() - size + text.size() >= FACE_SPOTS_NO_FACE) {
        return false;
    }
    // A brush's faces that carry its new content already are mostly so.
    if (line.substr(start, size) == text) return true;
    // The field after the replaced one moves with the change of size.
    std::uint16_t& later = content ? spots.surface : spots.content;
    if (later > start) later = static_cast<std::uint16_t>(later - size + text.size());
    (content ? spots.contentSize : spots.surfaceSize) = static_cast<std::uint8_t>(text.size());
    replaceMapLinePart(index, start, size, text, spots);
    return true;
}

double fieldNumber(std::string_view field) {
    // Flag fields are mostly plain whole numbers, which need none of the
    // general reading's forms; up to 15 digits they are exact as a double.
    if (!isPlainWholeNumber(field)) return textToNumber(field);
    const bool negative = field.front() == '-';
    double value = 0;
    for (const char digit : field.substr(negative ? 1 : 0)) value = value * 10 + (digit - '0');
    return negative ? -value : value;
}

std::string numberText(double value) {
    std::array<char, NUMBER_TEXT_ROOM> text;
    return std::string(text.data(), writeNumberText(value, text.data()));
}
