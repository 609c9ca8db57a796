#pragma once
#include <cstdint>
#include <list>
#include <memory>

#include "Video/Effects/Effect.h"
#include "core/System.h"

// Shares effects among materials by file-name literal (the address is the
// key, not the text), counts their users and passes device loss and reset on
// to every loaded effect. A child of "Video", created after "TextureMan".
class EffectsMan : public System {
public:
    EffectsMan() = default;
    ~EffectsMan() override;

    bool Init(void* a = nullptr, void* b = nullptr) override;
    bool Shutdown() override;

    // Never null: an effect that failed to load is shared all the same.
    Effect* GetEffect(const char* fileName);
    // One reference less; the effect goes at zero. Unknown effects: nothing.
    void ReleaseEffect(Effect* effect);

    void OnLostDevice();
    void OnResetDevice();

    // The reference count of the entry holding the effect, 0 when none.
    std::int32_t CountOf(const Effect* effect) const;
    std::size_t EntryCount() const { return entries.size(); }

private:
    struct Entry {
        const char* fileName;
        std::unique_ptr<Effect> effect;
        std::int32_t count;
    };
    std::list<Entry> entries;  // the most recently created first
};
