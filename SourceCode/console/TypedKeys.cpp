#include "console/TypedKeys.h"

#include "platform/input/DirectInputKeys.h"

using namespace plat;

namespace {
struct TypedKey {
    std::uint8_t code;
    char plain;
    char shifted;
};

constexpr TypedKey kTypedKeys[] = {
    {DIK_A, 'a', 'A'}, {DIK_B, 'b', 'B'}, {DIK_C, 'c', 'C'}, {DIK_D, 'd', 'D'}, {DIK_E, 'e', 'E'},
    {DIK_F, 'f', 'F'}, {DIK_G, 'g', 'G'}, {DIK_H, 'h', 'H'}, {DIK_I, 'i', 'I'}, {DIK_J, 'j', 'J'},
    {DIK_K, 'k', 'K'}, {DIK_L, 'l', 'L'}, {DIK_M, 'm', 'M'}, {DIK_N, 'n', 'N'}, {DIK_O, 'o', 'O'},
    {DIK_P, 'p', 'P'}, {DIK_Q, 'q', 'Q'}, {DIK_R, 'r', 'R'}, {DIK_S, 's', 'S'}, {DIK_T, 't', 'T'},
    {DIK_U, 'u', 'U'}, {DIK_V, 'v', 'V'}, {DIK_W, 'w', 'W'}, {DIK_X, 'x', 'X'}, {DIK_Y, 'y', 'Y'},
    {DIK_Z, 'z', 'Z'},
    // Each digit on the main row, then on the keypad; Shift gives the main
    // row's symbol for both.
    {DIK_0, '0', ')'}, {DIK_NUMPAD0, '0', ')'}, {DIK_1, '1', '!'}, {DIK_NUMPAD1, '1', '!'},
    {DIK_2, '2', '@'}, {DIK_NUMPAD2, '2', '@'}, {DIK_3, '3', '#'}, {DIK_NUMPAD3, '3', '#'},
    {DIK_4, '4', '$'}, {DIK_NUMPAD4, '4', '$'}, {DIK_5, '5', '%'}, {DIK_NUMPAD5, '5', '%'},
    {DIK_6, '6', '^'}, {DIK_NUMPAD6, '6', '^'}, {DIK_7, '7', '&'}, {DIK_NUMPAD7, '7', '&'},
    {DIK_8, '8', '*'}, {DIK_NUMPAD8, '8', '*'}, {DIK_9, '9', '('}, {DIK_NUMPAD9, '9', '('},
    {DIK_MINUS, '-', '_'}, {DIK_SUBTRACT, '-', '_'}, {DIK_EQUALS, '=', '+'}, {DIK_NUMPADEQUALS, '=', '+'},
    {DIK_MULTIPLY, '*', '*'}, {DIK_ADD, '+', '+'},
    {DIK_LBRACKET, '[', '{'}, {DIK_RBRACKET, ']', '}'}, {DIK_BACKSLASH, '\\', '|'},
    {DIK_SEMICOLON, ';', ':'}, {DIK_APOSTROPHE, '\'', '"'},
    {DIK_COMMA, ',', '<'}, {DIK_NUMPADCOMMA, ',', '<'}, {DIK_PERIOD, '.', '>'}, {DIK_DECIMAL, '.', '>'},
    {DIK_SLASH, '/', '?'}, {DIK_DIVIDE, '/', '?'},
    {DIK_SPACE, ' ', ' '},
};
}  // namespace

char TypedChar(std::uint8_t key, bool shift) {
    for (const TypedKey& typed : kTypedKeys)
        if (typed.code == key) return shift ? typed.shifted : typed.plain;
    return 0;
}
