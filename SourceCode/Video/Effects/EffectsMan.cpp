#include "Video/Effects/EffectsMan.h"

#include "core/SystemNames.h"
#include "core/eTable.h"

EffectsMan::~EffectsMan() {
    if (initialized) Shutdown();
}

bool EffectsMan::Init(void*, void*) {
    if (initialized) return false;
    name = names::EffectsMan;
    eTable::Register(name, this);
    initialized = true;
    return true;
}

bool EffectsMan::Shutdown() {
    if (!initialized) return false;
    // Every effect goes, whatever its count, while "TextureMan" (which shuts
    // down later) can still take its procedural textures back.
    entries.clear();
    DestroyChildren();
    eTable::RemoveSystem(this);
    initialized = false;
    return true;
}

Effect* EffectsMan::GetEffect(const char* fileName) {
    for (Entry& entry : entries) {
        if (entry.fileName == fileName) {
            ++entry.count;
            return entry.effect.get();
        }
    }
    entries.push_front(Entry{fileName, std::make_unique<Effect>(), 0});
    Entry& entry = entries.front();
    entry.effect->Load(fileName);  // an effect that fails to load is shared unloaded
    ++entry.count;
    return entry.effect.get();
}

void EffectsMan::ReleaseEffect(Effect* effect) {
    for (auto it = entries.begin(); it != entries.end(); ++it) {
        if (it->effect.get() != effect) continue;
        if (--it->count <= 0) entries.erase(it);
        return;
    }
}

void EffectsMan::OnLostDevice() {
    for (Entry& entry : entries) {
        if (entry.effect->effect) entry.effect->effect->OnLostDevice();
    }
}

void EffectsMan::OnResetDevice() {
    for (Entry& entry : entries) {
        if (entry.effect->effect) entry.effect->effect->OnResetDevice();
    }
}

std::int32_t EffectsMan::CountOf(const Effect* effect) const {
    for (const Entry& entry : entries) {
        if (entry.effect.get() == effect) return entry.count;
    }
    return 0;
}
