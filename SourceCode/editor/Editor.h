#pragma once
// "Editor", the object editor: places characters in the running level. Its
// edit mode stops the physics, flies the camera and shows the cursor, with
// which objects of the level are picked (highlighted) and dragged in the
// plane facing the camera. A child of the application, after "GameLogic".
#include "editor/EditorSystem.h"

class GameObjectsMan;

class Editor : public EditorSystem {
public:
    // Where AddObject puts the new character.
    static constexpr float kNewObjectHeight = 5.0f;

    Editor() = default;
    ~Editor() override;

    // Arguments ignored. Registers "Editor" and makes its texts (hidden).
    bool Init(void* a = nullptr, void* b = nullptr) override;
    bool Shutdown() override;
    // Lets the latch go, then in edit mode picks and drags with the cursor.
    bool Update() override;

    // A character (kind 3) of the level at (0, 5, 0).
    GameObject* AddObject();
    // Deletes the held object from the level.
    void DeleteObject();
    // Once per frame at most (a held key toggles once). Entering leaves
    // animation mode first.
    void EditModeToggle();
    // Edit mode off whatever the latch says (the other editor is starting).
    void LeaveEditMode();

    std::uint8_t EditMode() const { return mode; }
    GameObject* HeldObject() const { return selected; }

protected:
    GameObject* PickAt(const PickRay& ray) override;
    void DragTo(const D3DXVECTOR3& world) override;

private:
    GameObjectsMan* Objects() const;
    void SwitchMode();
    void ShowHeld();
};
