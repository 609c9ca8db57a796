#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "core/System.h"

// One stored, pre-parsed console command for a key: the command id and its
// parameters, for one input stream (or -1: made for every stream).
struct Binding {
    std::int32_t stream = -1;
    std::int32_t command = -1;
    std::vector<std::string> args;
};

// "Bindings": runs console commands from keys, per input stream, without the
// console being open. The only child of "Input", it runs at the start of the
// input update, on the key flags of the previous poll. A triggered binding
// runs once per press, a held one every frame the key is down.
class Bindings : public System {
public:
    static constexpr int kMaxArgs = 16;
    static constexpr int kStreamCount = 3;
    static constexpr int kKeyCount = 256;
    // The key-name table, grouped for a reader: said when a name is no key.
    static constexpr const char* kKeyNamesInShort =
        "Key names (any case): A to Z but O, 0 to 9, F1 to F15, NUM_0 to NUM_9, NUM_+ NUM_- NUM_* NUM_/ NUM_. "
        "NUM_= NUM_ENTER, UP DOWN LEFT RIGHT, SPACEBAR RETURN ESCAPE TAB BACKSPACE CAPS, INSERT DELETE HOME END "
        "PG_UP PG_DOWN, L_SHIFT L_CONTROL R_CONTROL L_ALT, and ' \\ , . / ; = - [ ] ~.";

    Bindings() = default;
    ~Bindings() override;

    bool Init(void* a = nullptr, void* b = nullptr) override;
    bool Shutdown() override;
    // Fires the bindings of the current stream, key by key; the stream is
    // read again for every key, so a command that switches streams (opening
    // the console) silences the keys after it.
    bool Update() override;
    // Number of passes so far: one a frame.
    std::uint32_t Passes() const { return passes; }
    // The key whose binding is running now, or -1 (a typed or scripted
    // command).
    int FiringKey() const { return firingKey; }

    // Stores a copy of binding for the named key in the triggered or the held
    // table, replacing what was there; stream -1 puts a copy on each of the
    // three streams. False (nothing changed) for a name that is no key, a
    // stream outside -1..2 or more than kMaxArgs parameters.
    bool Bind(bool triggered, const char* keyName, const Binding& binding);
    // Why Bind would refuse the binding (the unknown key name, the stream
    // outside -1..2, the parameters past kMaxArgs), "" when it would not.
    static std::string Refusal(const char* keyName, const Binding& binding);

    // What fires for key on stream (0..2), or null.
    const Binding* TriggeredBinding(std::uint8_t key, int stream) const;
    const Binding* HeldBinding(std::uint8_t key, int stream) const;

private:
    using Table = std::unique_ptr<Binding>[kKeyCount][kStreamCount];
    void Clear();
    void Fire(std::uint8_t key, const Binding& binding);

    std::uint32_t passes = 0;
    int firingKey = -1;
    Table triggeredBindings;
    Table heldBindings;
};
