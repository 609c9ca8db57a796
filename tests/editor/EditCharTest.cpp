// The editable character and its edit nodes in the running game: limbs and
// points, saving and loading, animation slots, key frames, the timeline and
// asset cycling.
#include "EditorFixture.h"

#include <filesystem>
#include <fstream>

#include "Video/ObjectLine.h"
#include "Video/ObjectMesh.h"
#include "characters/Animation.h"
#include "characters/Limb.h"
#include "characters/NameTables.h"
#include "editor/AssetListing.h"
#include "editor/EditNode.h"

namespace {

constexpr char kFailed[] = "ERROR: Desired Effect Failed!";

}  // namespace

class EditCharTest : public EditorGame {
protected:
    void SetUp() override {
        EditorGame::SetUp();
        if (HasFatalFailure()) return;
        Anim()->AnimationModeToggle();
        ch = Character();
        ASSERT_NE(ch, nullptr);
    }
    EditChar* ch = nullptr;
};

TEST_F(EditCharTest, PointsGrowAlongTheLimbsDirectionEachWithANodeAndLeaveWithTheirLimb) {
    Limb* arm = ch->AddLimb(Limb::kLine, limbloc::LArm, 0);
    ASSERT_NE(arm, nullptr);
    EXPECT_EQ(ch->selectedLimb, arm);
    EXPECT_EQ(ch->AddLimb(Limb::kSpline, limbloc::LArm, 0), nullptr);
    ASSERT_NE(ch->AddPoint(true), nullptr);
    ASSERT_NE(ch->AddPoint(true), nullptr);
    ExpectAt(arm->GetControlPoint(0)->position, 1.0f, 0.0f, 0.0f);
    ExpectAt(arm->GetControlPoint(1)->position, 2.0f, 0.0f, 0.0f);
    ExpectAt(arm->GetControlPoint(1)->restPosition, 2.0f, 0.0f, 0.0f);
    EXPECT_FLOAT_EQ(arm->GetControlPoint(1)->width, 2.0f);
    ASSERT_EQ(ch->nodes.size(), 2u);
    EXPECT_EQ(ch->nodes[1]->index, 1);
    EXPECT_EQ(ch->nodes[1]->point, arm->GetControlPoint(1));
    // The sphere stands on the point, carried by the body.
    Frame();
    const D3DXVECTOR3 world = ch->BodyToWorld(arm->GetControlPoint(1)->position);
    ExpectAt(ch->nodes[1]->GetRenderPosition(), world.x, world.y, world.z);

    Limb* leg = ch->AddLimb(Limb::kSpline, limbloc::RLeg, 1);
    ASSERT_NE(leg, nullptr);
    ExpectAt(leg->GetControlPoint(0)->position, -0.707f, -0.707f, 0.0f);
    EXPECT_FLOAT_EQ(leg->GetControlPoint(0)->width, 2.0f);
    EXPECT_FLOAT_EQ(leg->GetControlPoint(0)->tension, 3.0f);
    ASSERT_EQ(ch->nodes.size(), 3u);
    ch->RemoveLimb(arm);
    EXPECT_EQ(ch->GetLimb(limbloc::LArm), nullptr);
    ASSERT_EQ(ch->nodes.size(), 1u);
    EXPECT_EQ(ch->nodes[0]->limb, leg);
    Frames(2);
}

TEST_F(EditCharTest, StructuralEditsAndCharacterSavesAreRefusedInAnimationMode) {
    ch->AddLimb(Limb::kLine, limbloc::Head, 1);
    EXPECT_EQ(Type("CreateAnimation Jump 1 0"), "");
    EXPECT_EQ(ch->AddPoint(true), nullptr);
    EXPECT_EQ(ch->AddLimb(Limb::kLine, limbloc::LArm, 1), nullptr);
    ch->RemoveLimbByLoc(limbloc::Head);
    EXPECT_NE(ch->GetLimb(limbloc::Head), nullptr);
    EXPECT_EQ(Type("SaveCharacter Tester"), kFailed);
    EXPECT_FALSE(std::filesystem::exists(AssetPath("Characters/Tester.x")));
}

TEST_F(EditCharTest, NamesThatLeaveTheirFolderAreRefused) {
    EXPECT_EQ(Type("SaveCharacter ../Escaped"), kFailed);
    EXPECT_EQ(Type("SaveCharacter Sub/Name"), kFailed);
    EXPECT_EQ(Type("LoadCharacter ../Characters/Seed"), kFailed);
    EXPECT_FALSE(std::filesystem::exists(AssetPath("Escaped.x")));
    EXPECT_EQ(Type("CreateAnimation Walk 1 1"), "");
    EXPECT_EQ(Type("SaveAnimation .."), kFailed);
    EXPECT_EQ(Type("SaveAnimationSet a/b"), kFailed);
}

TEST_F(EditCharTest, ACharacterSavedLoadedAndSavedAgainWritesTheSameFile) {
    // A model arm whose last point has no model, a spline leg and a line.
    ASSERT_NE(ch->AddLimb(Limb::kModel, limbloc::RArm, 1), nullptr);
    ASSERT_NE(ch->AddPoint(true), nullptr);
    Limb* arm = ch->GetLimb(limbloc::RArm);
    ASSERT_NE(arm->GetControlPoint(0)->model, nullptr);
    ASSERT_EQ(arm->GetControlPoint(1)->model, nullptr);
    EditNode* last = ch->FindNode(arm, 1);
    last->SetWidth(3.0f);  // nothing to size
    EXPECT_FLOAT_EQ(last->renderObject->GetScale().x, EditChar::kNodeScale);
    ch->AddLimb(Limb::kSpline, limbloc::LLeg, 1);
    ch->FindNode(ch->GetLimb(limbloc::LLeg), 0)->SetConstraint(0.0f, 1.5f);
    ch->AddLimb(Limb::kLine, limbloc::Head, 1);
    ch->FindNode(ch->GetLimb(limbloc::Head), 0)->SetWidth(12.0f);
    Type("SetSurface 0.2 0.4 0.6 0.5 0.5 0.5 20 0.3 0.02 1.1 0");
    Type("SetEyes");
    Frame();

    EXPECT_TRUE(Saves("SaveCharacter Tester"));
    const std::string first = ReadFile(AssetPath("Characters/Tester.x"));
    ASSERT_FALSE(first.empty());
    EXPECT_TRUE(std::filesystem::exists(AssetPath("Surfaces/Tester.sur")));

    ::testing::internal::CaptureStderr();
    EXPECT_EQ(Type("LoadCharacter Tester"), "");
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
    Frame();
    ASSERT_EQ(ch->nodes.size(), 4u);
    EXPECT_EQ(ch->GetLimb(limbloc::RArm)->GetControlPoint(1)->model, nullptr);
    EXPECT_FLOAT_EQ(ch->BodyObject()->surface.diff[1], 0.4f);
    EXPECT_TRUE(Saves("SaveCharacter Tester"));
    EXPECT_EQ(ReadFile(AssetPath("Characters/Tester.x")), first);

    // A failed write says so (the name is taken by a folder).
    std::filesystem::create_directories(AssetPath("Characters/Blocked.x"));
    EXPECT_EQ(Type("SaveCharacter Blocked"), kFailed);
    EXPECT_EQ(Type("LoadCharacter NoSuchCharacter"), kFailed);
}

TEST_F(EditCharTest, ANewAnimationPutsTheOneItReplacesInTempyAndRefusesAnEmptyLength) {
    EXPECT_EQ(Type("CreateAnimation Walk 0 1"), kFailed);
    EXPECT_EQ(Type("CreateAnimation Walk 2 1"), "");
    Animation* old = ch->actionAnimations[1];
    ASSERT_NE(old, nullptr);
    EXPECT_EQ(ch->currentAnimation, old);
    EXPECT_EQ(ch->activeTimeline, &ch->timelines[1]);
    EXPECT_EQ(Type("AddFrame 0.5"), "");
    EXPECT_EQ(Type("CreateAnimation Walk 1 0"), "");
    const std::string tempy = ReadFile(AssetPath("Animations/Tempy/walk.ani"));
    EXPECT_NE(tempy.find("_Animation Unknown"), std::string::npos);
    EXPECT_NE(tempy.find("0.5"), std::string::npos);
    EXPECT_FLOAT_EQ(ch->currentAnimation->aniLength, 1.0f);
    EXPECT_TRUE(ch->currentAnimation->frames.empty());
    EXPECT_EQ(Type("AnimationLength 0"), kFailed);
    EXPECT_EQ(Type("AnimationLength -1"), kFailed);
    Frames(2);
}

TEST_F(EditCharTest, KeyFramesAreRefusedNearAFramePastTheEndOutsideTheModeAndWhilePlaying) {
    ch->AddLimb(Limb::kLine, limbloc::LArm, 1);
    EXPECT_EQ(ch->AddFrame(0.2f, true), nullptr);  // no animation, not in the mode
    ch->CreateAnimation(action::Walk, 1.0f, true);
    AnimationFrame* frame = ch->AddFrame(0.5f, true);
    ASSERT_NE(frame, nullptr);
    EXPECT_EQ(ch->selectedFrame, frame);
    ASSERT_NE(frame->FindLimb(limbloc::LArm), nullptr);
    EXPECT_NE(frame->FindLimb(limbloc::LArm)->FindControlPoint(0), nullptr);
    EXPECT_EQ(ch->AddFrame(0.53f, true), nullptr);
    EXPECT_EQ(ch->AddFrame(1.5f, true), nullptr);
    EXPECT_EQ(ch->activeTimeline->Nodes().size(), 1u);
    ch->ToggleAnimate();
    EXPECT_EQ(ch->AddFrame(0.8f, true), nullptr);
    EXPECT_FALSE(ch->RemoveFrame(0.5f, true));
    Frames(3);
    ch->ToggleAnimate();
    EXPECT_NE(ch->AddFrame(0.8f, true), nullptr);
    EXPECT_TRUE(ch->RemoveFrame(0.5f, true));
    EXPECT_EQ(ch->activeTimeline->Nodes().size(), 1u);
}

TEST_F(EditCharTest, PickingAKeyOnTheTimelineGoesJustBeforeItAndPosesTheNodes) {
    ch->AddLimb(Limb::kSpline, limbloc::LArm, 1);
    ch->AddPoint(true);
    ch->CreateAnimation(action::Walk, 1.0f, true);
    ASSERT_NE(ch->AddFrame(0.5f, true), nullptr);
    EditNode* tip = ch->nodes[1];
    const D3DXVECTOR3 rest = tip->point->restPosition;
    tip->SetPosition(rest + D3DXVECTOR3(0.0f, 0.75f, 0.0f));
    Frame();  // the selected frame records the node's offset
    ch->SetAnimation(action::Walk);
    ExpectAt(tip->point->position, rest.x, rest.y, rest.z);
    EXPECT_EQ(ch->selectedFrame, nullptr);

    ch->activeTimeline->SetValue(0.5f);
    ch->HandleTimelineEvents(kNodePicked);
    ASSERT_NE(ch->selectedFrame, nullptr);
    EXPECT_FLOAT_EQ(ch->selectedFrame->time, 0.5f);
    ExpectAt(tip->point->position, rest.x, rest.y + 0.75f, rest.z);
    ExpectAt(tip->point->restPosition, rest.x, rest.y, rest.z);
    ASSERT_NE(ch->activeTimeline->SelectedNode(), nullptr);
    EXPECT_NEAR(ch->activeTimeline->GetValue(), 0.5f, 1e-4f);

    // Moving the picked key moves its frame; the value is seconds.
    ch->activeTimeline->SetValue(0.7f);
    ch->HandleTimelineEvents(kNodeMoved | kValueChanged);
    EXPECT_NEAR(ch->currentAnimation->frames.front().time, 0.7f, 1e-4f);
    EXPECT_NEAR(ch->currentTime, 0.7f, 1e-4f);
    Frames(2);
}

TEST_F(EditCharTest, EditNodesCarryPositionWidthAndConstraintIntoTheirPoints) {
    Limb* line = ch->AddLimb(Limb::kLine, limbloc::Head, 1);
    EditNode* node = ch->nodes.back();
    node->SetPosition({0.0f, 2.0f, 0.5f});
    ExpectAt(line->GetControlPoint(0)->restPosition, 0.0f, 2.0f, 0.5f);
    node->SetWidth(10.0f);
    EXPECT_NEAR(node->renderObject->GetScale().x, 0.7f, 1e-6f);
    EXPECT_FLOAT_EQ(line->GetControlPoint(0)->width, 10.0f);
    node->SetWidth(-1.0f);
    EXPECT_FLOAT_EQ(line->GetControlPoint(0)->width, 0.0f);
    const float tension = line->GetControlPoint(0)->tension;
    node->SetConstraint(0.0f, 5.0f);
    EXPECT_FLOAT_EQ(line->GetControlPoint(0)->tension, tension);

    Limb* spline = ch->AddLimb(Limb::kSpline, limbloc::LLeg, 1);
    ch->nodes.back()->SetConstraint(0.0f, -2.0f);
    EXPECT_FLOAT_EQ(spline->GetControlPoint(0)->tension, 0.0f);

    // In animation mode only the pose moves: the difference is the key.
    ch->CreateAnimation(action::Idle, 1.0f, true);
    node->SetPosition({0.0f, 3.0f, 0.5f});
    ExpectAt(line->GetControlPoint(0)->position, 0.0f, 3.0f, 0.5f);
    ExpectAt(line->GetControlPoint(0)->restPosition, 0.0f, 2.0f, 0.5f);
    Frames(2);
}

TEST_F(EditCharTest, AssetsAreCycledInNameOrderWrappingRoundAndEmptyFoldersDoNothing) {
    // The shipped eyes: two PNG files.
    ch->NextEyes();
    EXPECT_EQ(ch->face.eyeTexture, "Eyes/eyeHazel.png");
    ch->NextEyes();
    EXPECT_EQ(ch->face.eyeTexture, "Eyes/eyeViolet.png");
    ch->NextEyes();
    EXPECT_EQ(ch->face.eyeTexture, "Eyes/eyeHazel.png");
    ch->NextSilhouette();
    EXPECT_EQ(ch->bodyTextureNames.back(), "Silo/inkBlue.png");
    ch->NextBody();
    Frames(2);

    const std::filesystem::path folder = dir.Path() / "listing";
    std::filesystem::create_directories(folder);
    AssetListing listing(".png");
    EXPECT_FALSE(listing.Next(folder));
    EXPECT_FALSE(listing.Next(folder / "missing"));
    for (const char* name : {"b.png", "A.PNG", "c.txt", "dpng"}) std::ofstream(folder / name) << "x";
    EXPECT_EQ(listing.Next(folder), "A.PNG");
    EXPECT_EQ(listing.Next(folder), "b.png");
    EXPECT_EQ(listing.Next(folder), "A.PNG");
}
