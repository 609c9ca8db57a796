#pragma once
#include <cstdint>
#include <vector>

#include "core/System.h"

class AIMan;
class AnimationMan;
class EventHandler;
class GameObjectsMan;
class HUD;
class Object;
class PathMan;
class Physics;
class PythonMan;
class Text;

// The scene lighting that the game logic hands to "LightMan" once.
struct LightDesc {
    float ambient[4];
    float skyColour[4];
    float groundColour[4];
    float skyDirection[3];
    float skyDirectionW;
};

// Owns the gameplay systems and the fixed frame of every level: the camera,
// the skybox, the scene light and the ground plane. Each frame it runs its
// children, shows the frame rate when asked, hands the camera pose to the
// sound listener, updates the user-interface objects and clears the control
// flags. It also owns the user-interface objects that scripts, the HUD and
// the editors create.
class GameLogic : public System {
public:
    GameLogic() = default;
    ~GameLogic() override;

    bool Init(void* a = nullptr, void* b = nullptr) override;
    bool Update() override;
    bool Shutdown() override;

    // Takes ownership; the id is the object's position in the list.
    std::uint32_t AddUIObject(System* object);
    // Null for an id that was not handed out since the last clear.
    System* GetUIObject(std::uint32_t id) const;
    // Shuts down and deletes every UI object; ids start at 0 again.
    void ClearUIObjects();
    // Hides or shows the user interface's texts and buttons (those added
    // later too): the editors hide them while they are on, so that their
    // labels and characters are clear of the menu and a click meant for
    // the editor does not press a button.
    void HideTextsAndButtons(bool hide);
    std::uint32_t UIObjectCount() const { return nextUIId; }

    Text* FpsText() const { return fpsText; }
    Object* Skybox() const { return skybox; }

    // Set by the console's movement commands during a frame, read by the
    // camera controller, cleared at the end of GameLogic's Update.
    std::uint8_t Forward = 0;
    std::uint8_t Backward = 0;
    std::uint8_t RotateLeft = 0;
    std::uint8_t RotateRight = 0;
    std::uint8_t Up = 0;
    std::uint8_t Down = 0;
    // Flipped by "ToggleFPS".
    std::uint8_t showFPS = 0;

private:
    Physics* CreatePhysics();
    GameObjectsMan* CreateGameObjectsMan();
    AIMan* CreateAIMan();
    PathMan* CreatePathMan();
    AnimationMan* CreateAnimationMan();
    PythonMan* CreatePythonMan();
    EventHandler* CreateEventHandler();
    HUD* CreateHUD();

    void CreateFpsText();
    void SetUpCamera();
    void CreateSkybox();
    void SetUpLighting();
    void CreateGround();
    void UpdateFpsText();
    void UpdateListener();
    void UpdateUIObjects();
    void ClearControlFlags();

    Text* fpsText = nullptr;   // owned by "TextMan"
    Object* skybox = nullptr;  // owned by "Main Scene"
    std::vector<System*> uiObjects;
    bool textsAndButtonsHidden = false;
    std::uint32_t nextUIId = 0;
};
