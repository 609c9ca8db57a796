#include "Video/Effects/MaterialMan.h"

#include "Video/Effects/MaterialKinds.h"
#include "core/SystemNames.h"
#include "core/eTable.h"

MaterialMan::~MaterialMan() {
    if (initialized) Shutdown();
    ReleaseAll();
}

bool MaterialMan::Init(void*, void*) {
    if (initialized || eTable::Peek(names::MaterialMan)) return false;
    name = names::MaterialMan;
    eTable::Register(name, this);
    for (MaterialSlot& slot : slots) slot = {};
    initialized = true;
    return true;
}

bool MaterialMan::Shutdown() {
    if (!initialized) return false;
    DestroyChildren();
    ReleaseAll();
    eTable::RemoveSystem(this);
    initialized = false;
    return true;
}

Material* MaterialMan::GetMaterial(std::int32_t kind, void* arg) {
    if (kind < 0 || kind >= kKindCount) return nullptr;
    MaterialSlot& slot = slots[kind];
    const std::int32_t old = slot.count;
    slot.count = old + 1;
    if (old <= 0) {
        slot.material = CreateMaterial(kind);
        slot.material->Load(arg);
    }
    return slot.material;
}

void MaterialMan::ReleaseType(std::int32_t kind) {
    if (kind < 0 || kind >= kKindCount) return;
    MaterialSlot& slot = slots[kind];
    if (slot.count > 1) {
        --slot.count;
        return;
    }
    if (slot.count == 0) return;
    Material* material = slot.material;
    slot = {};
    if (material) {
        material->Release();
        delete material;
    }
}

void MaterialMan::Release(Material* material) {
    if (material) ReleaseType(static_cast<std::int32_t>(material->kind));
}

void MaterialMan::ReleaseAll() {
    for (std::int32_t kind = kKindCount - 1; kind >= 0; --kind) {
        Material* material = slots[kind].material;
        slots[kind] = {};
        if (!material) continue;
        material->Release();  // may give back a lower kind's reference
        delete material;
    }
}

Material* MaterialMan::CreateMaterial(std::int32_t kind) {
    switch (kind) {
    case 1: return new MaterialBasic;
    case 2: return new MaterialSkybox;
    case 3: return new MaterialPlastic;
    case 4: return new MaterialShinyPlastic;
    case 5: return new MaterialBasicLine;
    case 6: return new MaterialSmoothVelvet;
    case 7: return new MaterialShadow;
    case 8: return new MaterialShadowProj;
    case 9: return new MaterialBodyBasic;
    case 10: return new MaterialBodyPlastic;
    case 11: return new MaterialBodyShinyPlastic;
    case 12: return new MaterialPlayer;
    case 13: return new MaterialBodyRubber;
    case 14: return new MaterialBodyStone;
    case 15: return new MaterialBodyWood;
    case 16: return new MaterialBodySun;
    case 17: return new MaterialGround;
    case 18: return new MaterialBodyCloud;
    case 19: return new MaterialBodyWeed;
    case 20: return new MaterialBodyWater;
    case 21: return new MaterialBodyVeggie;
    case 22: return new MaterialFaceBasic;
    case 23: return new MaterialText;
    case 24: return new MaterialFire;
    default: return new MaterialNone;
    }
}
