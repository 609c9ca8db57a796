// Mesh and custom render objects on the whole video system: what a mesh
// object publishes before its material draws, what becomes of its shadow
// item, and the custom objects' vertex and index access.
#include <gtest/gtest.h>

#include <vector>

#include "Video/Effects/EffectParams.h"
#include "Video/Effects/Material.h"
#include "Video/Mesh.h"
#include "Video/ObjectMesh.h"
#include "Video/Scene.h"
#include "Video/ShadowQueue.h"
#include "core/SystemNames.h"
#include "core/eTable.h"
#include "support/TestVideo.h"

namespace {

// Answers a draw as told and keeps what the store held at that moment.
class StandInMaterial : public Material {
public:
    StandInMaterial() { kind = 30; }  // a kind the material manager ignores
    bool Load(void*) override { return true; }
    std::int32_t Render(Mesh* mesh, D3DXMATRIX*, ShadowItem* item) override {
        meshes.push_back(mesh);
        items.push_back(item);
        for (int s : {sem::CookTorrance, sem::Roughness, sem::ObjScale, sem::DiffuseColor})
            seen[s] = std::vector<float>(EffectParams::GetVector(s), EffectParams::GetVector(s) + 4);
        if (item) item->lightCount = lights;
        silo = EffectParams::GetTexture(sem::SiloTexture);
        return result;
    }
    std::int32_t DrawBuffers(IDirect3DVertexBuffer9*, IDirect3DIndexBuffer9*, std::uint32_t, std::uint32_t,
                             std::uint32_t, std::uint32_t, std::uint32_t) override {
        return kFailed;
    }
    std::int32_t result = kDrawn;
    std::uint32_t lights = 0;
    std::vector<Mesh*> meshes;
    std::vector<ShadowItem*> items;
    std::vector<float> seen[sem::Count];
    IDirect3DBaseTexture9* silo = nullptr;
};

// A mesh object drawn by a stand-in material.
class StandInMeshObject : public ObjectMesh {
public:
    explicit StandInMeshObject(StandInMaterial* m) : standIn(m) {}
    using ObjectMesh::Init;
    bool Init(void* a, void* b) override {
        const bool ok = ObjectMesh::Init(a, b);
        material = standIn;
        return ok;
    }
    bool Shutdown() override {
        material = nullptr;
        return ObjectMesh::Shutdown();
    }
    StandInMaterial* standIn;
};

// A shadow queue whose two materials are stand-ins.
class StandInShadowQueue : public ShadowQueue {
public:
    void Use(Material* volumes, Material* plane) {
        keptA = materialA;
        keptB = materialB;
        materialA = volumes;
        materialB = plane;
    }
    bool Shutdown() override {
        materialA = keptA;
        materialB = keptB;
        return ShadowQueue::Shutdown();
    }
    Material* keptA = nullptr;
    Material* keptB = nullptr;
};

class MeshObjects : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(video.ok());
        scene = eTable::Find<Scene>(names::MainScene);
        ASSERT_NE(scene, nullptr);
    }
    StandInMeshObject* AddMesh(std::uint32_t flags) {
        auto* object = new StandInMeshObject(&material);
        MeshObjectDesc desc(static_cast<std::uint8_t>(flags), "plane.x", 30, SurfaceData(), 1);
        object->Init(&desc);
        scene->AddObject(object, &desc);
        return object;
    }

    TestVideo video;
    Scene* scene = nullptr;
    StandInMaterial material;
};

TEST_F(MeshObjects, TheSurfaceAndScaleArePublishedBeforeTheDraw) {
    StandInMeshObject* object = AddMesh(0);
    object->SetScale(1, 3, 3);
    ASSERT_TRUE(object->Update());
    EXPECT_EQ(material.seen[sem::CookTorrance], (std::vector<float>{0.25f, 0.01f, 0.5f, 1.5f}));
    const float orenNayar = 1.0f - 0.5f * 0.25f / 0.58f + 0.45f * 0.25f / 0.34f;
    const std::vector<float>& roughness = material.seen[sem::Roughness];
    EXPECT_FLOAT_EQ(roughness[0], 0.5f);
    EXPECT_FLOAT_EQ(roughness[1], 0.25f);
    EXPECT_NEAR(roughness[2], orenNayar, 1e-6f);
    EXPECT_NEAR(roughness[3], 1.0f / (0.005f * 12.566371f), 1e-3f);
    EXPECT_EQ(material.seen[sem::ObjScale], (std::vector<float>{1, 3, 3, 3}));
    EXPECT_EQ(EffectParams::GetIntVector(sem::SpecularPower)[0], 10u);
    EXPECT_EQ(material.items, (std::vector<ShadowItem*>{nullptr}));  // casts no shadow
}

TEST_F(MeshObjects, NoTextureOfAFrameIsLeftInTheStoreForTheNext) {
    StandInMeshObject* object = AddMesh(0);
    ASSERT_TRUE(object->SetTextureSlot("Silo/inkBlue.png", sem::SiloTexture, 0, 0));
    ASSERT_TRUE(scene->Update());
    EXPECT_NE(material.silo, nullptr);  // drawn with its silhouette
    // Before the next frame the object, and the last reference to its
    // texture, may be gone: an object without a silhouette slot drawing then
    // must not bind the freed texture.
    for (int semantic = sem::BaseTexture0; semantic <= sem::CustomTexture; ++semantic)
        EXPECT_EQ(EffectParams::GetTexture(semantic), nullptr) << "semantic " << semantic;
}

TEST_F(MeshObjects, ACulledCasterStillQueuesItsShadowAndAnUnlitOneDoesNot) {
    auto* buffers = eTable::Find<BufferMan>(names::BufferMan);
    ASSERT_NE(buffers, nullptr);
    StandInMeshObject* caster = AddMesh(Object::kCastsShadow);
    ASSERT_NE(caster->GetMesh()->shadowMesh, nullptr);  // built for the caster

    material.result = Material::kCulled;
    material.lights = 1;
    caster->Update();
    EXPECT_EQ(caster->WasCulled(), 1);
    ASSERT_EQ(buffers->queue->Items().size(), 1u);
    EXPECT_EQ(buffers->queue->Items().front()->owner, caster);

    material.result = Material::kDrawn;
    material.lights = 0;
    caster->Update();
    EXPECT_EQ(caster->WasCulled(), 0);
    EXPECT_EQ(buffers->queue->Items().size(), 1u);  // the unlit item was deleted
    buffers->queue->Clear();
}

TEST_F(MeshObjects, TheShadowQueueDrawsVolumesInPushOrderThenThePlaneOnce) {
    StandInShadowQueue queue;
    ASSERT_TRUE(queue.Init());
    StandInMaterial volumes, plane;
    queue.Use(&volumes, &plane);
    EXPECT_FALSE(queue.Update());  // nothing pushed: no pass at all
    EXPECT_TRUE(volumes.meshes.empty());
    EXPECT_TRUE(plane.meshes.empty());

    StandInMeshObject* first = AddMesh(Object::kCastsShadow);
    StandInMeshObject* second = AddMesh(Object::kCastsShadow);
    ASSERT_TRUE(second->ChangeMesh("Body/sphereLow.x"));
    ASSERT_NE(second->GetMesh()->shadowMesh, nullptr);  // rebuilt for the new mesh
    StandInMeshObject* noVolume = AddMesh(0);
    ASSERT_TRUE(noVolume->ChangeMesh("ground.x"));
    ASSERT_EQ(noVolume->GetMesh()->shadowMesh, nullptr);  // never given a volume: skipped
    for (StandInMeshObject* owner : {first, noVolume, second}) {
        auto* item = new ShadowItem;
        item->owner = owner;
        item->lightCount = 1;
        queue.Push(item);
    }
    EXPECT_TRUE(queue.Update());
    EXPECT_EQ(volumes.meshes, (std::vector<Mesh*>{first->GetMesh(), second->GetMesh()}));
    ASSERT_EQ(plane.meshes.size(), 1u);
    EXPECT_EQ(plane.seen[sem::DiffuseColor], (std::vector<float>{0.145f, 0.145f, 0.145f, 0.25f}));
    EXPECT_TRUE(queue.Items().empty());
    EXPECT_FALSE(queue.IsActive());
    queue.Shutdown();
}

class CustomObjects : public MeshObjects {
protected:
    ObjectCustom* AddCustom(std::uint32_t vertices, std::uint32_t indices) {
        auto* object = new ObjectCustom;
        CustomObjectDesc desc;
        desc.materialKind = 1;
        desc.meshName = "";
        desc.vertexComponents = CustomVertex::kNormal | CustomVertex::kTexCoord;
        desc.vertexCount = vertices;
        desc.indexCount = indices;
        desc.meshOptions = D3DXMESH_MANAGED;
        EXPECT_TRUE(object->Init(&desc));
        scene->AddObject(object, &desc);
        return object;
    }
    void TearDown() override { plat::InjectLockFailures(0); }
};

TEST_F(CustomObjects, SizesAreRaisedToOneFaceAndChecked) {
    ObjectCustom* tiny = AddCustom(0, 0);
    EXPECT_EQ(tiny->VertexCount(), 3u);
    EXPECT_EQ(tiny->IndexCount(), 3u);
    EXPECT_EQ(tiny->Stride(), 12u + 12u + 8u);

    const std::uint16_t src[6] = {1, 2, 3, 4, 5, 6};
    ObjectCustom* twelve = AddCustom(8, 12);
    ASSERT_TRUE(twelve->SetIndices(src, 3, 6));
    std::uint16_t all[12] = {};
    ASSERT_TRUE(twelve->GetIndices(all, 0, 0));
    EXPECT_EQ(std::vector<std::uint16_t>(all, all + 12),
              (std::vector<std::uint16_t>{0, 0, 0, 1, 2, 3, 4, 5, 6, 0, 0, 0}));
    ObjectCustom* eight = AddCustom(8, 8);  // two faces: six indices
    EXPECT_FALSE(eight->SetIndices(src, 3, 6));
    EXPECT_FALSE(twelve->SetIndices(src, 0xFFFFFFFFu, 2));  // wraps 32 bits
    EXPECT_FALSE(twelve->SetVertices(nullptr, 0, 0));
}

TEST_F(CustomObjects, EveryObjectHasItsOwnVerticesAndBoundsFollowThem) {
    ObjectCustom* a = AddCustom(3, 3);
    ObjectCustom* b = AddCustom(3, 3);
    ASSERT_NE(a->GetMesh(), b->GetMesh());
    CustomVertex v[3];
    v[0].x = 4.0f;
    v[1].y = 4.0f;
    v[2].u = 0.5f;
    v[2].colour = 0x12345678;  // not in the layout
    ASSERT_TRUE(a->SetVertices(v, 0, 3));
    EXPECT_FLOAT_EQ(a->GetMesh()->boxMax.x, 4.0f);

    CustomVertex back[3];
    back[2].colour = 7;
    ASSERT_TRUE(a->GetVertices(back, 0, 0));
    EXPECT_FLOAT_EQ(back[0].x, 4.0f);
    EXPECT_FLOAT_EQ(back[2].u, 0.5f);
    EXPECT_EQ(back[2].colour, 7u);  // left as it was
    ASSERT_TRUE(b->GetVertices(back, 0, 3));
    EXPECT_FLOAT_EQ(back[0].x, 0.0f);

    plat::InjectLockFailures(1);
    EXPECT_FALSE(a->SetVertices(v, 0, 1));
    EXPECT_FALSE(a->SetRawVertices(reinterpret_cast<const std::uint8_t*>(v), 4, 1));  // past the end
}

}  // namespace
