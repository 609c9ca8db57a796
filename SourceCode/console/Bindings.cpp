#include "console/Bindings.h"

#include "console/Console.h"
#include "core/SystemNames.h"
#include "core/eTable.h"
#include "input/Input.h"
#include "input/KeyNames.h"

Bindings::~Bindings() {
    if (initialized) Shutdown();
    Clear();
}

bool Bindings::Init(void*, void*) {
    if (initialized) return false;
    name = names::Bindings;
    eTable::Register(name, this);
    Clear();
    initialized = true;
    return true;
}

bool Bindings::Shutdown() {
    if (!initialized) return false;
    Clear();
    eTable::RemoveSystem(this);
    initialized = false;
    return true;
}

void Bindings::Clear() {
    for (int key = 0; key < kKeyCount; ++key)
        for (int stream = 0; stream < kStreamCount; ++stream) {
            triggeredBindings[key][stream].reset();
            heldBindings[key][stream].reset();
        }
}

std::string Bindings::Refusal(const char* keyName, const Binding& binding) {
    if (KeyCodeFromName(keyName) == kUnknownKeyCode)
        return std::string("\"") + (keyName ? keyName : "") + "\" names no key. " + kKeyNamesInShort;
    if (binding.stream < -1 || binding.stream >= kStreamCount)
        return "Stream " + std::to_string(binding.stream) +
               " is outside -1 to 2: -1 binds the key on every stream, 0 in the game, 1 in the editors, 2 in "
               "the console.";
    if (binding.args.size() > static_cast<std::size_t>(kMaxArgs))
        return "A binding keeps at most " + std::to_string(kMaxArgs) + " parameters; this one has " +
               std::to_string(binding.args.size()) + ".";
    return {};
}

bool Bindings::Bind(bool triggered, const char* keyName, const Binding& binding) {
    if (!Refusal(keyName, binding).empty()) return false;
    const std::uint8_t key = KeyCodeFromName(keyName);
    Table& table = triggered ? triggeredBindings : heldBindings;
    const int first = binding.stream == -1 ? 0 : binding.stream;
    const int last = binding.stream == -1 ? kStreamCount - 1 : binding.stream;
    for (int stream = first; stream <= last; ++stream) table[key][stream] = std::make_unique<Binding>(binding);
    return true;
}

const Binding* Bindings::TriggeredBinding(std::uint8_t key, int stream) const {
    return stream >= 0 && stream < kStreamCount ? triggeredBindings[key][stream].get() : nullptr;
}

const Binding* Bindings::HeldBinding(std::uint8_t key, int stream) const {
    return stream >= 0 && stream < kStreamCount ? heldBindings[key][stream].get() : nullptr;
}

void Bindings::Fire(std::uint8_t key, const Binding& binding) {
    auto* console = static_cast<Console*>(eTable::Peek(names::Console));
    if (!console) return;
    // The command runs on a copy: it may rebind (and so free) the very
    // binding it came from.
    const Binding running = binding;
    std::vector<const char*> argv;
    for (const std::string& arg : running.args) argv.push_back(arg.c_str());
    firingKey = key;
    console->RunMacro(running.command, static_cast<int>(argv.size()), argv.data());
    firingKey = -1;
}

bool Bindings::Update() {
    if (!initialized || !active) return false;
    ++passes;
    UpdateChildren();
    auto* input = static_cast<Input*>(eTable::Peek(names::Input));
    if (!input) return true;
    for (int code = 0; code < kKeyCount; ++code) {
        const auto key = static_cast<std::uint8_t>(code);
        const std::int32_t stream = input->GetStream();
        if (stream < 0 || stream >= kStreamCount) continue;
        if (triggeredBindings[key][stream] && input->IsKeyTriggered(key, stream))
            Fire(key, *triggeredBindings[key][stream]);
        if (heldBindings[key][stream] && input->IsKeyDown(key, stream)) Fire(key, *heldBindings[key][stream]);
    }
    return true;
}
