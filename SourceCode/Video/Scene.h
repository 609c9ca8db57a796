#pragma once
#include <cstdint>
#include <list>

#include "Video/ObjectDesc.h"
#include "Video/ShadowQueue.h"
#include "core/System.h"

class IDirect3DStateBlock9;
class IDirect3DDevice9;
class Object;
class ObjectMesh;
class ObjectScreenQuad;

// The objects of one material kind and group kind, in the order they were
// added; it owns them and draws them (each one's Update) once a frame.
class RenderGroup : public System {
public:
    RenderGroup() = default;

    // a is a const std::uint32_t[2]: {material kind, group kind}.
    bool Init(void* a = nullptr, void* b = nullptr) override;
    // Unlinks the object; unless keep, shuts it down and deletes it. False
    // when the group does not hold it.
    bool RemoveChild(Object* object, bool keep);
    bool Holds(const Object* object) const;

    std::uint32_t key = 0;        // material kind
    std::uint32_t groupKind = 0;  // 0, 16 or 64 in the main list; 8 in the early list
};

// The container of everything drawn in the world pass, registered as
// "Main Scene". Objects are filed into render groups by material kind so
// that one material's objects follow each other: early groups (flag 8)
// first, then the main list, which always runs kind-0 groups (newest
// first), kind-16 groups (newest first), kind-64 groups (oldest first).
// Before every group the recorded default states are applied. After the
// groups the embedded BufferMan draws the shadows.
class Scene : public System {
public:
    // What Init takes: the name to register (a shared literal, such as
    // names::MainScene) and a word that has no effect.
    struct InitArg {
        const char* name = nullptr;
        std::uint32_t word = 0;
    };

    Scene() = default;
    ~Scene() override;

    // a is a const InitArg*; false when null or already initialised.
    bool Init(void* a = nullptr, void* b = nullptr) override;
    bool Shutdown() override;
    bool Update() override;

    // Files an initialised object by d's material kind and flags (any
    // description; only its head is read). The scene owns it from then on.
    void AddObject(Object* object, const ObjectDescHeader* d);
    // Takes the object out of its group; unless keep, shuts it down and
    // deletes it. False when the scene does not hold it (then nothing
    // happens to it).
    bool RemoveObject(Object* object, bool keep);
    // Moves an object to the group of its new material kind (after
    // Object::SetMaterial). False when the scene does not hold it.
    bool RegroupObject(Object* object, std::uint32_t oldKind, std::uint8_t oldFlags);
    // new ObjectMesh, Init(d), AddObject; filed even when Init failed.
    ObjectMesh* CreateMeshObject(const MeshObjectDesc* d);
    // The one way the user interface makes its sprites: new
    // ObjectScreenQuad, Init(desc), filed in scene.
    static ObjectScreenQuad* CreateScreenQuad(Scene* scene, const SceneObjectDesc* desc);

    // Around a device reset: the state block lives in the device.
    void OnLostDevice();
    void OnResetDevice();

    // Parts of the frame, public for tests.
    void PublishTimer();
    void RecordStateBlock(const char* sceneName);
    static void SetDefaultRenderStates(IDirect3DDevice9* device);

    const std::list<RenderGroup*>& MainGroups() const { return mainGroups; }
    const std::list<RenderGroup*>& EarlyGroups() const { return earlyGroups; }
    IDirect3DStateBlock9* StateBlock() const { return stateBlock; }
    BufferMan& Buffers() { return bufferMan; }
    float TimerAccumulator() const { return timerAccumulator; }

private:
    RenderGroup* NewGroup(std::uint32_t key, std::uint32_t groupKind);
    void InsertMainGroup(RenderGroup* group);
    void ApplyStateBlock();
    static void DestroyGroups(std::list<RenderGroup*>& groups);

    IDirect3DStateBlock9* stateBlock = nullptr;
    std::list<RenderGroup*> earlyGroups;
    std::list<RenderGroup*> mainGroups;
    BufferMan bufferMan;
    float timerAccumulator = 0.0f;
    std::uint32_t word = 0;
};
