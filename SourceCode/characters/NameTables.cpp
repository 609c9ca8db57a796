#include "characters/NameTables.h"

#include <iterator>

#include "platform/common/AsciiCase.h"

namespace {

struct NamedKind {
    const char* name;
    std::uint32_t kind;
};

// In the order they are compared: the first equal name wins.
constexpr NamedKind kBodyMaterials[] = {
    {"Plastic", 10}, {"ShinyPlastic", 11}, {"Rubber", 13}, {"Stone", 14},  {"Wood", 15},   {"Sun", 16},
    {"Player", 12},  {"Cloud", 18},        {"Weed", 19},   {"Water", 20}, {"Veggie", 21},
};
constexpr std::uint32_t kBasicBodyMaterial = 9;

// In the order of the action ids.
constexpr const char* kActionNames[action::Count] = {
    "Idle", "Walk", "Jump", "Fall", "Collide", "Hold", "AddForce", "LoseForce",
};

constexpr const char* kActionFiles[action::Count] = {
    "/idle.ani", "/walk.ani", "/jump.ani", "/fall.ani", "/collide.ani", "/hold.ani", "/addforce.ani", "/loseforce.ani",
};

template <std::size_t N>
std::uint32_t Lookup(const NamedKind (&table)[N], const char* name, std::uint32_t fallback) {
    if (!name) return fallback;
    for (const NamedKind& entry : table)
        if (plat::SameIgnoringCase(entry.name, name)) return entry.kind;
    return fallback;
}

}  // namespace

std::uint32_t MaterialKindFromName(const char* name) { return Lookup(kBodyMaterials, name, kBasicBodyMaterial); }

std::uint32_t AnimationActionFromName(const char* name) { return FindAction(name).value_or(action::Idle); }

const char* ActionFileName(std::uint32_t id) { return id < std::size(kActionFiles) ? kActionFiles[id] : nullptr; }

std::optional<std::uint32_t> FindAction(const char* name) {
    if (!name) return std::nullopt;
    for (std::uint32_t id = 0; id < action::Count; ++id)
        if (plat::SameIgnoringCase(kActionNames[id], name)) return id;
    return std::nullopt;
}

const char* ActionName(std::uint32_t id) { return id < std::size(kActionNames) ? kActionNames[id] : nullptr; }

std::string ActionNamesText() {
    std::string text;
    for (const char* name : kActionNames) text += (text.empty() ? "" : ", ") + std::string(name);
    return text;
}
