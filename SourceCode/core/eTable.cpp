#include "core/eTable.h"

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
}  // namespace

namespace eTable {

bool Register(const char* name, System* system) {
    if (Peek(name)) return false;
    Entries().push_back({name, system});
    return true;
}

bool RemoveName(const char* name) {
    auto& entries = Entries();
    for (auto it = entries.begin(); it != entries.end(); ++it) {
        if (it->name == name) {
            entries.erase(it);
            return true;
        }
    }
    return false;
}

bool RemoveSystem(System* system) {
    auto& entries = Entries();
    for (auto it = entries.begin(); it != entries.end(); ++it) {
        if (it->system == system) {
            entries.erase(it);
            return true;
        }
    }
    return false;
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
