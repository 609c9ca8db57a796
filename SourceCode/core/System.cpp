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
        child->Shutdown();
        delete child;
    }
    if (walkDepth == 0) children.clear();
}

void System::DeleteChild(System* child) {
    if (!ReleaseChild(child)) return;
    child->Shutdown();
    delete child;
}

bool System::ReleaseChild(System* child) {
    if (!child) return false;
    auto it = std::find(children.begin(), children.end(), child);
    if (it == children.end()) return false;
    if (walkDepth == 0)
        children.erase(it);
    else
        *it = nullptr;
    return true;
}

void System::AddChild(System* child) {
    if (child) children.push_back(child);
}

void System::CompactChildren() {
    children.remove(nullptr);
}
