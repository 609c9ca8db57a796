#pragma once
// The words a user types for a character's body material and for an action,
// turned into the numbers the engine uses. Both lookups compare whole words
// without regard to case and never fail: an unlisted word gives the default.
#include <cstdint>
#include <optional>
#include <string>

// Action ids: the index of a character's animation slots and files.
namespace action {
enum : std::uint32_t { Idle = 0, Walk, Jump, Fall, Collide, Hold, AddForce, LoseForce, Count };
}

// The material kind of a body material's name; 9 (the basic body material)
// for any other word.
std::uint32_t MaterialKindFromName(const char* name);
// The action id of an action's name; 0 (idle) for any other word.
std::uint32_t AnimationActionFromName(const char* name);
// The file name of an action's animation, "/idle.ani" .. "/loseforce.ani",
// appended to a character's folder; null for an id past the last action.
const char* ActionFileName(std::uint32_t action);
// For the editor, which must not take a typo for the idle action: the action
// id of "Idle" or one of the other seven names (any case), else nothing.
std::optional<std::uint32_t> FindAction(const char* name);
// "Idle" .. "LoseForce"; null for an id past the last action.
const char* ActionName(std::uint32_t action);
// The eight names in id order, as one line: "Idle, Walk, ..., LoseForce".
std::string ActionNamesText();
