#pragma once
#include <cstdint>
#include <string>

#include "core/System.h"
#include "platform/d3dx/Math3D.h"

class AI;
class Body;
class GameObject;
class GameObjectsMan;
class Object;

// The kind of a game object: the first field of every creation record.
enum GameObjectKind : std::uint32_t {
    kKindTrampoline = 1,
    kKindTrampNode = 2,
    kKindNPC = 3,
    kKindPlayer = 4,
    kKindEditChar = 5,
    kKindEditNode = 6,
    kKindPlane = 7,
    kKindBasket = 8,
};

// Ids that scripts and the collision conditions look for.
namespace objectid {
inline constexpr std::uint32_t kPlayer = 1000;
inline constexpr std::uint32_t kGround = 1001;
inline constexpr std::uint32_t kBasketGoal = 1002;
inline constexpr std::uint32_t kBasket = 1003;
inline constexpr std::uint32_t kTrampoline = 1005;
inline constexpr std::uint32_t kBasketWall = 2000;
}  // namespace objectid

// The creation record of a game object. Each kind reads only its own
// fields; the rest keep their defaults.
struct ObjectDesc {
    std::uint32_t kind = 0;

    // Trampoline: grid of columns x rows cells, spacing between nodes; a
    // non-zero noBuild makes an empty trampoline.
    std::uint32_t columns = 0;
    std::uint32_t rows = 0;
    float spacing = 0.0f;
    std::uint32_t noBuild = 0;

    // Plane: half-side of the square (and x, z scale of the mesh), y scale
    // of the mesh, the mesh file, the ground pattern's scale and its colours.
    // Basket: size is the half-side of the box.
    float size = 0.0f;
    float depth = 0.0f;
    std::string mesh;
    float patternScale = 1.0f;
    float diffuse[4] = {1.0f, 1.0f, 1.0f, 1.0f};
    float specular[4] = {1.0f, 1.0f, 1.0f, 1.0f};

    // Basket: where it stands. Trampoline: the middle of its grid.
    D3DXVECTOR3 position;

    // Characters: the character file to load ("" for none).
    std::string character;
};

// The id by which scripts find a game object. It reads as the number it
// holds; every assignment also tells the manager that lists the object,
// which finds objects through an index by id rather than a walk of them all.
class GameObjectId {
public:
    explicit GameObjectId(GameObject* owner) : owner(owner) {}
    GameObjectId(const GameObjectId&) = delete;
    GameObjectId& operator=(const GameObjectId& other) { return *this = other.value; }
    GameObjectId& operator=(std::uint32_t newId);
    operator std::uint32_t() const { return value; }

private:
    GameObject* owner;
    std::uint32_t value = 0;
};

// Base of everything that stands in a level: ties a render object, a
// physics body, an id that scripts find it by, an optional AI controller and
// the timed move, turn and scale that scripts and paths start.
class GameObject : public System {
public:
    GameObject() = default;
    ~GameObject() override;

    // a is the const ObjectDesc*; b is unused.
    bool Init(void* a = nullptr, void* b = nullptr) override;
    bool Shutdown() override;
    bool Update() override;
    // Neither updated nor drawn while disabled.
    virtual void Disable();
    virtual bool Enable();

    // Places the render object (the body stays where it is).
    void SetRenderPosition(const D3DXVECTOR3* position);
    // Places the body and the render object.
    void PlaceAt(const D3DXVECTOR3& position);
    // The render object's position, (0, 0, 0) without one.
    D3DXVECTOR3 GetRenderPosition() const;
    // The render object's x scale: the object's radius for collisions.
    float GetScale() const;

    void SetMoveTarget(std::uint8_t mode, float time, float x, float y, float z);
    void SetRotateTarget(float yaw, float pitch, float time);
    void SetScaleTarget(float scale, float time);
    // Advances the running timed motions by the frame's time.
    void UpdateTimedMotion();

    // Detaches the current controller first; stops a running move.
    AI* AttachAI(AI* controller);
    void DetachAI();
    // True once an attached path controller has brought the object to the
    // end of a single path; rewinds the controller then.
    bool IsPathDone();

    std::uint32_t kind = 0;
    Object* renderObject = nullptr;  // owned by "Main Scene"
    Body* body = nullptr;            // owned by "Physics"
    GameObjectId id{this};
    // Unique for the run, unlike the id (scripts choose ids and reuse them)
    // and the address (an object made after one is deleted may take its
    // place): what keeps hold of an object across frames checks this.
    const std::uint64_t serial = NextSerial();

    std::uint8_t moving = 0;
    std::uint8_t moveMode = 0;
    D3DXVECTOR3 moveTarget;
    float moveTimeLeft = 0.0f;

    std::uint8_t rotating = 0;
    D3DXQUATERNION targetRotation;
    float rotateTimeLeft = 0.0f;

    std::uint8_t scaling = 0;
    float targetScale = 0.0f;
    float scaleTimeLeft = 0.0f;

    AI* ai = nullptr;  // owned by "AIMan"

protected:
    void ClearMotionFlags();

private:
    friend class GameObjectId;
    friend class GameObjectsMan;

    static std::uint64_t NextSerial();
    void AdvanceMove(float dt);
    void AdvanceRotation(float dt);
    void AdvanceScale(float dt);
    void IdChanged(std::uint32_t oldId);

    // The manager whose child the object is, which keeps it indexed by id;
    // null while no manager lists it. The manager outlives its children.
    GameObjectsMan* listedBy = nullptr;
};
