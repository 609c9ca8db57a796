#include "core/System.h"

#include <algorithm>

#include "core/eTable.h"

System::~System() {
    // Children still listed belong to this system; free them rather than
    // leak them (a class that forgot to shut down must not lose its tree).
    DestroyChildren();
    // A system deleted while still initialised has not left the registry:
    // leave it now, or the registry would hand out a freed system.
    if (initialized) eTable::RemoveSystem(this);
}

bool System::Shutdown() {
    if (!initialized) return false;
    DestroyChildren();
    eTable::RemoveSystem(this);
    initialized = false;
    return true;
}

bool System::Update() {
    if (!initialized || !active) return false;
    UpdateChildren();
    return true;
}

void System::UpdateChildren() {
    ++walkDepth;
    for (auto it = children.begin(); it != children.end(); ++it) {
        if (System* child = *it) child->Update();
    }
    --walkDepth;
    if (walkDepth == 0) CompactChildren();
}

void System::DestroyChildren() {
    for (auto it = children.rbegin(); it != children.rend(); ++it) {
        System* child = *it;
        if (!child) continue;
        *it = nullptr;  // unlinked before it runs, so it cannot be freed twice
        entryOf.erase(child);
        child->Shutdown();
        delete child;
    }
    if (walkDepth == 0)
        children.clear();
    else
        hasNulledEntries = true;
    entryOf.clear();
    repeatedAdds = 0;
}

void System::DeleteChild(System* child) {
    if (!ReleaseChild(child)) return;
    child->Shutdown();
    delete child;
}

bool System::ReleaseChild(System* child) {
    auto found = child ? entryOf.find(child) : entryOf.end();
    if (found == entryOf.end()) return false;
    const Entry it = found->second;
    entryOf.erase(found);
    if (repeatedAdds > 0) IndexNextEntry(child, it);
    if (walkDepth == 0) {
        children.erase(it);
    } else {
        *it = nullptr;
        hasNulledEntries = true;
    }
    return true;
}

void System::IndexNextEntry(System* child, Entry from) {
    const Entry next = std::find(std::next(from), children.end(), child);
    if (next == children.end()) return;
    entryOf.emplace(child, next);
    --repeatedAdds;
}

void System::AddChild(System* child) {
    if (!child) return;
    children.push_back(child);
    if (!entryOf.emplace(child, std::prev(children.end())).second) ++repeatedAdds;
}

void System::CompactChildren() {
    if (!hasNulledEntries) return;
    children.remove(nullptr);
    hasNulledEntries = false;
}
