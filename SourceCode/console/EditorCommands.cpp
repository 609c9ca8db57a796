// The commands of the object editor ("Editor"), the animation editor
// ("AnimationEditor") and the character it edits. Each finds its editor,
// then checks its number of parameters; with no editor running it does
// nothing and prints nothing, whatever its parameters. A command that fails
// or cannot run says why under its result.
#include <cmath>
#include <cstdint>
#include <iterator>
#include <optional>
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
    if (!held) {
        console.Explain("Nothing is held to delete: in edit mode (F9) click an object first.");
        return kEffectFailed;
    }
    if (held->kind == kKindPlayer) {
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

// In the order of their numbers: line 0, spline 1, model 2.
constexpr const char* kLimbTypes[] = {"Line", "Spline", "Model"};

// The index of the word in names (any case), or nothing.
template <std::size_t N>
std::optional<std::uint32_t> IndexOf(const char* const (&names)[N], const char* word) {
    for (std::uint32_t i = 0; i < N; ++i)
        if (plat::SameIgnoringCase(word, names[i])) return i;
    return std::nullopt;
}

template <std::size_t N>
std::string Listed(const char* const (&names)[N]) {
    std::string text;
    for (std::size_t i = 0; i < N; ++i) text += (i == 0 ? "" : i + 1 == N ? " or " : ", ") + std::string(names[i]);
    return text;
}

// A word that names nothing of its kind: the command says which words do.
int NamesNothing(Console& console, const char* word, const char* kind, const std::string& listing) {
    console.Explain(std::string("\"") + word + "\" is no " + kind + ": " + listing + ".");
    return kBadParam;
}

int AddLimb(Console& console, EditChar& character, CommandArgs args) {
    const std::optional<std::uint32_t> type = IndexOf(kLimbTypes, args[0]);
    if (!type) return NamesNothing(console, args[0], "limb type", Listed(kLimbTypes));
    const std::optional<std::uint32_t> location = IndexOf(limbloc::kNames, args[1]);
    if (!location) return NamesNothing(console, args[1], "limb location", Listed(limbloc::kNames));
    if (character.GetLimb(*location)) {
        console.Explain(std::string("The character has a limb at ") + limbloc::kNames[*location] + " already.");
        return kEffectFailed;
    }
    return Result(character.AddLimb(*type, *location, 1));
}

// The action an action's name stands for; a word that names none is
// refused rather than taken for the idle action, whose file it would
// replace.
std::optional<std::uint32_t> ActionOf(Console& console, const char* word) {
    std::optional<std::uint32_t> slot = FindAction(word);
    if (!slot) NamesNothing(console, word, "action", ActionNamesText());
    return slot;
}

// A name a file is read from or written to; the problem said when refused.
bool NameAllowed(Console& console, const std::string& problem) {
    if (problem.empty()) return true;
    console.Explain(problem);
    return false;
}

// A save that succeeded names what it wrote.
int Saved(Console& console, const EditChar& character, bool done) {
    if (!done) return kEffectFailed;
    std::string files;
    const auto& saved = character.SavedFiles();
    for (std::size_t i = 0; i < saved.size(); ++i)
        files += (i == 0 ? "" : i + 1 == saved.size() ? " and " : ", ") + saved[i];
    console.Print("Saved " + files + ".", Console::kGreen, true);
    return kDone;
}

// A length the animation and its file can hold.
bool LengthAllowed(Console& console, const char* word, float length) {
    const std::string problem = EditChar::LengthProblem(length);
    if (!problem.empty()) console.Explain(std::string("\"") + word + "\": " + problem);
    return problem.empty();
}

// A save of animations needs one (the current one, or any for a set).
bool HasAnimationToSave(Console& console, const EditChar& character, bool anySlot) {
    bool has = character.CurrentSlot() >= 0;
    for (const Animation* animation : character.actionAnimations) has = has || (anySlot && animation);
    if (!has) console.Explain("There is no animation to save: CreateAnimation, LoadAnimation or SetAnimation first.");
    return has;
}

// diffuse r g b, specular r g b, power, m, n, str, limbs flag
int SetSurface(Console& console, AnimationEditor& editor, EditChar& character, CommandArgs args) {
    for (std::size_t i = 0; i < args.size(); ++i) {
        const bool whole = i == 6 || i == 10;
        if (whole ? !ParseInt(args[i]) : !ParseFloat(args[i])) return NotANumber(console, args[i], whole);
        if (!whole && !std::isfinite(*ParseFloat(args[i]))) return NotFinite(console, args[i], "a surface");
    }
    if (!character.BodyObject()) return kDone;
    const SurfaceData surface = SurfaceFromWords(args);
    character.SetSurface(surface, editor.SelectedObject(), std::uint32_t(*ParseInt(args[10])));
    return kDone;
}

// A width that is not finite could never be saved: the character would be
// stuck with it.
int SetSiloWidth(Console& console, EditChar& character, CommandArgs args) {
    const std::optional<float> width = ParseFloat(args[0]);
    if (!width) return NotANumber(console, args[0], false);
    if (!std::isfinite(*width)) return NotFinite(console, args[0], "a silhouette width");
    SetSilhouetteWidth(character, *width);
    return kDone;
}

// body-material name, object properties, limbs flag: with the flag 0 and a
// selected node of a model limb, only that node's model changes.
int SetMaterial(Console& console, AnimationEditor& editor, EditChar& character, CommandArgs args) {
    for (const char* word : {args[1], args[2]})
        if (!ParseInt(word)) return NotANumber(console, word, true);
    if (!character.BodyObject()) return kDone;
    const std::uint32_t kind = MaterialKindFromName(args[0]);
    const auto properties = std::uint32_t(*ParseInt(args[1]));
    const std::int32_t limbs = *ParseInt(args[2]);
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
    // Its animations are saved under its name.
    if (!NameAllowed(console, EditChar::AnimationSaveNameProblem(name))) return kEffectFailed;
    return Saved(console, character, character.SaveCharacter(name));
}

int CreateAnimation(Console& console, EditChar& character, CommandArgs args) {
    const std::optional<std::uint32_t> slot = ActionOf(console, args[0]);
    if (!slot) return kBadParam;
    const std::optional<float> length = ParseFloat(args[1]);
    if (!length) return NotANumber(console, args[1], false);
    if (!LengthAllowed(console, args[1], *length)) return kEffectFailed;
    const std::optional<bool> loop = ParseFlag(args[2]);
    if (!loop) return NotANumber(console, args[2], true);
    return Result(character.CreateAnimation(*slot, *length, *loop));
}

int SetAnimationLength(Console& console, EditChar& character, const char* word) {
    const std::optional<float> length = ParseFloat(word);
    if (!length) return NotANumber(console, word, false);
    if (!LengthAllowed(console, word, *length)) return kEffectFailed;
    if (!character.activeTimeline || !character.currentAnimation) {
        console.Explain(EditChar::kNoAnimation);
        return kEffectFailed;
    }
    return Result(character.SetAnimationLength(*length));
}

// The slot's animation is made or loaded first; SetAnimation only picks it.
int SetAnimation(Console& console, EditChar& character, const char* word) {
    const std::optional<std::uint32_t> slot = ActionOf(console, word);
    if (!slot) return kBadParam;
    if (!character.actionAnimations[*slot]) {
        const std::string action = ActionName(*slot);
        console.Explain("There is no " + action + " animation to set: CreateAnimation " + action +
                        " 1 0 makes one, LoadAnimation <character> " + action + " loads one.");
        return kEffectFailed;
    }
    return Result(character.SetAnimation(*slot));
}

int LoadAnimation(Console& console, EditChar& character, CommandArgs args) {
    if (!NameAllowed(console, EditChar::NameProblem(args[0]))) return kEffectFailed;
    const std::optional<std::uint32_t> slot = ActionOf(console, args[1]);
    if (!slot) return kBadParam;
    return Result(character.LoadAnimation(args[0], *slot));
}

// A key's time: a number, else refused; a time the animation refuses, said.
int WithFrameTime(Console& console, const char* word, bool adding, EditChar& character) {
    const std::optional<float> time = ParseFloat(word);
    if (!time) return NotANumber(console, word, false);
    if (const std::string problem = character.FrameProblem(*time, adding); !problem.empty()) {
        console.Explain(problem);
        return kEffectFailed;
    }
    return Result(adding ? character.AddFrame(*time, true) != nullptr : character.RemoveFrame(*time, true));
}

int LoadAnimationSet(Console& console, EditChar& character, const char* name) {
    if (!NameAllowed(console, EditChar::NameProblem(name))) return kEffectFailed;
    if (character.LoadAnimationSet(name)) return kDone;
    console.Explain(std::string("No animation of ") + name + " could be loaded from Assets/Animations/" + name + "/.");
    return kEffectFailed;
}

int RunCharacterCommand(Console& console, AnimationEditor& editor, EditChar& character, std::int32_t id,
                        CommandArgs args) {
    switch (id) {
        case kAddLimb: return AddLimb(console, character, args);
        case kAddPoint: return character.selectedLimb ? Result(character.AddPoint(true)) : kDone;
        case kSaveCharacter: return SaveCharacter(console, character, args[0]);
        case kLoadCharacter:
            if (!NameAllowed(console, EditChar::NameProblem(args[0]))) return kEffectFailed;
            return Result(character.LoadCharacter(args[0]));
        case kSetEyes: character.NextEyes(); return kDone;
        case kSetBody:
            if (EditNode* node = editor.SelectedNode()) character.NextLimbModel(node);
            else character.NextBody();
            return kDone;
        case kSetSurface: return SetSurface(console, editor, character, args);
        case kSetMaterial: return SetMaterial(console, editor, character, args);
        case kSetSilo: character.NextSilhouette(); return kDone;
        case kSetSiloWidth: return SetSiloWidth(console, character, args);
        case kCreateAnimation: return CreateAnimation(console, character, args);
        case kLoadAnimation: return LoadAnimation(console, character, args);
        case kLoadAnimationSet: return LoadAnimationSet(console, character, args[0]);
        case kSetAnimation: return SetAnimation(console, character, args[0]);
        case kSaveAnimation:
            if (!NameAllowed(console, EditChar::AnimationSaveNameProblem(args[0]))) return kEffectFailed;
            if (!HasAnimationToSave(console, character, false)) return kEffectFailed;
            return Saved(console, character, character.SaveAnimation(args[0]));
        case kSaveAnimationSet:
            if (!NameAllowed(console, EditChar::AnimationSaveNameProblem(args[0]))) return kEffectFailed;
            if (!HasAnimationToSave(console, character, true)) return kEffectFailed;
            return Saved(console, character, character.SaveAnimationSet(args[0]));
        case kAddFrame: return WithFrameTime(console, args[0], true, character);
        case kRemoveFrame: return WithFrameTime(console, args[0], false, character);
        case kAnimationLength: return SetAnimationLength(console, character, args[0]);
        case kAnimationLoop: {
            const std::optional<bool> loop = ParseFlag(args[0]);
            if (!loop) return NotANumber(console, args[0], true);
            if (character.currentAnimation) character.currentAnimation->loop = *loop ? 1 : 0;
            return kDone;
        }
        case kAnimate:
            if (character.animationMode) character.ToggleAnimate();
            return kDone;
        case kToggleNodes: character.ToggleNodes(); return kDone;
        default: return kDone;
    }
}

// What a command that succeeded changed, that only a save keeps.
void NoteChange(EditChar& character, std::int32_t id) {
    switch (id) {
        case kAddLimb: case kAddPoint: case kSetEyes: case kSetBody: case kSetSurface: case kSetMaterial:
        case kSetSilo: case kSetSiloWidth:
            character.MarkCharacterChanged();
            return;
        case kCreateAnimation: case kAddFrame: case kRemoveFrame: case kAnimationLength: case kAnimationLoop:
            character.MarkAnimationChanged();
            return;
        default: return;
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
    if (code == kDone) NoteChange(*character, id);
    if (code != kDone)
        for (const std::string& line : reasons.Lines()) console.Explain(line);
    return code;
}
