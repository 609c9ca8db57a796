// The commands of the object editor ("Editor"), the animation editor
// ("AnimationEditor") and the character it edits. Each finds its editor,
// then checks its number of parameters; with no editor running it does
// nothing and prints nothing, whatever its parameters. A command that fails
// or cannot run says why under its result.
#include <cmath>
#include <cstdint>
#include <iterator>
#include <string>

#include "Video/ObjectMesh.h"
#include "Video/Scene.h"
#include "characters/Animation.h"
#include "characters/Limb.h"
#include "characters/NameTables.h"
#include "console/CharacterCommands.h"
#include "console/Console.h"
#include "console/ConsoleCommands.h"
#include "core/SystemNames.h"
#include "core/eTable.h"
#include "editor/AnimationEditor.h"
#include "editor/EditChar.h"
#include "editor/EditNode.h"
#include "editor/Editor.h"
#include "platform/common/AsciiCase.h"
#include "platform/common/ErrorLog.h"
#include "world/GameObject.h"

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

int Result(bool done) { return done ? kDone : kEffectFailed; }

const char* CommandName(std::int32_t id) {
    for (const ConsoleCommand& command : ConsoleCommands())
        if (command.id == id) return command.name;
    return "";
}

// The player is made once, when the game starts, and every level and the
// menu take him as he is: deleted, he would be gone for the whole session.
int DeleteObject(Console& console, Editor& editor) {
    const GameObject* held = editor.HeldObject();
    if (held && held->kind == kKindPlayer) {
        console.Explain("The player cannot be deleted: every level and the menu need him.");
        return kEffectFailed;
    }
    editor.DeleteObject();
    return kDone;
}

int RunObjectEditorCommand(Console& console, Editor& editor, std::int32_t id) {
    if (id == kEditModeToggle) editor.EditModeToggle();
    if (id == kAddObject) editor.AddObject();
    if (id == kDeleteObject) return DeleteObject(console, editor);
    return kDone;
}

std::uint32_t LimbType(const char* word) {
    if (plat::SameIgnoringCase(word, "Spline")) return Limb::kSpline;
    if (plat::SameIgnoringCase(word, "Model")) return Limb::kModel;
    return Limb::kLine;
}

std::uint32_t LimbLocation(const char* word) {
    constexpr const char* kLocations[] = {"LArm", "RArm", "LLeg", "RLeg", "Head"};
    for (std::uint32_t loc = 0; loc < std::size(kLocations); ++loc)
        if (plat::SameIgnoringCase(word, kLocations[loc])) return loc;
    return limbloc::Unset;
}

// diffuse r g b, specular r g b, power, m, n, str, limbs flag
int SetSurface(AnimationEditor& editor, EditChar& character, CommandArgs args) {
    if (!character.BodyObject()) return kDone;
    const SurfaceData surface = SurfaceFromWords(args);
    if (!surface.IsFinite()) return kBadParam;
    character.SetSurface(surface, editor.SelectedObject(), std::uint32_t(ParseInt(args[10])));
    return kDone;
}

// A width that is not finite could never be saved: the character would be
// stuck with it.
int SetSiloWidth(EditChar& character, CommandArgs args) {
    const float width = ParseFloat(args[0]);
    if (!std::isfinite(width)) return kBadParam;
    SetSilhouetteWidth(character, width);
    return kDone;
}

// body-material name, object properties, limbs flag: with the flag 0 and a
// selected node of a model limb, only that node's model changes.
int SetMaterial(AnimationEditor& editor, EditChar& character, CommandArgs args) {
    if (!character.BodyObject()) return kDone;
    const std::uint32_t kind = MaterialKindFromName(args[0]);
    const auto properties = std::uint32_t(ParseInt(args[1]));
    const std::int32_t limbs = ParseInt(args[2]);
    EditNode* node = editor.SelectedNode();
    if (limbs == 0 && character.selectedLimb && character.selectedLimb->kind == Limb::kModel && node &&
        node->point && node->point->model) {
        node->point->model->SetMaterial(static_cast<Scene*>(eTable::Peek(names::MainScene)), kind, properties);
        return kDone;
    }
    SetCharacterMaterial(character, kind, properties, limbs == 1);
    return kDone;
}

// An animated character stays posed by its key frames until it is loaded or
// made afresh: only a character at rest is saved.
int SaveCharacter(Console& console, EditChar& character, const char* name) {
    if (character.animationMode) {
        console.Explain(
            "A character cannot be saved while it is animated (after CreateAnimation, LoadAnimation or "
            "SetAnimation): save it before animating. LoadCharacter brings it back from its file, not animated.");
        return kEffectFailed;
    }
    return Result(character.SaveCharacter(name));
}

int LoadAnimationSet(Console& console, EditChar& character, const char* name) {
    if (character.LoadAnimationSet(name)) return kDone;
    console.Explain(std::string("No animation of ") + name + " could be loaded from Assets/Animations/" + name + "/.");
    return kEffectFailed;
}

int RunCharacterCommand(Console& console, AnimationEditor& editor, EditChar& character, std::int32_t id,
                        CommandArgs args) {
    switch (id) {
        case kAddLimb: return Result(character.AddLimb(LimbType(args[0]), LimbLocation(args[1]), 1));
        case kAddPoint: return character.selectedLimb ? Result(character.AddPoint(true)) : kDone;
        case kSaveCharacter: return SaveCharacter(console, character, args[0]);
        case kLoadCharacter: return Result(character.LoadCharacter(args[0]));
        case kSetEyes: character.NextEyes(); return kDone;
        case kSetBody:
            if (EditNode* node = editor.SelectedNode()) character.NextLimbModel(node);
            else character.NextBody();
            return kDone;
        case kSetSurface: return SetSurface(editor, character, args);
        case kSetMaterial: return SetMaterial(editor, character, args);
        case kSetSilo: character.NextSilhouette(); return kDone;
        case kSetSiloWidth: return SetSiloWidth(character, args);
        case kCreateAnimation:
            return Result(character.CreateAnimation(AnimationActionFromName(args[0]), ParseFloat(args[1]),
                                                    ParseFlag(args[2])));
        case kLoadAnimation: return Result(character.LoadAnimation(args[0], AnimationActionFromName(args[1])));
        case kLoadAnimationSet: return LoadAnimationSet(console, character, args[0]);
        case kSetAnimation: return Result(character.SetAnimation(AnimationActionFromName(args[0])));
        case kSaveAnimation: return Result(character.SaveAnimation(args[0]));
        case kSaveAnimationSet: return Result(character.SaveAnimationSet(args[0]));
        case kAddFrame: return Result(character.AddFrame(ParseFloat(args[0]), true));
        case kRemoveFrame: return Result(character.RemoveFrame(ParseFloat(args[0]), true));
        case kAnimationLength: return Result(character.SetAnimationLength(ParseFloat(args[0])));
        case kAnimationLoop:
            if (character.currentAnimation) character.currentAnimation->loop = ParseFlag(args[0]) ? 1 : 0;
            return kDone;
        case kAnimate:
            if (character.animationMode) character.ToggleAnimate();
            return kDone;
        case kToggleNodes: character.ToggleNodes(); return kDone;
        default: return kDone;
    }
}

}  // namespace

int RunEditorCommand(Console& console, std::int32_t id, CommandArgs args) {
    const EditorCommand& command = kEditorCommands[id - kFirstEditorCommand];
    // Looked up without the registry's fatal error: the editors are optional.
    System* editor = eTable::Peek(command.editorName);
    if (!editor) return kDone;
    if (args.size() != static_cast<std::size_t>(command.params)) return kBadParamCount;
    if (command.editorName == names::Editor)
        return RunObjectEditorCommand(console, *static_cast<Editor*>(editor), id);
    auto& animationEditor = *static_cast<AnimationEditor*>(editor);
    if (id == kCameraControlToggle) animationEditor.CameraControlToggle();
    if (id == kAnimationModeToggle) animationEditor.AnimationModeToggle();
    if (id < kAddLimb) return kDone;
    // The edited character lives only in animation mode.
    EditChar* character = animationEditor.GetEditChar();
    if (!character) {
        console.Explain(std::string(CommandName(id)) +
                        " needs animation mode: press F10 (or type AnimationModeToggle).");
        return kDone;
    }
    // What went wrong on the way (a file that cannot be read, a fault in
    // it) goes to the error stream; the author at the console sees it too.
    plat::ErrorCapture reasons;
    const int code = RunCharacterCommand(console, animationEditor, *character, id, args);
    if (code != kDone)
        for (const std::string& line : reasons.Lines()) console.Explain(line);
    return code;
}
