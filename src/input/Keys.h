#pragma once

#include <optional>

namespace lantern {

// The keys the keyboard takes. Characters are their ZSCII codes (32-126, 155-251); the keys
// that type none carry the Z-machine's own input codes where it has one, and codes above 255
// where it has none (those only edit the line being typed).
inline constexpr int kKeyBackspace = 8; ///< "delete" to the Z-machine
inline constexpr int kKeyEnter = 13;
inline constexpr int kKeyEscape = 27;
inline constexpr int kKeyUp = 129;
inline constexpr int kKeyDown = 130;
inline constexpr int kKeyLeft = 131;
inline constexpr int kKeyRight = 132;
inline constexpr int kKeyF1 = 133;          ///< F1 to F12 are 133 to 144
inline constexpr int kKeyKeypad0 = 145;     ///< keypad 0 to 9 are 145 to 154
inline constexpr int kKeyMenuChoice = 252;  ///< a menu's item was chosen (version 6)
inline constexpr int kKeyDoubleClick = 253; ///< the second click of a double click
inline constexpr int kKeyClick = 254;       ///< a single click, or the first of a double one
inline constexpr int kKeyHome = 256;        ///< also Ctrl+A
inline constexpr int kKeyEnd = 257;         ///< also Ctrl+E
inline constexpr int kKeyDelete = 258;      ///< the character at the caret
inline constexpr int kKeyKillToStart = 259; ///< Ctrl+U
inline constexpr int kKeyKillToEnd = 260;   ///< Ctrl+K
inline constexpr int kKeyKillWord = 261;    ///< Ctrl+W: the word before the caret

constexpr int FunctionKey(int number) {
    return kKeyF1 + number - 1;
}
constexpr int KeypadKey(int digit) {
    return kKeyKeypad0 + digit;
}

/// Whether a key types a character (a ZSCII code a line may hold).
constexpr bool IsCharacterKey(int key) {
    return (key >= 32 && key <= 126) || (key >= 155 && key <= 251);
}
/// Keys the Z-machine calls function keys: cursor, F1-F12 and keypad keys, and the mouse's
/// clicks (252-254), which a story's terminating characters may name one by one or all as 255.
constexpr bool IsFunctionKey(int key) {
    return (key >= kKeyUp && key <= KeypadKey(9)) || (key >= 252 && key <= 254);
}
/// The digit a keypad key types, when it is one.
constexpr std::optional<int> KeypadDigit(int key) {
    if (key >= kKeyKeypad0 && key <= KeypadKey(9))
        return '0' + (key - kKeyKeypad0);
    return std::nullopt;
}

/// The editing key that a control character stands for in a terminal or from Ctrl and a
/// letter: Ctrl+A, E, U, K and W; nothing for the others.
constexpr std::optional<int> ControlKey(char32_t control) {
    switch (control) {
    case 0x01: return kKeyHome;
    case 0x05: return kKeyEnd;
    case 0x15: return kKeyKillToStart;
    case 0x0B: return kKeyKillToEnd;
    case 0x17: return kKeyKillWord;
    default: return std::nullopt;
    }
}

} // namespace lantern
