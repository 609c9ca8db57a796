#include "ai/PathMan.h"

#include "core/SystemNames.h"
#include "core/eTable.h"

PathMan::~PathMan() {
    if (initialized) Shutdown();
}

bool PathMan::Init(void*, void*) {
    if (initialized) return false;
    name = names::PathMan;
    if (!eTable::Register(name, this)) return false;
    paths.clear();
    nextId = 0;
    initialized = true;
    return true;
}

bool PathMan::Shutdown() {
    if (!System::Shutdown()) return false;
    paths.clear();
    return true;
}

std::uint32_t PathMan::CreatePath() {
    paths.push_back(std::make_unique<Path>(nextId));
    return nextId++;
}

Path* PathMan::GetPath(std::uint32_t id) {
    if (id >= nextId) return nullptr;
    for (auto& path : paths)
        if (path->Id() == id) return path.get();
    return nullptr;
}

bool PathMan::AddPointToPath(std::uint32_t id, float x, float y, float z) {
    Path* path = GetPath(id);
    if (!path) return false;
    path->AddPoint(D3DXVECTOR3(x, y, z));
    return true;
}

bool PathMan::SetPathTime(std::uint32_t id, float time) {
    Path* path = GetPath(id);
    // Written so that NaN is refused too.
    if (!path || !(time > 0.0f)) return false;
    path->SetTime(time);
    path->UpdateSpeed();
    return true;
}

bool PathMan::SetPathSpeed(std::uint32_t id, float speed) {
    Path* path = GetPath(id);
    if (!path || !(speed > 0.0f)) return false;
    path->SetSpeed(speed);
    return true;
}

bool PathMan::SetPathMode(std::uint32_t id, std::uint32_t mode) {
    Path* path = GetPath(id);
    if (!path) return false;
    path->SetMode(mode);
    return true;
}
