// The editor as a person uses it, in the running game, through console lines
// and mouse events: a character and a small animation are made, saved,
// left, and loaded again.
#include "EditorFixture.h"

#include <vector>

#include "Video/MeshMan.h"
#include "Video/ObjectMesh.h"
#include "characters/Animation.h"
#include "characters/Limb.h"
#include "editor/EditNode.h"

namespace {

std::string MeshName(const ObjectMesh* object) {
    auto* meshes = static_cast<MeshMan*>(eTable::Peek(names::MeshMan));
    const MeshRecord* record = object && meshes ? meshes->FindByMesh(object->GetMesh()) : nullptr;
    return record ? record->name : "";
}

// The selected frame's key of the left arm's second point.
void ExpectOffset(AnimationFrame* frame, const D3DXVECTOR3& offset) {
    ASSERT_NE(frame, nullptr);
    AnimationLimb* track = frame->FindLimb(limbloc::LArm);
    ASSERT_NE(track, nullptr);
    AnimationControlPoint* key = track->FindControlPoint(1);
    ASSERT_NE(key, nullptr);
    ExpectAt(key->pos, offset.x, offset.y, offset.z, 1e-4f);
}

}  // namespace

class EditorEndToEnd : public EditorGame {
protected:
    // Presses on the node's sphere, moves the mouse by (dx, dy) pixels in
    // two steps and lets go.
    void DragNode(EditNode* node, int dx, int dy) {
        const D3DXVECTOR3 at = ScreenOf(node->GetRenderPosition());
        MoveTo(at.x, at.y);
        PushLeft(true);
        Frame();
        PushMotion(dx / 2, dy / 2);
        Frame();
        PushMotion(dx - dx / 2, dy - dy / 2);
        Frame();
        PushLeft(false);
        Frame();
        Frame();
    }
};

TEST_F(EditorEndToEnd, AKeyDraggedWithTheMouseIsSavedAndReadsBackAsItWasMade) {
    EXPECT_EQ(Type("AnimationModeToggle"), "");
    EditChar* ch = Character();
    ASSERT_NE(ch, nullptr);
    EXPECT_EQ(Type("AddLimb Spline LArm"), "");
    EXPECT_EQ(Type("AddPoint"), "");
    EXPECT_EQ(Type("AddPoint"), "");
    EXPECT_EQ(Type("AddLimb Line RArm"), "");
    EXPECT_EQ(Type("AddPoint"), "");
    EXPECT_EQ(Type("SetEyes"), "");
    EXPECT_TRUE(Saves("SaveCharacter Tester"));
    EXPECT_EQ(Type("CreateAnimation Walk 1 1"), "");
    EXPECT_EQ(Type("AddFrame 0.5"), "");
    Frames(3);

    EditNode* tip = ch->FindNode(ch->GetLimb(limbloc::LArm), 1);
    ASSERT_NE(tip, nullptr);
    const D3DXVECTOR3 rest = tip->point->restPosition;
    DragNode(tip, 24, -18);
    ASSERT_EQ(Anim()->SelectedObject(), tip);
    EXPECT_EQ(ch->selectedLimb, ch->GetLimb(limbloc::LArm));
    const D3DXVECTOR3 offset = tip->point->position - rest;
    // Right and up on the screen is +x and +y for a camera looking along +z.
    EXPECT_GT(offset.x, 0.1f);
    EXPECT_GT(offset.y, 0.1f);
    EXPECT_NEAR(offset.z, 0.0f, 1e-3f);
    ExpectOffset(ch->selectedFrame, offset);
    // The held node is drawn in the highlight colours where it now stands
    // (looked at up and left of the pointer, which covers its centre).
    std::vector<D3DCOLOR> pixels;
    Screenshot("editor", "end_to_end_dragged.png", &pixels);
    const D3DXVECTOR3 drawn = ScreenOf(tip->GetRenderPosition());
    ASSERT_EQ(pixels.size(), std::size_t(kWidth) * kHeight);
    const D3DCOLOR c = pixels[std::size_t(int(drawn.y) - 6) * kWidth + std::size_t(int(drawn.x) - 6)];
    EXPECT_GT(c >> 16 & 0xFF, 180u) << std::hex << c;
    EXPECT_GT(c >> 8 & 0xFF, 120u) << std::hex << c;
    EXPECT_LT(c & 0xFF, 90u) << std::hex << c;

    EXPECT_TRUE(Saves("SaveAnimation Tester"));
    const std::string animationFile = ReadFile(AssetPath("Animations/Tester/walk.ani"));
    const std::string characterFile = ReadFile(AssetPath("Characters/Tester.x"));
    ASSERT_FALSE(animationFile.empty());
    EXPECT_EQ(Type("AnimationModeToggle"), "");
    Frame();

    EXPECT_EQ(Type("AnimationModeToggle"), "");
    ch = Character();
    ASSERT_NE(ch, nullptr);
    EXPECT_EQ(Type("LoadCharacter Tester"), "");
    ASSERT_EQ(ch->nodes.size(), 5u);
    EXPECT_TRUE(Saves("SaveCharacter Tester"));
    EXPECT_EQ(ReadFile(AssetPath("Characters/Tester.x")), characterFile);
    EXPECT_EQ(Type("LoadAnimation Tester Walk"), "");
    EXPECT_TRUE(Saves("SaveAnimation Tester"));
    EXPECT_EQ(ReadFile(AssetPath("Animations/Tester/walk.ani")), animationFile);

    // Picking the key on the timeline poses the tip where it was dragged.
    ch->activeTimeline->SetValue(0.5f);
    ch->HandleTimelineEvents(kNodePicked);
    ASSERT_NE(ch->selectedFrame, nullptr);
    ExpectOffset(ch->selectedFrame, offset);
    tip = ch->FindNode(ch->GetLimb(limbloc::LArm), 1);
    const D3DXVECTOR3 posed = tip->point->position - tip->point->restPosition;
    EXPECT_NEAR(posed.x, offset.x, 1e-4f);
    EXPECT_NEAR(posed.y, offset.y, 1e-4f);
    Frames(2);
    Screenshot("editor", "end_to_end_reloaded.png");
}

TEST_F(EditorEndToEnd, ADragInAnimationModeWithoutAKeyMovesNothing) {
    Type("AnimationModeToggle");
    EditChar* ch = Character();
    Type("AddLimb Line Head");
    Type("AddPoint");
    Type("CreateAnimation Jump 1 0");
    Frames(2);
    ASSERT_EQ(ch->selectedFrame, nullptr);
    EditNode* top = ch->nodes[1];
    const D3DXVECTOR3 before = top->point->position;
    DragNode(top, 30, 10);
    EXPECT_EQ(Anim()->SelectedObject(), top);
    EXPECT_EQ(top->point->position, before);
    // ... and says so, once.
    int told = 0;
    for (const Text* line : TheConsole()->Lines())
        told += line->GetText().rfind("No key at 0.00 s: the drag moves nothing.", 0) == 0;
    EXPECT_EQ(told, 1);

    // Outside animation mode a drag moves the rest position with the point.
    Type("AnimationModeToggle");
    Frame();
    Type("AnimationModeToggle");
    ch = Character();
    Type("AddLimb Line Head");
    Type("AddPoint");
    Frames(2);
    top = ch->nodes[1];
    const D3DXVECTOR3 rest = top->point->restPosition;
    DragNode(top, -30, 0);
    EXPECT_LT(top->point->restPosition.x, rest.x - 0.1f);
    EXPECT_EQ(top->point->position, top->point->restPosition);

    // Free look taken in the middle of a drag gives the press back, so that
    // the widgets are not left without the mouse.
    const D3DXVECTOR3 at = ScreenOf(top->GetRenderPosition());
    MoveTo(at.x, at.y);
    PushLeft(true);
    Frame();
    ASSERT_TRUE(TheCursor()->leftCaptured);
    Type("CameraControlToggle");
    EXPECT_FALSE(TheCursor()->leftCaptured);
    PushLeft(false);
    Frame();
    Type("CameraControlToggle");
    Frame();
    EXPECT_FALSE(TheCursor()->leftTaken);
}

TEST_F(EditorEndToEnd, LookCommandsActOnTheSelectedNodesModelAndOtherwiseOnTheBody) {
    Type("AnimationModeToggle");
    EditChar* ch = Character();
    ASSERT_NE(ch, nullptr);
    EXPECT_EQ(Type("AddLimb Model LArm"), "");
    EXPECT_EQ(Type("AddPoint"), "");
    Frames(2);
    Limb* arm = ch->GetLimb(limbloc::LArm);
    ObjectMesh* model = arm->GetControlPoint(0)->model;
    ASSERT_NE(model, nullptr);
    EditNode* root = ch->FindNode(arm, 0);
    const D3DXVECTOR3 at = ScreenOf(root->GetRenderPosition());
    ClickAt(at.x, at.y);
    ASSERT_EQ(Anim()->SelectedNode(), root);
    ASSERT_EQ(ch->selectedLimb, arm);

    // The limb folder in name order: leaf.x first.
    EXPECT_EQ(Type("SetBody"), "");
    EXPECT_EQ(MeshName(model), "Limb/leaf.x");
    EXPECT_EQ(MeshName(ch->BodyObject()), "Body/sphereMedium.x");
    EXPECT_EQ(Type("SetSurface 1 0 0 1 1 1 5 0.5 0.01 1.5 0"), "");
    EXPECT_FLOAT_EQ(model->surface.diff[1], 0.0f);
    EXPECT_FLOAT_EQ(ch->BodyObject()->surface.diff[1], 1.0f);
    EXPECT_EQ(Type("SetMaterial Stone 0 0"), "");
    EXPECT_EQ(model->MaterialKind(), 14u);
    EXPECT_EQ(ch->BodyObject()->MaterialKind(), 10u);

    // A click on nothing lets the node go: the body is what changes then.
    ClickAt(5.0f, float(kHeight) / 2.0f);
    EXPECT_EQ(Anim()->SelectedObject(), nullptr);
    EXPECT_EQ(ch->selectedLimb, nullptr);
    EXPECT_EQ(Type("SetBody"), "");
    EXPECT_EQ(MeshName(ch->BodyObject()), "Body/egg.x");
    EXPECT_EQ(Type("SetSurface 0 1 0 0 0 0 5 0.5 0.01 1.5 0"), "");
    EXPECT_FLOAT_EQ(ch->BodyObject()->surface.diff[0], 0.0f);

    // A load lets the selected node go before the node is deleted.
    ClickAt(at.x, at.y);
    ASSERT_EQ(Anim()->SelectedNode(), root);
    EXPECT_EQ(Type("LoadCharacter Seed"), "");
    EXPECT_EQ(Anim()->SelectedObject(), nullptr);
    EXPECT_EQ(ch->selectedLimb, nullptr);
    EXPECT_FALSE(ch->nodes.empty());
    Frames(2);
    Type("AnimationModeToggle");
    Frame();
}
