#pragma once
#include <cstdint>

#include "Video/Effects/Material.h"
#include "core/System.h"

// One shared material per kind (0 to 24), created on first use and
// destroyed when its last user gives it back. A child of "Video", created
// after "EffectsMan".
class MaterialMan : public System {
public:
    static constexpr std::int32_t kKindCount = 25;

    struct MaterialSlot {
        Material* material = nullptr;
        std::int32_t count = 0;
    };

    MaterialMan() = default;
    ~MaterialMan() override;

    bool Init(void* a = nullptr, void* b = nullptr) override;
    bool Shutdown() override;

    // One more reference on the kind; null for a kind outside 0 to 24.
    Material* GetMaterial(std::int32_t kind, void* arg);
    void ReleaseType(std::int32_t kind);
    void Release(Material* material);
    // Kinds 1 to 24 give their class; any other value MaterialNone.
    static Material* CreateMaterial(std::int32_t kind);
    // Destroys every material still held, each once, from kind 24 down so
    // that a fallback (always a lower kind) is alive when its user gives it
    // back.
    void ReleaseAll();

    const MaterialSlot& Slot(std::int32_t kind) const { return slots[kind]; }

private:
    MaterialSlot slots[kKindCount];
};
