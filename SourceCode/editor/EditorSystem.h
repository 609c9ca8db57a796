#pragma once
// What the object editor and the animation editor share: a mode that takes
// the camera, stops the physics, moves the keyboard to input stream 1 and
// shows the editor's labels; a free-look switch that hands the mouse to the
// camera or to the cursor; a latch that lets a held key toggle the mode once;
// and the selected object, highlighted while it is held, with the surface it
// had before.
#include <cstdint>
#include <string>

#include "Video/ObjectDesc.h"
#include "core/System.h"
#include "editor/EditorPicking.h"

class GameObject;
class GameObjectsMan;
class Object;
class Text;

class EditorSystem : public System {
public:
    // The screen texts' face ("Editor Labels", an alias in
    // "Assets/Fonts/aliases.conf") and their size.
    static constexpr const char* kLabelFace = "Editor Labels";
    static constexpr std::int32_t kLabelHeight = 16;
    static constexpr const char* kFreeLookOff = "Free Look Camera Control: Disabled";
    static constexpr const char* kFreeLookOn = "Free Look Camera Control: Enabled";

    EditorSystem() = default;
    ~EditorSystem() override;

    bool Shutdown() override;

    // The camera flies freely under the mouse; the cursor hides.
    void EnableFreeLook();
    // The camera flies without mouse look; the cursor shows for picking.
    void DisableFreeLook();

    bool ModeOn() const { return mode != 0; }
    bool FreeLookOn() const { return freeLook != 0; }
    GameObject* Selected() const { return selected; }
    Text* ModeLabel() const { return modeLabel; }
    Text* StatusText() const { return statusText; }
    Text* InfoText() const { return infoText; }
    Text* HintA() const { return freeLookHintA; }
    Text* HintB() const { return freeLookHintB; }

    std::uint8_t toggleLatch = 0;

protected:
    // Makes the texts (hidden): the mode's name, the free-look status, the
    // two hints shown while the cursor picks, and a line about the selection.
    void CreateLabels(const char* modeName, const char* hintA, const char* hintB);
    void RemoveLabels();
    void ShowLabels(bool shown);
    void ShowHints(bool shown);
    void SetInfo(const std::string& text);

    // The shared steps of switching the mode on and off; the mode flag flips
    // first.
    void EnterMode();
    void LeaveMode();

    // Holding an object: with highlight, its surface is kept aside and it is
    // drawn in the highlight colours until it is let go.
    void Hold(GameObject* object, bool highlight = true);
    void LetGo();
    // Whether the held object is still one of the manager's objects (a level
    // change or a reload may have deleted it, and another object may have
    // been made where it was); forgets it when not.
    bool HeldStillExists(const GameObjectsMan* manager);

    // One frame of the mouse while the cursor picks: a press on nothing the
    // widgets took picks (PickAt), a held press drags (DragTo), a release
    // ends the drag.
    void UpdateMouse();
    // What a click on an object or on nothing does (the animation editor
    // also selects the node's limb).
    virtual void Select(GameObject* object);
    virtual void Deselect();
    // Ends a drag, giving the cursor's press back.
    void EndDrag();
    // The object under the ray, or null.
    virtual GameObject* PickAt(const PickRay& ray) = 0;
    // Moves the held object so that its grabbed point follows the cursor.
    virtual void DragTo(const D3DXVECTOR3& world) = 0;
    // The world position a drag of the held object starts from.
    virtual D3DXVECTOR3 HeldPosition() const;

    std::uint8_t mode = 0;
    std::uint8_t freeLook = 1;
    std::uint8_t heldFlag = 0;
    bool highlighted = false;
    SurfaceData savedSurface;
    GameObject* selected = nullptr;
    std::uint64_t selectedSerial = 0;  // the held object's, told apart from a successor at its address
    bool dragging = false;
    bool wasLeftDown = false;
    DragPlane dragPlane;

    Text* modeLabel = nullptr;  // texts owned by "TextMan"
    Text* statusText = nullptr;
    Text* freeLookHintA = nullptr;
    Text* freeLookHintB = nullptr;
    Text* infoText = nullptr;

private:
    void SwitchFreeLook(bool on);
};

// The surface record of a render object whose kind has one, or null.
SurfaceData* SurfaceOf(Object* object);
// The input stream the keyboard goes to. While the console is open it keeps
// the keyboard: the stream it gives back on closing changes instead.
void HandKeyboardTo(std::int32_t stream);
// Whether the command running now comes from a key binding whose key was
// not pressed in the last poll: a key held through a mode toggle, which
// switched the input stream and so made the key trigger again there, or a
// held binding firing again. A mode toggles once per press.
bool FiredByAKeyStillDown();
