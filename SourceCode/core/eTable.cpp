#include "core/eTable.h"

#include <algorithm>
#include <list>
#include <string>

#include "core/DIva.h"
#include "core/SystemNames.h"

namespace {
struct Entry {
    const char* name;
    System* system;
};

std::list<Entry>& Entries() {
    static std::list<Entry> entries;
    return entries;
}

// Removes the first entry that matches; false when there is none.
template <class Match>
bool RemoveFirst(Match match) {
    auto& entries = Entries();
    auto it = std::find_if(entries.begin(), entries.end(), match);
    if (it == entries.end()) return false;
    entries.erase(it);
    return true;
}
}  // namespace

namespace eTable {

bool Register(const char* name, System* system) {
    if (Peek(name)) return false;
    Entries().push_back({name, system});
    return true;
}

bool RemoveName(const char* name) {
    return RemoveFirst([name](const Entry& e) { return e.name == name; });
}

bool RemoveSystem(System* system) {
    return RemoveFirst([system](const Entry& e) { return e.system == system; });
}

System* Peek(const char* name) {
    for (const Entry& e : Entries())
        if (e.name == name) return e.system;
    return nullptr;
}

System* GetSystem(const char* name) {
    if (System* found = Peek(name)) return found;
    if (name != names::DIva) {
        std::string text = "FATAL ERROR: eTable failed to find ";
        text += name ? name : "(null)";
        text += "!";
        ReportFatalError(text.c_str());
    }
    return nullptr;
}

int Count() { return static_cast<int>(Entries().size()); }

}  // namespace eTable
