// ASCII character classes for the bytes of formats and protocols, whatever the locale.
#pragma once

namespace Tork::Ascii {

// The C library's classes ask the locale for every byte, and take bytes above 0x7F for
// letters or blanks in some; file formats mean ASCII alone.

constexpr bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

constexpr char lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

constexpr bool isLetter(char c) {
    return lower(c) >= 'a' && lower(c) <= 'z';
}

constexpr bool isHexDigit(char c) {
    return isDigit(c) || (lower(c) >= 'a' && lower(c) <= 'f');
}

/// Space or tab.
constexpr bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

/// What the C library's formatted scan skips before a number: blanks, line ends, VT, FF.
constexpr bool isSpace(char c) {
    return isBlank(c) || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

}  // namespace Tork::Ascii
