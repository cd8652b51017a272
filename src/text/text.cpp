#include "text/text.h"

#include <charconv>
#include <cmath>
#include <limits>

#include "app/state.h"

namespace {

bool isBlank(char c) { return c == ' ' || c == '\t'; }

bool isDigit(char c) { return c >= '0' && c <= '9'; }
char toLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }
char toUpper(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

// Value of `c` as a digit of `base`, or -1.
int digitValue(char c, unsigned base) {
    int value = -1;
    if (isDigit(c)) value = c - '0';
    else if (c >= 'a' && c <= 'f') value = c - 'a' + 10;
    else if (c >= 'A' && c <= 'F') value = c - 'A' + 10;
    return (value >= 0 && static_cast<unsigned>(value) < base) ? value : -1;
}

bool startsWithWord(std::string_view text, std::string_view lowerWord) {
    if (text.size() < lowerWord.size()) return false;
    for (std::size_t i = 0; i < lowerWord.size(); ++i) {
        if (toLower(text[i]) != lowerWord[i]) return false;
    }
    return true;
}

// "&H1F", "&O17", "&B101" and "&17": the digits gather into a 64-bit value that
// wraps, read back as a signed number. `rest` is what follows the "&".
double radixNumber(std::string_view rest) {
    unsigned base = 8;
    std::size_t pos = 0;
    const char kind = toLower(rest[0]);
    if (kind == 'h') base = 16;
    else if (kind == 'b') base = 2;
    if (kind == 'h' || kind == 'o' || kind == 'b') pos = 1;
    std::uint64_t value = 0;
    for (; pos < rest.size(); ++pos) {
        const int digit = digitValue(rest[pos], base);
        if (digit < 0) break;
        value = value * base + static_cast<std::uint64_t>(digit);
    }
    return static_cast<double>(static_cast<std::int64_t>(value));
}

// from_chars leaves its value alone when the result is out of range; the
// nearest double is then infinity or zero, which the decimal exponent decides.
double outOfRangeValue(std::string_view number) {
    long long exponent = 0;
    bool seenNonZero = false;
    bool inFraction = false;
    std::size_t pos = 0;
    for (; pos < number.size() && (isDigit(number[pos]) || number[pos] == '.'); ++pos) {
        if (number[pos] == '.') inFraction = true;
        else if (number[pos] != '0') seenNonZero = true;
        if (isDigit(number[pos]) && !inFraction && seenNonZero) ++exponent;
        if (isDigit(number[pos]) && inFraction && !seenNonZero) --exponent;
    }
    if (pos < number.size() && (number[pos] == 'e' || number[pos] == 'E')) {
        ++pos;
        const bool negative = pos < number.size() && number[pos] == '-';
        if (pos < number.size() && (number[pos] == '-' || number[pos] == '+')) ++pos;
        long long written = 0;
        for (; pos < number.size() && isDigit(number[pos]); ++pos) {
            if (written < 1000000000) written = written * 10 + (number[pos] - '0');
        }
        exponent += negative ? -written : written;
    }
    return exponent > 0 ? std::numeric_limits<double>::infinity() : 0.0;
}

// Length of the decimal number at the start of `text`: digits with an optional
// point and fraction, then an optional exponent. 0 when no number begins there.
std::size_t decimalLength(std::string_view text) {
    std::size_t pos = 0;
    std::size_t digits = 0;
    for (; pos < text.size() && isDigit(text[pos]); ++pos) ++digits;
    if (pos < text.size() && text[pos] == '.') {
        ++pos;
        for (; pos < text.size() && isDigit(text[pos]); ++pos) ++digits;
    }
    if (digits == 0) return 0;
    if (pos < text.size() && (text[pos] == 'e' || text[pos] == 'E')) {
        std::size_t end = pos + 1;
        if (end < text.size() && (text[end] == '+' || text[end] == '-')) ++end;
        if (end < text.size() && isDigit(text[end])) {
            while (end < text.size() && isDigit(text[end])) ++end;
            pos = end;
        }
    }
    return pos;
}

// The number after an optional sign: digits, "0x" and hex digits, inf or nan.
// False when no number begins there.
bool unsignedDecimal(std::string_view text, double& value) {
    value = 0;
    if (startsWithWord(text, "inf")) {
        value = std::numeric_limits<double>::infinity();
        return true;
    }
    if (startsWithWord(text, "nan")) {
        value = std::numeric_limits<double>::quiet_NaN();
        return true;
    }
    if (text.size() > 2 && text[0] == '0' && toLower(text[1]) == 'x' && digitValue(text[2], 16) >= 0) {
        std::size_t end = 2;
        while (end < text.size() && digitValue(text[end], 16) >= 0) ++end;
        const auto result = std::from_chars(text.data() + 2, text.data() + end, value, std::chars_format::hex);
        if (result.ec == std::errc::result_out_of_range) value = std::numeric_limits<double>::infinity();
        return true;
    }
    const std::size_t length = decimalLength(text);
    if (length == 0) return false;
    const auto result = std::from_chars(text.data(), text.data() + length, value, std::chars_format::general);
    if (result.ec == std::errc::result_out_of_range) value = outOfRangeValue(text.substr(0, length));
    return true;
}

bool holdsExponentD(std::string_view text) {
    for (const char c : text) {
        if (c == 'd' || c == 'D') return true;
    }
    return false;
}

// Plain whole numbers of up to 15 digits, the usual face field, read without
// the general parser; the result is exact either way.
bool readPlainInteger(std::string_view text, double& value) {
    const bool negative = !text.empty() && text.front() == '-';
    if (negative) text.remove_prefix(1);
    if (text.empty() || text.size() > 15) return false;
    std::int64_t whole = 0;
    for (const char c : text) {
        if (!isDigit(c)) return false;
        whole = whole * 10 + (c - '0');
    }
    value = negative ? -static_cast<double>(whole) : static_cast<double>(whole);
    return true;
}

double decimalNumber(std::string_view text) {
    double plain = 0;
    if (readPlainInteger(text, plain)) return plain;
    std::string withExponents;
    if (holdsExponentD(text)) {
        withExponents.assign(text);
        for (char& c : withExponents) {
            if (c == 'd') c = 'e';
            else if (c == 'D') c = 'E';
        }
        text = withExponents;
    }
    std::size_t pos = 0;
    while (pos < text.size() && (text[pos] == ' ' || (text[pos] >= '\t' && text[pos] <= '\r'))) ++pos;
    bool negative = false;
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
        negative = text[pos] == '-';
        ++pos;
    }
    // A sign with no number after it ("-", "-x") reads as plain 0, not -0.
    double value = 0;
    if (!unsignedDecimal(text.substr(pos), value)) return 0;
    return negative ? -value : value;
}

}  // namespace

std::string_view textBeforeEndOfFile(std::string_view bytes) { return bytes.substr(0, bytes.find('\x1a')); }

std::string_view takeLine(std::string_view& rest) {
    const std::size_t end = rest.find('\n');
    std::string_view line = rest.substr(0, end);
    rest.remove_prefix(end == std::string_view::npos ? rest.size() : end + 1);
    // A carriage return ends with the line feed after it, or with the file: a
    // last line cut off after its CR must not carry the CR into the output.
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    return line;
}

std::string_view trimBlanks(std::string_view text) {
    while (!text.empty() && isBlank(text.front())) text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back())) text.remove_suffix(1);
    return text;
}

std::string cleanLine(std::string_view text) {
    text = text.substr(0, text.find('\0'));
    text = text.substr(0, text.find("//"));
    return std::string(trimBlanks(text));
}

std::string normalizeTextureName(std::string_view name) {
    std::string normal = cleanLine(name);
    for (char& c : normal) {
        if (c == '\\') c = '/';
    }
    if (!normal.empty() && normal.front() == '/') normal.erase(0, 1);
    if (!normal.empty() && normal.back() == '/') normal.pop_back();
    return normal;
}

std::string textureKey(std::string_view textureField) {
    // Normalising never touches letters, so lower-casing afterwards gives the
    // same key as lower-casing first, with one copy fewer.
    std::string key = normalizeTextureName(textureField);
    for (char& c : key) c = toLower(c);
    return key;
}

std::string flagNames(std::uint32_t flagSet, std::uint8_t table) {
    const auto& names = (table == FLAG_TABLE_CONTENT) ? contentFlagNames : surfaceFlagNames;
    std::string result;
    for (std::size_t i = 1; i <= FLAG_COUNT; ++i) {
        if ((flagSet & flagBit[i]) == 0) continue;
        // An empty name adds no text, but once there is text it still adds a separator.
        if (!result.empty()) result += ", ";
        result += names[i];
    }
    return result;
}

std::string leftText(std::string_view text, std::int32_t count) {
    if (count <= 0) return std::string();
    return std::string(text.substr(0, static_cast<std::size_t>(count)));
}

std::string rightText(std::string_view text, std::int32_t count) {
    if (count <= 0) return std::string();
    const auto wanted = static_cast<std::size_t>(count);
    if (wanted >= text.size()) return std::string(text);
    return std::string(text.substr(text.size() - wanted));
}

std::string midText(std::string_view text, std::int32_t start, std::int32_t count) {
    if (text.empty() || start < 1 || static_cast<std::size_t>(start) > text.size() || count == 0) {
        return std::string();
    }
    const std::size_t length = count < 0 ? std::string_view::npos : static_cast<std::size_t>(count);
    return std::string(text.substr(static_cast<std::size_t>(start) - 1, length));
}

std::int32_t findText(std::int32_t start, std::string_view text, std::string_view pattern) {
    if (text.empty() || pattern.empty() || start < 1 || static_cast<std::size_t>(start) > text.size() ||
        pattern.size() > text.size()) {
        return 0;
    }
    const std::size_t found = text.find(pattern, static_cast<std::size_t>(start) - 1);
    return found == std::string_view::npos ? 0 : static_cast<std::int32_t>(found + 1);
}

std::string upperText(std::string_view text) {
    std::string result(text);
    for (char& c : result) c = toUpper(c);
    return result;
}

std::string lowerText(std::string_view text) {
    std::string result(text);
    for (char& c : result) c = toLower(c);
    return result;
}

double textToNumber(std::string_view text) {
    while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
    if (text.empty()) return 0;
    if (text.size() >= 2 && text.front() == '&') return radixNumber(text.substr(1));
    return decimalNumber(text);
}

std::string unsignedToText(std::uint32_t value) {
    char digits[16];
    const auto result = std::to_chars(digits, digits + sizeof digits, value);
    return std::string(digits, result.ptr);
}

std::string signedToText(std::int32_t value) {
    char digits[16];
    const auto result = std::to_chars(digits, digits + sizeof digits, value);
    return std::string(digits, result.ptr);
}

double roundHalfEven(double value) {
    if (!std::isfinite(value)) return value;
    // Built on floor alone: the std::round of MinGW-w64 adds 0.5 first, which
    // turns 0.49999999999999994 into 1. The fraction is exact for any double.
    const double whole = std::floor(value);
    const double fraction = value - whole;
    if (fraction != 0.5) return fraction < 0.5 ? whole : whole + 1;
    return std::fmod(whole, 2.0) == 0 ? whole : whole + 1;
}

std::uint32_t flagSetFromNumber(double value) {
    constexpr double twoToThe32 = 4294967296.0;
    // Flag fields mostly hold whole flag sets already, which need no rounding.
    if (value >= 0 && value < twoToThe32 && value == std::trunc(value)) return static_cast<std::uint32_t>(value);
    if (!std::isfinite(value)) return 0;
    double reduced = std::fmod(roundHalfEven(value), twoToThe32);  // exact, in (-2^32, 2^32)
    if (reduced < 0) reduced += twoToThe32;
    return static_cast<std::uint32_t>(reduced);
}

bool sameNumber(double a, double b) { return std::isnan(a) || std::isnan(b) || a == b; }

std::uint32_t littleEndianWord(std::string_view bytes, std::size_t at) {
    std::uint32_t word = 0;
    for (std::size_t i = 4; i-- > 0;)
        word = (word << 8) | static_cast<std::uint32_t>(static_cast<unsigned char>(bytes[at + i]));
    return word;
}
