#include "map/face_line.h"

#include <charconv>
#include <cmath>
#include <cstdint>

#include "app/state.h"
#include "text/text.h"

namespace {

constexpr std::size_t FIRST_AXIS_FIELD = 5;
constexpr std::size_t LAST_AXIS_FIELD = 6;

bool isBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view skipBlanks(std::string_view text) {
    while (!text.empty() && isBlank(text.front())) text.remove_prefix(1);
    return text;
}

// Takes from the front of `rest` up to and including the first `close` that
// follows an `open`. False when there is no complete group.
bool takeGroup(std::string_view& rest, char open, char close, std::string_view& group) {
    const std::size_t opening = rest.find(open);
    if (opening == std::string_view::npos) return false;
    const std::size_t closing = rest.find(close, opening + 1);
    if (closing == std::string_view::npos) return false;
    group = trimBlanks(rest.substr(0, closing + 1));
    rest.remove_prefix(closing + 1);
    return true;
}

std::string_view takeToken(std::string_view& rest) {
    rest = skipBlanks(rest);
    std::size_t length = 0;
    while (length < rest.size() && !isBlank(rest[length])) ++length;
    const std::string_view token = rest.substr(0, length);
    rest.remove_prefix(length);
    return token;
}

bool isAxisGroup(std::size_t field) {
    return field >= FIRST_AXIS_FIELD && field <= LAST_AXIS_FIELD && !faceFields[field].empty() &&
           faceFields[field].front() == '[';
}

}  // namespace

bool splitFaceLine(std::string_view line) {
    faceFields.fill(std::string_view());
    std::string_view rest = line;
    for (std::size_t field = 1; field <= 3; ++field) {
        if (!takeGroup(rest, '(', ')', faceFields[field])) {
            faceFields.fill(std::string_view());
            return false;
        }
    }
    faceFields[FIELD_TEXTURE] = takeToken(rest);
    if (!skipBlanks(rest).empty() && skipBlanks(rest).front() == '[') {
        for (std::size_t field = FIRST_AXIS_FIELD; field <= LAST_AXIS_FIELD; ++field) {
            rest = skipBlanks(rest);
            if (rest.empty() || rest.front() != '[' || !takeGroup(rest, '[', ']', faceFields[field])) {
                faceFields.fill(std::string_view());
                return false;
            }
        }
    }
    for (std::size_t field = FIELD_TEXTURE + 1; field <= FACE_FIELD_COUNT; ++field) {
        if (faceFields[field].empty()) faceFields[field] = takeToken(rest);
    }
    return true;
}

std::string rebuildFaceLine() {
    std::string line;
    line.reserve(128);
    for (std::size_t field = 1; field <= FACE_FIELD_COUNT; ++field) {
        if (field > 1) line += ' ';
        if (field <= FIELD_TEXTURE || isAxisGroup(field)) {
            line += faceFields[field];
        } else {
            line += numberText(fieldNumber(faceFields[field]));
        }
    }
    return line;
}

double fieldNumber(std::string_view field) { return textToNumber(field); }

std::string numberText(double value) {
    if (std::isnan(value)) return "nan";
    if (std::isinf(value)) return value > 0 ? "inf" : "-inf";
    char digits[40];
    // Whole numbers below 2^53 print as plain integers either way; this is
    // the common case and much cheaper than the general form.
    if (value == std::trunc(value) && std::fabs(value) < 9007199254740992.0 && !(value == 0 && std::signbit(value))) {
        const auto whole = std::to_chars(digits, digits + sizeof digits, static_cast<std::int64_t>(value));
        return std::string(digits, whole.ptr);
    }
    const auto result = std::to_chars(digits, digits + sizeof digits, value, std::chars_format::general, 16);
    std::string text(digits, result.ptr);
    // The exponent carries at least three digits: "1e+16" becomes "1e+016".
    const std::size_t exponent = text.find('e');
    if (exponent != std::string::npos) {
        const std::size_t exponentDigits = text.size() - (exponent + 2);
        if (exponentDigits < 3) text.insert(exponent + 2, 3 - exponentDigits, '0');
    }
    return text;
}
