#pragma once
// "AnimationEditor": builds characters and their animations. Its animation
// mode makes an editable character (kind 5) eight units in front of the
// camera in its own game-object manager "EditorObjects", which also holds
// the character's edit nodes, and a light that follows the camera; leaving
// the mode deletes them all. With the cursor a node is picked (highlighted,
// its limb selected) and dragged in the plane facing the camera; the
// character's timeline shows under it. A child of the application, after
// "GameLogic" and "Editor".
#include <cstdint>
#include <optional>
#include <string>

#include "editor/EditorSystem.h"

class EditChar;
class EditNode;
class GameObjectsMan;

class AnimationEditor : public EditorSystem {
public:
    // How far in front of the camera the character is made: far enough that
    // limbs of three points (a unit apart) and their node spheres stand well
    // inside the view, not at its edges.
    static constexpr float kCharacterDistance = 8.0f;

    AnimationEditor() = default;
    ~AnimationEditor() override;

    // Arguments ignored. Registers "AnimationEditor" and makes its texts
    // (hidden).
    bool Init(void* a = nullptr, void* b = nullptr) override;
    bool Shutdown() override;
    // Lets the latch go; in animation mode runs the character and its nodes
    // (the timeline takes its presses first), then picks and drags.
    bool Update() override;

    // Once per frame at most. Entering leaves edit mode first.
    void AnimationModeToggle();
    // Animation mode off whatever the latch says.
    void LeaveAnimationMode();
    // Free look on or off, only in animation mode.
    void CameraControlToggle();
    void CreateEditChar();
    // Gives the selected node its surface back and clears the character's
    // selected limb.
    void DeselectObject();

    std::uint8_t AnimationMode() const { return mode; }
    EditChar* GetEditChar() const { return editChar; }
    GameObject* SelectedObject() const { return selected; }
    // The selected edit node, or null (nothing or the character selected).
    EditNode* SelectedNode() const;
    GameObjectsMan* EditorObjects() const { return editorObjects; }

protected:
    void Select(GameObject* object) override;
    void Deselect() override { DeselectObject(); }
    GameObject* PickAt(const PickRay& ray) override;
    void DragTo(const D3DXVECTOR3& world) override;

private:
    void SwitchMode();
    // A console line naming the edits that leaving the mode drops.
    void SayWhatIsDropped() const;
    void ShowState();
    // A drag in animation mode with no key to record it in: said once a drag
    // on the console, and on the info line while it lasts.
    void SayNoKeyToDrag();
    // The editor's own light, at the camera, so that the character's front
    // reads whatever lights the level has (the game's lamp hangs high above
    // and leaves the lower half of a body facing the camera black).
    void PlaceHeadlamp();
    void RemoveHeadlamp();

    GameObjectsMan* editorObjects = nullptr;  // a child, initialised in animation mode
    EditChar* editChar = nullptr;             // owned by editorObjects
    std::optional<std::uint32_t> headlamp;    // a light of "LightMan" while the mode is on
    std::string noKeyToDrag;                  // what SayNoKeyToDrag said in this drag, "" for nothing
};
