#pragma once
// Text helpers and text primitives. Texts are bytes: only the 26 ASCII letters
// have a letter case, and nothing here depends on the C library's locale.
// Positions count from 1.
#include <algorithm>
#include <bit>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

// Hashes std::string and std::string_view alike, so a table keyed by text can
// be searched with a view, without a copy.
struct TextHash {
    using is_transparent = void;
    std::size_t operator()(std::string_view text) const { return std::hash<std::string_view>{}(text); }
};

constexpr std::uint8_t FLAG_TABLE_SURFACE = 1;
constexpr std::uint8_t FLAG_TABLE_CONTENT = 2;

// The UTF-8 byte order mark that Windows editors may open a file with: no part
// of its first line, in the configuration or the map.
inline constexpr std::string_view BYTE_ORDER_MARK = "\xEF\xBB\xBF";

// Input files, configuration and map alike: the bytes before the first Ctrl-Z
// (byte 26), which ends a file.
std::string_view textBeforeEndOfFile(std::string_view bytes);

// Takes the next line from the front of `rest`: up to a line feed, without it
// and without a carriage return right before it. The last line needs no line
// end; a carriage return that ends the file is dropped too.
std::string_view takeLine(std::string_view& rest);

// A line without its "//" comment and the blanks (space, tab) at both ends.
// The text ends at its first NUL byte.
std::string cleanLine(std::string_view text);

// Position of the first `a` or `b` at or after `from`, or the text's length.
// Splitting faces and reading lines search for one of two bytes all the time:
// this looks at sixteen bytes at a time where the processor can, and is defined
// here, where the compiler can fold it into its callers.
inline std::size_t findEither(std::string_view text, std::size_t from, char a, char b) {
#if defined(__SSE2__)
    if (text.size() >= 16) {
        const __m128i wantedA = _mm_set1_epi8(a);
        const __m128i wantedB = _mm_set1_epi8(b);
        while (from < text.size()) {
            // Near the end the text's last 16 bytes are loaded: nothing past the text is read.
            const std::size_t load = std::min(from, text.size() - 16);
            const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text.data() + load));
            const __m128i found = _mm_or_si128(_mm_cmpeq_epi8(bytes, wantedA), _mm_cmpeq_epi8(bytes, wantedB));
            const unsigned foundAfter = static_cast<unsigned>(_mm_movemask_epi8(found)) >> (from - load);
            if (foundAfter != 0) return from + static_cast<std::size_t>(std::countr_zero(foundAfter));
            from = load + 16;
        }
        return text.size();
    }
#endif
    while (from < text.size() && text[from] != a && text[from] != b) ++from;
    return from;
}

// `text` without the blanks (space, tab) at both ends.
std::string_view trimBlanks(std::string_view text);

// The one form textures are stored and compared in: cleaned, backslashes made
// slashes, one outer slash removed at each end. Letter case is left alone.
std::string normalizeTextureName(std::string_view name);

// The texture key of a face's texture field: normalizeTextureName(lowerText(field)).
std::string textureKey(std::string_view textureField);

// The names of the set bits of `flagSet`, lowest bit first, joined by ", ",
// from surfaceFlagNames or contentFlagNames as `table` selects.
std::string flagNames(std::uint32_t flagSet, std::uint8_t table);

// The first `count` bytes of `text`; empty for count <= 0.
std::string leftText(std::string_view text, std::int32_t count);
// The last `count` bytes of `text`; empty for count <= 0.
std::string rightText(std::string_view text, std::int32_t count);
// `count` bytes from position `start`; a negative count means up to the end.
std::string midText(std::string_view text, std::int32_t start, std::int32_t count);
// Position of the first `pattern` at or after `start`, or 0. An empty pattern
// or text, or a start outside the text, gives 0.
std::int32_t findText(std::int32_t start, std::string_view text, std::string_view pattern);

std::string upperText(std::string_view text);
std::string lowerText(std::string_view text);

// The number at the start of `text`, 0 when there is none. Reads "&H", "&O",
// "&B" and "&" radix forms, decimal with "d" read as "e", "0x" hex, inf and nan.
double textToNumber(std::string_view text);

std::string unsignedToText(std::uint32_t value);
std::string signedToText(std::int32_t value);

// Rounds to the nearest whole number, an exact half going to the even one.
double roundHalfEven(double value);

// A number as a 32-bit flag set: rounded half to even, then reduced modulo
// 2^32. NaN and infinities give 0.
std::uint32_t flagSetFromNumber(double value);

// The little-endian 32-bit word at byte `at` of `bytes`, which holds at least
// at + 4 bytes: the numbers of the game's binary files.
std::uint32_t littleEndianWord(std::string_view bytes, std::size_t at);

// Numbers compare equal when they are equal or when either is NaN: a field
// that reads as not-a-number matches every value.
bool sameNumber(double a, double b);
