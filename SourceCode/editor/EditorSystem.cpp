#include "editor/EditorSystem.h"

#include "Video/ObjectLine.h"
#include "Video/ObjectMesh.h"
#include "Video/TextMan.h"
#include "ai/AI_Camera.h"
#include "console/Bindings.h"
#include "console/Console.h"
#include "core/SystemNames.h"
#include "core/eTable.h"
#include "input/Input.h"
#include "ui/Cursor.h"
#include "Video/Video.h"
#include "world/GameLogic.h"
#include "world/GameObject.h"
#include "world/GameObjectsMan.h"
#include "world/Physics.h"

namespace {

// A held object is drawn in these colours.
SurfaceData HighlightSurface() {
    const float diffuse[4] = {1.0f, 0.85f, 0.1f, 1.0f};
    const float specular[4] = {1.0f, 1.0f, 0.6f, 1.0f};
    return SurfaceData(diffuse, specular, 20, 0.5f, 0.01f, 1.5f);
}

AI_Camera* CameraController() { return static_cast<AI_Camera*>(eTable::Peek(names::AI_Camera)); }
Cursor* TheCursor() { return static_cast<Cursor*>(eTable::Peek(names::Cursor)); }

void SetCameraMode(std::uint32_t mode) {
    if (AI_Camera* controller = CameraController()) controller->SetMode(mode);
}

void ShowText(Text* text, bool shown) {
    if (text) text->SetActive(shown);
}

bool EditorOn(const char* name) {
    auto* editor = static_cast<EditorSystem*>(eTable::Peek(name));
    return editor && editor->ModeOn();
}

// The game's texts and buttons stay hidden while either editor is on.
void HideGameTextsWhileEditing() {
    if (auto* logic = static_cast<GameLogic*>(eTable::Peek(names::GameLogic)))
        logic->HideTextsAndButtons(EditorOn(names::Editor) || EditorOn(names::AnimationEditor));
}

// The top of the first label: below the HUD's score line, whose glyphs
// (bob and largest size included) reach down to 0.705 of the screen's
// upper half, whatever the window's height.
int FirstLabelTop() {
    auto* video = static_cast<Video*>(eTable::Peek(names::Video));
    const int height = video ? video->Settings().windowHeight : 480;
    return int(float(height) * 0.16f);
}

}  // namespace

SurfaceData* SurfaceOf(Object* object) {
    if (auto* mesh = dynamic_cast<ObjectMesh*>(object)) return &mesh->surface;
    if (auto* line = dynamic_cast<ObjectLine*>(object)) return &line->surface;
    return nullptr;
}

void HandKeyboardTo(std::int32_t stream) {
    if (auto* console = static_cast<Console*>(eTable::Peek(names::Console)); console && console->IsOpen()) {
        console->SetSavedStream(stream);
        return;
    }
    if (auto* input = static_cast<Input*>(eTable::Peek(names::Input))) input->SetStream(stream);
}

bool FiredByAKeyStillDown() {
    const auto* bindings = static_cast<Bindings*>(eTable::Peek(names::Bindings));
    const auto* input = static_cast<Input*>(eTable::Peek(names::Input));
    if (!bindings || !input || bindings->FiringKey() < 0) return false;
    return !input->WasPressed(static_cast<std::uint8_t>(bindings->FiringKey()));
}

EditorSystem::~EditorSystem() = default;

bool EditorSystem::Shutdown() {
    if (!initialized) return false;
    LetGo();
    DestroyChildren();
    RemoveLabels();
    eTable::RemoveSystem(this);
    initialized = false;
    return true;
}

void EditorSystem::CreateLabels(const char* modeName, const char* hintA, const char* hintB) {
    auto* texts = static_cast<TextMan*>(eTable::Peek(names::TextMan));
    if (!texts) return;
    FontDescription font;
    font.faceName = kLabelFace;
    font.height = kLabelHeight;
    auto make = [&](const char* text, int top, D3DCOLOR colour) {
        TextDescription desc;
        desc.text = text;
        desc.rect = {8, top, 1200, top + kLabelHeight + 4};
        desc.colour = colour;
        Text* made = texts->CreateText(&desc, &font);
        // Dark edges keep the labels readable over the sky and the suns.
        if (made) made->outline = 0xFF000000;
        ShowText(made, false);
        return made;
    };
    const int step = kLabelHeight + 4;
    // Below the frame-rate line and the HUD's score and time.
    const int top = FirstLabelTop();
    modeLabel = make(modeName, top, 0xFFFFD040);
    statusText = make(kFreeLookOn, top + step, 0xFFFFFFFF);
    freeLookHintA = make(hintA, top + 2 * step, 0xFFB0E0FF);
    freeLookHintB = make(hintB, top + 3 * step, 0xFFB0E0FF);
    infoText = make("", top + 4 * step, 0xFFC0FFC0);
}

void EditorSystem::RemoveLabels() {
    auto* texts = static_cast<TextMan*>(eTable::Peek(names::TextMan));
    for (Text** text : {&modeLabel, &statusText, &freeLookHintA, &freeLookHintB, &infoText}) {
        if (texts && *text) texts->RemoveText(*text);
        *text = nullptr;
    }
}

void EditorSystem::ShowLabels(bool shown) {
    ShowText(modeLabel, shown);
    ShowText(statusText, shown);
    ShowText(infoText, shown);
}

void EditorSystem::ShowHints(bool shown) {
    ShowText(freeLookHintA, shown);
    ShowText(freeLookHintB, shown);
}

void EditorSystem::SetInfo(const std::string& text) {
    if (infoText && infoText->GetText() != text) infoText->SetText(text.c_str());
}

void EditorSystem::SwitchFreeLook(bool on) {
    AI_Camera* controller = CameraController();
    if (controller) {
        controller->SetMode(on ? AI_Camera::kFreeLook : AI_Camera::kEditorFlight);
        if (on) controller->StoreMousePosition();
    }
    if (statusText) statusText->SetText(on ? kFreeLookOn : kFreeLookOff);
    if (Cursor* cursor = TheCursor()) {
        if (on) cursor->Hide();
        else cursor->Show();
    }
    ShowHints(!on && mode);
    // The mouse goes to the camera: a drag in progress ends.
    if (on) EndDrag();
}

void EditorSystem::EnableFreeLook() { SwitchFreeLook(true); }

void EditorSystem::DisableFreeLook() { SwitchFreeLook(false); }

void EditorSystem::EnterMode() {
    ShowLabels(true);
    HideGameTextsWhileEditing();
    if (auto* physics = static_cast<Physics*>(eTable::Peek(names::Physics))) physics->SetActive(false);
    SetCameraMode(AI_Camera::kFreeLook);
    HandKeyboardTo(1);
}

void EditorSystem::LeaveMode() {
    ShowLabels(false);
    HideGameTextsWhileEditing();
    ShowHints(false);
    if (auto* physics = static_cast<Physics*>(eTable::Peek(names::Physics))) physics->SetActive(true);
    freeLook = 1;
    EnableFreeLook();
    ShowHints(false);
    LetGo();
    HandKeyboardTo(0);
    SetCameraMode(AI_Camera::kLockedOrbit);
}

void EditorSystem::Hold(GameObject* object, bool highlight) {
    LetGo();
    if (!object) return;
    SurfaceData* surface = highlight ? SurfaceOf(object->renderObject) : nullptr;
    if (surface) {
        savedSurface = *surface;
        *surface = HighlightSurface();
        highlighted = true;
    }
    selected = object;
    selectedSerial = object->serial;
    heldFlag = 1;
}

void EditorSystem::LetGo() {
    if (selected && heldFlag && highlighted)
        if (SurfaceData* surface = SurfaceOf(selected->renderObject)) *surface = savedSurface;
    highlighted = false;
    selected = nullptr;
    heldFlag = 0;
    EndDrag();
}

bool EditorSystem::HeldStillExists(const GameObjectsMan* manager) {
    if (!selected) return false;
    // Only a live child is read: the held pointer itself may be stale.
    if (manager)
        for (System* child : manager->Children())
            if (child == selected && static_cast<const GameObject*>(child)->serial == selectedSerial) return true;
    // Deleted behind the editor's back: nothing to give its surface back to.
    highlighted = false;
    selected = nullptr;
    heldFlag = 0;
    EndDrag();
    return false;
}

D3DXVECTOR3 EditorSystem::HeldPosition() const {
    return selected ? selected->GetRenderPosition() : D3DXVECTOR3(0.0f, 0.0f, 0.0f);
}

void EditorSystem::UpdateMouse() {
    Cursor* cursor = TheCursor();
    if (!cursor || freeLook) {
        wasLeftDown = cursor && cursor->leftDown;
        return;
    }
    if (dragging) {
        if (!cursor->leftDown || !selected) {
            EndDrag();
            wasLeftDown = cursor->leftDown;
            return;
        }
        if (auto ray = CursorRay())
            if (auto to = dragPlane.Follow(*ray)) DragTo(*to);
        return;
    }
    const bool pressed = cursor->leftDown && !wasLeftDown;
    wasLeftDown = cursor->leftDown;
    // A press a widget (a timeline) took is the widget's.
    if (!pressed || cursor->leftTaken) return;
    cursor->leftTaken = 1;
    auto ray = CursorRay();
    GameObject* hit = ray ? PickAt(*ray) : nullptr;
    if (!hit) {
        Deselect();
        return;
    }
    if (hit != selected) Select(hit);
    cursor->leftCaptured = 1;
    cursor->leftCapturer = this;
    dragPlane = DragPlane::Through(HeldPosition(), *ray);
    dragging = true;
}

void EditorSystem::EndDrag() {
    // A press the editor still holds would keep every widget from the mouse.
    if (dragging)
        if (Cursor* cursor = TheCursor(); cursor && cursor->leftCapturer == this) {
            cursor->leftCaptured = 0;
            cursor->leftCapturer = nullptr;
        }
    dragging = false;
}

void EditorSystem::Select(GameObject* object) { Hold(object); }

void EditorSystem::Deselect() { LetGo(); }
