// Filing render objects into render groups, without a device: the scene
// reads only the material kind and the flags of a description.
#include <gtest/gtest.h>

#include <vector>

#include "Video/ObjectMesh.h"
#include "Video/Scene.h"
#include "core/SystemNames.h"
#include "core/eTable.h"

namespace {

// A render object that records the order in which the scene draws it.
class Marker : public ObjectMesh {
public:
    Marker(std::vector<int>* drawn, int tag) : drawn(drawn), tag(tag) {}
    bool Update() override {
        drawn->push_back(tag);
        return true;
    }
    std::vector<int>* drawn;
    int tag;
};

class SceneFiling : public ::testing::Test {
protected:
    void SetUp() override {
        Scene::InitArg arg{names::MainScene, 0};
        ASSERT_TRUE(scene.Init(&arg));
    }
    void TearDown() override { scene.Shutdown(); }

    Marker* Add(int tag, std::uint32_t kind, std::uint32_t flags) {
        auto* object = new Marker(&drawn, tag);
        MeshObjectDesc desc;
        desc.materialKind = kind;
        desc.flags = flags;
        object->Init(&desc);
        scene.AddObject(object, &desc);
        return object;
    }
    // The groups of the main list as (key, group kind) pairs.
    std::vector<std::pair<std::uint32_t, std::uint32_t>> MainKeys() const {
        std::vector<std::pair<std::uint32_t, std::uint32_t>> keys;
        for (const RenderGroup* g : scene.MainGroups()) keys.emplace_back(g->key, g->groupKind);
        return keys;
    }
    std::vector<int> Frame() {
        drawn.clear();
        scene.Update();
        return drawn;
    }

    std::vector<int> drawn;
    Scene scene;
};

using Keys = std::vector<std::pair<std::uint32_t, std::uint32_t>>;

TEST_F(SceneFiling, GroupsByKindWithTheNewestPlainGroupFirst) {
    // The shadow queue's plane (kind 8) is filed at Init.
    ASSERT_EQ(MainKeys(), (Keys{{8, 0}}));
    Add(1, 3, 0);
    Add(2, 5, 0);
    Add(3, 3, 0);
    EXPECT_EQ(MainKeys(), (Keys{{5, 0}, {3, 0}, {8, 0}}));
    EXPECT_EQ(Frame(), (std::vector<int>{2, 1, 3}));
}

TEST_F(SceneFiling, GroupKindsKeepTheirOrderAndFlag16JoinsAPlainGroupOfItsKey) {
    Add(1, 3, 0);
    Add(2, 3, Object::kGroup16);  // joins the kind-0 group of key 3
    EXPECT_EQ(MainKeys(), (Keys{{3, 0}, {8, 0}}));
    Add(3, 9, Object::kGroup64);
    Add(4, 10, Object::kGroup64);
    Add(5, 4, Object::kGroup16);  // after every plain group, before the first later one
    Add(6, 6, Object::kGroup16);
    Add(7, 2, 0);
    EXPECT_EQ(MainKeys(), (Keys{{2, 0}, {3, 0}, {8, 0}, {6, 16}, {4, 16}, {9, 64}, {10, 64}}));
    EXPECT_EQ(Frame(), (std::vector<int>{7, 1, 2, 6, 5, 3, 4}));
}

TEST_F(SceneFiling, EarlyObjectsDrawBeforeEveryMainGroup) {
    Add(1, 2, 0);
    Add(2, 7, Object::kEarly);
    Add(3, 1, Object::kEarly | Object::kGroup16);  // the group kind is not compared in the early list
    Add(4, 7, Object::kEarly | Object::kGroup64);
    ASSERT_EQ(scene.EarlyGroups().size(), 2u);
    EXPECT_EQ(Frame(), (std::vector<int>{2, 4, 3, 1}));
}

TEST_F(SceneFiling, RemovedObjectsLeaveOrComeBackUnderTheirCurrentKey) {
    Marker* a = Add(1, 3, 0);
    Marker* b = Add(2, 3, 0);
    ASSERT_TRUE(scene.RemoveObject(a, true));
    EXPECT_TRUE(a->IsInitialized());
    EXPECT_FALSE(scene.RemoveObject(a, true));  // no longer held
    EXPECT_EQ(Frame(), (std::vector<int>{2}));

    ObjectDescHeader moved;
    moved.materialKind = 4;
    scene.AddObject(a, &moved);
    EXPECT_EQ(Frame(), (std::vector<int>{1, 2}));
    EXPECT_TRUE(scene.RemoveObject(a, false));
    EXPECT_TRUE(scene.RemoveObject(b, false));
    EXPECT_EQ(Frame(), (std::vector<int>{}));
    // Emptied groups stay in their places.
    EXPECT_EQ(MainKeys(), (Keys{{4, 0}, {3, 0}, {8, 0}}));
}

}  // namespace
