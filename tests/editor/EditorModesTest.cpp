// The two editors' modes in the running game: what a toggle takes over and
// gives back, the editable character's life, and who owns the keyboard.
#include "EditorFixture.h"

#include "Video/ObjectMesh.h"
#include "ai/AI_Camera.h"
#include "editor/EditNode.h"
#include "input/Input.h"
#include "scripting/EventHandler.h"
#include "scripting/PythonMan.h"
#include "world/GameObjectsMan.h"
#include "world/Physics.h"

namespace {

Input* TheInput() { return static_cast<Input*>(eTable::Peek(names::Input)); }
Physics* ThePhysics() { return static_cast<Physics*>(eTable::Peek(names::Physics)); }
AI_Camera* TheController() { return static_cast<AI_Camera*>(eTable::Peek(names::AI_Camera)); }

}  // namespace

class EditorModes : public EditorGame {};

TEST_F(EditorModes, EditModeTakesCameraPhysicsKeyboardAndCursorOnceAFrameAndGivesThemBack) {
    // A binding held over the frame runs the toggle twice: it counts once.
    Edit()->EditModeToggle();
    Edit()->EditModeToggle();
    EXPECT_TRUE(Edit()->EditMode());
    EXPECT_FALSE(ThePhysics()->IsActive());
    EXPECT_EQ(TheInput()->GetStream(), 1);
    EXPECT_EQ(TheController()->GetMode(), AI_Camera::kEditorFlight);
    EXPECT_TRUE(TheCursor()->visible);
    EXPECT_TRUE(Edit()->ModeLabel()->IsActive());
    EXPECT_TRUE(Edit()->HintA()->IsActive());
    EXPECT_EQ(Edit()->StatusText()->GetText(), "Free Look Camera Control: Disabled");

    Frame();
    Edit()->EditModeToggle();
    EXPECT_FALSE(Edit()->EditMode());
    EXPECT_TRUE(ThePhysics()->IsActive());
    EXPECT_EQ(TheInput()->GetStream(), 0);
    EXPECT_EQ(TheController()->GetMode(), AI_Camera::kLockedOrbit);
    EXPECT_FALSE(TheCursor()->visible);
    EXPECT_FALSE(Edit()->ModeLabel()->IsActive());
    EXPECT_FALSE(Edit()->HintA()->IsActive());
}

TEST_F(EditorModes, AnimationModeMakesAFreshCharacterInFrontOfTheCameraAndDeletesItWithItsNodes) {
    const D3DXVECTOR3 eye = TheCamera()->eye;
    D3DXVECTOR3 look = TheCamera()->target - eye;
    D3DXVec3Normalize(&look, &look);
    EXPECT_EQ(Type("AnimationModeToggle"), "");
    EditChar* first = Character();
    ASSERT_NE(first, nullptr);
    const D3DXVECTOR3 at = first->GetRenderPosition(), expected = eye + look * AnimationEditor::kCharacterDistance;
    ExpectAt(at, expected.x, expected.y, expected.z, 1e-4f);
    EXPECT_EQ(first->kind, kKindEditChar);

    Type("AddLimb Spline Head");
    Type("AddPoint");
    ASSERT_EQ(first->nodes.size(), 2u);
    auto* objects = static_cast<GameObjectsMan*>(eTable::Peek(names::EditorObjects));
    ASSERT_NE(objects, nullptr);
    EXPECT_EQ(objects->Children().size(), 3u);

    Frame();
    Type("AnimationModeToggle");
    EXPECT_EQ(Character(), nullptr);
    EXPECT_EQ(eTable::Peek(names::EditorObjects), nullptr);

    Frame();
    Type("AnimationModeToggle");
    ASSERT_NE(Character(), nullptr);
    EXPECT_EQ(Character()->CountLimbs(), 0u);
    EXPECT_TRUE(Character()->nodes.empty());
    Frames(3);
}

TEST_F(EditorModes, FreeLookSwitchesOnlyInAnimationModeAndTheModesExcludeEachOther) {
    Anim()->CameraControlToggle();
    EXPECT_EQ(TheController()->GetMode(), AI_Camera::kFollow);
    EXPECT_FALSE(TheCursor()->visible);

    Edit()->EditModeToggle();
    Frame();
    Anim()->AnimationModeToggle();
    EXPECT_FALSE(Edit()->EditMode());
    EXPECT_TRUE(Anim()->AnimationMode());
    EXPECT_FALSE(Edit()->ModeLabel()->IsActive());
    EXPECT_TRUE(Anim()->ModeLabel()->IsActive());
    EXPECT_EQ(TheInput()->GetStream(), 1);
    EXPECT_EQ(TheController()->GetMode(), AI_Camera::kEditorFlight);

    Anim()->CameraControlToggle();
    EXPECT_EQ(TheController()->GetMode(), AI_Camera::kFreeLook);
    EXPECT_FALSE(TheCursor()->visible);
    EXPECT_FALSE(Anim()->HintA()->IsActive());
    EXPECT_EQ(Anim()->StatusText()->GetText(), "Free Look Camera Control: Enabled");
    Anim()->CameraControlToggle();
    EXPECT_TRUE(TheCursor()->visible);
    EXPECT_TRUE(Anim()->HintB()->IsActive());
}

TEST_F(EditorModes, AToggleTypedInTheOpenConsoleLeavesTheConsoleItsKeyboard) {
    Console* console = TheConsole();
    ASSERT_TRUE(console->Init());
    ASSERT_EQ(TheInput()->GetStream(), 2);
    Type("EditModeToggle");
    EXPECT_TRUE(Edit()->EditMode());
    EXPECT_EQ(TheInput()->GetStream(), 2);
    console->Shutdown();
    EXPECT_EQ(TheInput()->GetStream(), 1);

    Frame();
    console->Init();
    Type("EditModeToggle");
    EXPECT_EQ(TheInput()->GetStream(), 2);
    console->Shutdown();
    EXPECT_EQ(TheInput()->GetStream(), 0);
}

TEST_F(EditorModes, LeavingEditModeGivesTheHeldObjectItsSurfaceBackAndDeletingLetsGo) {
    Edit()->EditModeToggle();
    GameObject* object = Edit()->AddObject();
    ASSERT_NE(object, nullptr);
    EXPECT_EQ(object->kind, kKindNPC);
    EXPECT_EQ(object->GetRenderPosition(), D3DXVECTOR3(0.0f, 5.0f, 0.0f));
    auto* body = static_cast<ObjectMesh*>(object->renderObject);
    body->surface.diff[0] = 0.25f;
    Frames(2);
    PressAt(object->GetRenderPosition());
    ASSERT_EQ(Edit()->HeldObject(), object);
    EXPECT_NE(body->surface.diff[0], 0.25f);  // highlighted
    PushLeft(false);
    Frame();

    Edit()->EditModeToggle();
    EXPECT_EQ(Edit()->HeldObject(), nullptr);
    EXPECT_EQ(body->surface.diff[0], 0.25f);

    // Held again, then deleted: nothing is left to give a surface back to.
    Frame();
    Edit()->EditModeToggle();
    Frames(2);
    PushLeft(true);
    Frame();
    ASSERT_EQ(Edit()->HeldObject(), object);
    PushLeft(false);
    Frame();
    Type("DeleteObject");
    EXPECT_EQ(Edit()->HeldObject(), nullptr);

    // A level change deletes the level's objects, the held one among them.
    GameObject* next = Edit()->AddObject();
    Frames(2);
    PushLeft(true);
    Frame();
    ASSERT_EQ(Edit()->HeldObject(), next);
    PushLeft(false);
    eTable::Find<GameObjectsMan>(names::GameObjectsMan)->DeleteLevelObjects();
    Frame();
    EXPECT_EQ(Edit()->HeldObject(), nullptr);
    Edit()->EditModeToggle();
    Frame();
}

// A game whose scripts make no level at start and a level "next" of five
// characters, 3001 to 3005, hanging in the air.
class EditorOverALevelChange : public EditorModes {
protected:
    void SetUp() override {
        std::filesystem::create_directory(dir.Path() / "Scripts");
        std::ofstream(dir.Path() / "Scripts" / "zop.py") << "def initgame(): pass\n";
        std::ofstream(dir.Path() / "Scripts" / "next.py")
            << "import ZOPAPI as Z\n"
               "def loadlevel():\n"
               "    for i in range(5):\n"
               "        Z.AddLevelNPC(3001 + i, (3.0 * i, 14.0, 0.0), 0.0, 0.0, 1.0, 0.0, 0.0, 'Sunny')\n";
        EditorModes::SetUp();
    }
};

// The level's objects go while one of them is dragged, and the next level
// makes its own; an object made where the held one was must not pass for it
// (run it under ASan too: the held pointer is stale from the change on).
TEST_F(EditorOverALevelChange, ADragOverALevelChangeOrAnObjectsDeletionEndsHoldingNothing) {
    auto* objects = eTable::Find<GameObjectsMan>(names::GameObjectsMan);
    Edit()->EditModeToggle();
    auto pressOn = [&](GameObject* object) {
        Frames(2);
        PressAt(object->GetRenderPosition());
        ASSERT_EQ(Edit()->HeldObject(), object);
        PushMotion(4, 0);
        Frame();
    };
    pressOn(Edit()->AddObject());
    eTable::Find<PythonMan>(names::PythonMan)->SetNextModuleName("next");
    eTable::Find<EventHandler>(names::EventHandler)->RequestLevelChange();
    PushMotion(4, 0);
    Frame();
    GameObject* sun = objects->GetObjectById(3001);
    ASSERT_NE(sun, nullptr) << "the level was loaded";
    const D3DXVECTOR3 sunAt = sun->GetRenderPosition();
    for (int i = 0; i < 5; ++i) {
        PushMotion(6, 3);
        Frame();
    }
    EXPECT_EQ(Edit()->HeldObject(), nullptr);
    EXPECT_EQ(Edit()->InfoText()->GetText(), "Holding nothing");
    EXPECT_EQ(sun->GetRenderPosition(), sunAt);
    PushLeft(false);
    Frame();

    // Deleted behind the editor's back (as a script's remove event does) and
    // a character made at once, which the allocator puts where it was.
    GameObject* held = Edit()->AddObject();
    pressOn(held);
    objects->DeleteObject(held);
    ObjectDesc desc;
    desc.kind = kKindNPC;
    GameObject* made = objects->CreateLevelObject(&desc);
    made->PlaceAt(D3DXVECTOR3(0.0f, 20.0f, 0.0f));
    PushMotion(6, 3);
    Frame();
    EXPECT_EQ(Edit()->HeldObject(), nullptr);
    EXPECT_EQ(made->GetRenderPosition(), D3DXVECTOR3(0.0f, 20.0f, 0.0f));
    PushLeft(false);
    Frame();
    Edit()->EditModeToggle();
    Frame();
}
