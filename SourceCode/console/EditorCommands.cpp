// The commands of the object editor ("Editor"), the animation editor
// ("AnimationEditor") and the character it edits. Each checks its number of
// parameters, then finds its editor; with no editor running it does nothing
// and prints nothing.
#include <cstdint>
#include <iterator>

#include "console/Console.h"
#include "console/ConsoleCommands.h"
#include "core/SystemNames.h"
#include "core/eTable.h"

namespace {

struct EditorCommand {
    std::int32_t id;
    int params;  // exactly this many
    const char* editorName;  // the editor it acts through
};

// By id, 14 to 40.
constexpr EditorCommand kEditorCommands[] = {
    {kCameraControlToggle, 0, names::AnimationEditor},
    {kEditModeToggle, 0, names::Editor},
    {kAddObject, 0, names::Editor},
    {kDeleteObject, 0, names::Editor},
    {kAnimationModeToggle, 0, names::AnimationEditor},
    {kAddLimb, 2, names::AnimationEditor},
    {kAddPoint, 0, names::AnimationEditor},
    {kSaveCharacter, 1, names::AnimationEditor},
    {kLoadCharacter, 1, names::AnimationEditor},
    {kSetEyes, 0, names::AnimationEditor},
    {kSetBody, 0, names::AnimationEditor},
    {kSetSurface, 11, names::AnimationEditor},
    {kSetMaterial, 3, names::AnimationEditor},
    {kSetSilo, 0, names::AnimationEditor},
    {kSetSiloWidth, 1, names::AnimationEditor},
    {kCreateAnimation, 3, names::AnimationEditor},
    {kLoadAnimation, 2, names::AnimationEditor},
    {kLoadAnimationSet, 1, names::AnimationEditor},
    {kSetAnimation, 1, names::AnimationEditor},
    {kSaveAnimation, 1, names::AnimationEditor},
    {kSaveAnimationSet, 1, names::AnimationEditor},
    {kAddFrame, 1, names::AnimationEditor},
    {kRemoveFrame, 1, names::AnimationEditor},
    {kAnimationLength, 1, names::AnimationEditor},
    {kAnimationLoop, 1, names::AnimationEditor},
    {kAnimate, 0, names::AnimationEditor},
    {kToggleNodes, 0, names::AnimationEditor},
};

constexpr bool InIdOrder() {
    for (std::size_t i = 0; i < std::size(kEditorCommands); ++i)
        if (kEditorCommands[i].id != kFirstEditorCommand + static_cast<std::int32_t>(i)) return false;
    return std::size(kEditorCommands) == kLastCommand - kFirstEditorCommand + 1;
}
static_assert(InIdOrder());

}  // namespace

int RunEditorCommand(Console&, std::int32_t id, CommandArgs args) {
    const EditorCommand& command = kEditorCommands[id - kFirstEditorCommand];
    if (args.size() != static_cast<std::size_t>(command.params)) return kBadParamCount;
    // Looked up without the registry's fatal error: the editors are optional.
    System* editor = eTable::Peek(command.editorName);
    if (!editor) return kDone;
    // Pending: the editor operations and the edited character's commands
    // (comes with the editor): "Editor" runs EditModeToggle, AddObject and
    // DeleteObject; "AnimationEditor" runs CameraControlToggle and
    // AnimationModeToggle, and ids 19 to 40 act on its edited character
    // (nothing and no message while it has none; code 4 where its operation
    // fails). "SetSurface" builds its surface with SurfaceFromWords,
    // "SetMaterial" (limbs flag not 0) and "SetSiloWidth" act through
    // SetCharacterMaterial and SetSilhouetteWidth (CharacterCommands.h).
    return kDone;
}
