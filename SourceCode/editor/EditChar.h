#pragma once
// The character that the animation editor builds and animates (game object
// kind 5, in "EditorObjects"). Its limbs, control points, eyes, body,
// silhouette and surfaces change by console commands; each control point
// made here is shown as a draggable edit node; its eight action animations
// are its own (it frees them) and are edited on eight timelines, one per
// action, whose values are seconds over the animation's length.
//
// Outside animation mode limbs and points are added and removed and moving a
// node moves the control point's rest position with it. In animation mode
// (after CreateAnimation, LoadAnimation or SetAnimation) nodes move only the
// posed positions, and their offsets from rest become the selected key
// frame's entries.
#include <cstdint>
#include <string>
#include <vector>

#include "characters/NPC.h"
#include "editor/AssetListing.h"
#include "ui/SliderBar.h"

class EditNode;
struct AnimationFrame;
struct LimbControlPoint;

class EditChar : public NPC {
public:
    static constexpr float kFrameTolerance = 0.05f;
    // Where CreateAnimation and the loads put the animation they replace.
    static constexpr const char* kTempFolder = "Tempy";
    static constexpr const char* kNewAnimationName = "Unknown";
    static constexpr float kNodeScale = 0.25f;
    // A new line or spline point starts thin; the author widens it with
    // the width slider or the console once the limb has its shape.
    static constexpr float kNewPointWidth = 2.0f;
    static constexpr float kTimelineY = -0.8f;
    // Why an animation command finds nothing to work on.
    static constexpr const char* kNoAnimation =
        "There is no animation: CreateAnimation, LoadAnimation or SetAnimation first.";

    EditChar();
    ~EditChar() override;

    // Arguments ignored. Kind 5 with the default white body, no limbs, no
    // animations and no physics body (the editors stop physics anyway).
    bool Init(void* a = nullptr, void* b = nullptr) override;
    bool Shutdown() override;
    bool Update() override;

    // Reads "Assets/Characters/<name>.x" whole, keeps the animations in
    // "Tempy", then deletes every edit node, starts afresh and applies the
    // file; the body keeps its place. False, with nothing changed, when the
    // name is refused, the file cannot be read or has a fault, or an
    // animation cannot be kept.
    bool LoadCharacter(const char* name) override;
    // Writes "Assets/Characters/<name>.x" and, when it is the editor's to
    // write, "Assets/Surfaces/<name>.sur" as a pair: both through temporary
    // files renamed only once both are written. False in animation mode, for
    // a refused name, or when either cannot be written (the reason in the
    // error stream; the old pair stays as it was).
    bool SaveCharacter(const char* name);

    // Outside animation mode, at a free location: the new limb, selected,
    // with its first point when addPoint is set.
    Limb* AddLimb(std::uint32_t type, std::uint32_t location, std::uint32_t addPoint = 0) override;
    void RemoveLimbByLoc(std::uint32_t location) override;
    // Outside animation mode: the limb and its edit nodes go.
    void RemoveLimb(Limb* limb) override;
    void SelectLimb(std::uint32_t location);
    Limb* GetLimbByIndex(std::uint32_t i) const;
    // A point on the selected limb one step further along its location's
    // direction, with an edit node; with addModel a model limb gets a model
    // between its last two points. Null outside that.
    LimbControlPoint* AddPoint(bool addModel);
    // The character file's points come through the editor too, so that each
    // gets an edit node.
    bool AddFilePoint(Limb& limb, const LimbControlPoint& point) override;

    // Asset cycling: the next file of "Textures/Eyes/*.png",
    // "Models/Body/*.x", "Models/Limb/*.x" (for the selected node's model)
    // and "Textures/Silo/*.png", wrapping round.
    void NextEyes();
    void NextBody();
    void NextLimbModel(EditNode* selectedNode);
    void NextSilhouette();
    // Without toLimbs, with a selected limb and a selected node: the point's
    // model or the line's object only. Otherwise the body, and with toLimbs
    // the first five limbs.
    void SetSurface(const SurfaceData& surface, GameObject* selected, std::uint32_t toLimbs);
    void ToggleNodes();

    // The animation slots (0..7, one per action).
    bool CreateAnimation(std::uint32_t slot, float length, bool loop);
    bool LoadAnimation(const char* characterName, std::uint32_t slot);
    bool LoadAnimationSet(const char* characterName);
    bool SetAnimation(std::uint32_t slot);
    bool SaveAnimation(const char* name);
    bool SaveAnimationSet(const char* name);
    bool SaveTempAnimation(std::uint32_t slot);

    AnimationFrame* AddFrame(float time, bool reloadTimeline);
    bool RemoveFrame(float time, bool reloadTimeline);
    // Why AddFrame (adding) or RemoveFrame would refuse the time: no
    // animation, playing, a time that is not finite, a key already within
    // kFrameTolerance or past the end, no key to remove; "" when it would not.
    std::string FrameProblem(float time, bool adding);
    bool SetAnimationLength(float length);
    void ToggleAnimate();
    bool GoToFrame(float time, bool updateTimeline);

    // What the active timeline's event bits do (each frame, in animation
    // mode): 1 the animation time follows the handle, 2 a picked key is gone
    // to, 8 the selected key takes the handle's time, 16 a key is added.
    void HandleTimelineEvents(std::uint32_t events);

    // A point of the body's space in the world, and back.
    D3DXVECTOR3 BodyToWorld(const D3DXVECTOR3& p) const;
    D3DXVECTOR3 WorldToBody(const D3DXVECTOR3& p) const;
    // The node standing for a limb's point, or null.
    EditNode* FindNode(const Limb* limb, std::int32_t index) const;
    // The slot of the current animation, or -1.
    std::int32_t CurrentSlot() const;
    // Names that may become a file or folder name under "Assets/" and a
    // character's name in its file (a .x name): a letter or '_' first, then
    // letters, digits, '_', '-' or '.', and no "..". NameProblem says what is
    // wrong with another name ("" for a good one).
    static bool IsSafeName(const char* name);
    static std::string NameProblem(const char* name);
    // The same for a name to save animations under, which also may not be
    // the folder where the editor keeps the animations it replaces. A
    // character is saved only under such a name: its animations are saved
    // under its name.
    static std::string AnimationSaveNameProblem(const char* name);
    // What is wrong with an animation's length ("" for a good one: finite
    // and above 0).
    static std::string LengthProblem(float length);

    // Edits no save has written yet: to the character, and to the animation
    // of each slot (a bit per slot). A save or a load of what they touched
    // clears them.
    void MarkCharacterChanged() { characterChanged = true; }
    void MarkAnimationChanged();
    bool CharacterChanged() const { return characterChanged; }
    // The actions whose animations have unsaved edits, "Walk, Jump"; "" for none.
    std::string ChangedAnimations() const;
    // What the last save that succeeded wrote, relative to the game's folder
    // ("Assets/Characters/Blob.x").
    const std::vector<std::string>& SavedFiles() const { return savedFiles; }

    Limb* selectedLimb = nullptr;
    std::vector<EditNode*> nodes;  // owned by "EditorObjects"
    AnimationFrame* selectedFrame = nullptr;
    SliderBar timelines[kActionCount];
    SliderBar* activeTimeline = nullptr;
    AssetListing eyesListing{".png"};
    AssetListing bodyListing{".x"};
    AssetListing limbListing{".x"};
    AssetListing siloListing{".png"};
    std::uint8_t animationMode = 0;
    std::uint8_t playing = 0;

private:
    bool characterChanged = false;
    std::uint32_t changedAnimations = 0;
    std::vector<std::string> savedFiles;

    EditNode* MakeNode(Limb* limb, LimbControlPoint* point, std::int32_t index);
    void DeleteNodes(const Limb* onlyThisLimb);
    void FreeAnimations();
    // The current animation changes: the selected frame never outlives it.
    void MakeCurrent(Animation* animation);
    // Every control point back at its rest position.
    void RestPose();
    void PlaceNodes();
    void RecordSelectedFrame();
    void PlayStep();
    SliderBar* OpenTimeline(std::uint32_t slot);
    void LoadTimelineNodes();
    // Every filled slot written to "Tempy"; false when one cannot be.
    bool KeepAnimationsInTempy();
    // Also notes the file in savedFiles, unless it is a scratch copy.
    bool WriteAnimation(Animation& animation, const std::string& folder, std::uint32_t slot, bool clean);
    std::int32_t SlotOf(const Animation* animation) const;
};
