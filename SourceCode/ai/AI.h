#pragma once
#include <cstdint>

#include "core/System.h"
#include "platform/d3dx/Math3D.h"

class GameObject;

// The class names of the controllers. They are not registered; each is the
// one literal that tags its class, compared by address.
namespace ainames {
inline constexpr char AI[] = "AI";
inline constexpr char AI_Path[] = "AI_Path";
inline constexpr char AI_Chase[] = "AI_Chase";
inline constexpr char AI_Flee[] = "AI_Flee";
inline constexpr char AI_Passive[] = "AI_Passive";
}  // namespace ainames

// What a controller does with its object (the kind argument of
// AIMan::CreateAI).
enum AIKind : std::uint32_t {
    kAIIdle = 0,
    kAIPath = 1,
    kAIChase = 2,
    kAIFlee = 3,
    kAIPassive = 4,
};
inline constexpr std::uint32_t kAIKindCount = 5;

// Base of the controllers that drive one game object each. "AIMan" owns
// them; the object and its controller point at each other, kept in step by
// GameObject::AttachAI and DetachAI. The idle kind only updates its children.
class AI : public System {
public:
    AI() : AI(ainames::AI, kAIIdle) {}
    ~AI() override;

    // a is the GameObject to drive, or null; b is unused. Attaches itself to
    // the object.
    bool Init(void* a = nullptr, void* b = nullptr) override;
    // Detaches from the object.
    bool Shutdown() override;

    std::uint32_t Kind() const { return kind; }
    std::uint32_t Id() const { return id; }
    void SetId(std::uint32_t newId) { id = newId; }
    GameObject* Object() const { return object; }

    // For GameObject::AttachAI only: the controller drives newObject from now
    // on. An object it drove before lets go of it first, so that no object
    // is left pointing at a controller that drives another.
    void BindObject(GameObject* newObject);
    // For GameObject::DetachAI only: the controller drives nothing.
    virtual void UnbindObject() { object = nullptr; }

    // The steering vector toward the goal (gx, gz) from position: half the
    // x and z differences, z negated, as characters' Move takes it.
    static D3DXVECTOR2 SteerFrom(const D3DXVECTOR3& position, float gx, float gz);

protected:
    AI(const char* className, std::uint32_t aiKind) : className(className), kind(aiKind) {}
    // Puts the kind's own fields back to their start values.
    virtual void Restart() {}
    // Chasing and wandering steer characters only: on any other object
    // (or none) those controllers do nothing at all.
    bool DrivesCharacter() const;
    // Steers the character toward (gx, gz) through its Move (which leaves
    // the heading alone for a goal right under or over it).
    void SteerToward(float gx, float gz);
    // The position steering starts from: the object's render object.
    D3DXVECTOR3 ObjectPosition() const;
    // The game object of that id in "GameObjectsMan"; null when there is none.
    static GameObject* FindObjectById(std::uint32_t objectId);

private:
    const char* className;
    std::uint32_t kind;
    std::uint32_t id = 0;
    GameObject* object = nullptr;
};
