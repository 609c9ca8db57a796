#include "ui/SliderBar.h"

#include <algorithm>
#include <vector>

#include "Video/ObjectDesc.h"
#include "Video/ObjectLine.h"
#include "core/SystemNames.h"
#include "ui/Cursor.h"

namespace {
// Sprite depths relative to the background: nearer sprites draw over it.
constexpr float kStripDepth = 2e-7f;
constexpr float kTickDepth = 2e-7f;
constexpr float kHandleDepth = 3e-7f;
constexpr float kNodeDepth = 1e-7f;
constexpr float kSelectionDepth = 1.9e-7f;

std::int32_t Truncate(float v) { return static_cast<std::int32_t>(v); }
}  // namespace

SliderBar::~SliderBar() {
    if (initialized) SliderBar::Shutdown();
    nodes.clear();
}

ObjectScreenQuad* SliderBar::MakeSprite(const char* typeName, const char* texture, const ScreenQuadItem* items,
                                        std::uint32_t count) {
    ObjectScreenQuad* made = ui::CreateSprite(typeName, ui::kSpriteMaterial, 0, items, count, texture);
    // Sprites made while the bar is hidden stay hidden with it.
    if (hidden) ui::ShowSprite(made, false);
    return made;
}

bool SliderBar::Init(void*, void*) {
    if (initialized) return false;
    name = names::SliderBar;
    nodes.clear();
    height = 0.05f, gripHeight = 0.05f;
    nodeSprite = selectionSprite = nullptr;
    selectedNode = nullptr;
    grabbed = moving = draggingHandle = 0;
    depth = 5e-7f;
    y = -0.95f, width = 1.0f, x = -0.5f;
    gripWidth = 0.05078125f;
    barWidth = 0.91796875f;
    tickIndex = 0, handlePosition = 0.0f, pendingMove = 0.0f;
    tickCount = 30;
    min = 0.0f, max = 1.0f;
    tickSpacing = barWidth / float(tickCount - 1);
    sliderViewport = ui::CurrentViewport();
    const ScreenQuadItem background{x, y, depth, width, height};
    sprite = MakeSprite("UIObject", "SliderBarBackground.bmp", &background, 1);
    const ScreenQuadItem strip{x, y, depth - kStripDepth, width, height};
    stripSprite = MakeSprite("SliderBar", "SliderBarTicks.bmp", &strip, 1);
    RebuildTicks();
    handleSprite = MakeSprite("Slider", "Slider.bmp", nullptr, 0);
    PlaceHandle();
    initialized = true;
    return true;
}

// The inner ticks: the first and last are the bar's ends, on the strip.
void SliderBar::RebuildTicks() {
    std::vector<ScreenQuadItem> ticks;
    for (std::int32_t i = 1; i <= tickCount - 2; ++i)
        ticks.push_back({x + gripWidth + float(i) * tickSpacing, y, depth - kTickDepth, NodeWidth(), height});
    if (tickSprite && tickSprite->ItemCount() != ticks.size()) ui::RemoveSprite(tickSprite);
    if (!tickSprite)
        tickSprite = MakeSprite("SliderBarTick", "SliderBarTick.bmp", ticks.data(), std::uint32_t(ticks.size()));
    else
        tickSprite->SetQuads(ticks.data(), std::uint32_t(ticks.size()));
}

void SliderBar::PlaceHandle() {
    // The pending move is 0 unless a drag is in progress.
    const float at = handlePosition + pendingMove;
    ui::PlaceSprite(handleSprite, {x + gripWidth + at, y, depth - kHandleDepth, NodeWidth(), height});
}

float SliderBar::Fraction(float value) const {
    const float span = max - min;
    return span != 0.0f ? (value - min) / span : 0.0f;
}

float SliderBar::GetValue() const {
    return min + (handlePosition + pendingMove) * (max - min) / barWidth;
}

bool SliderBar::InsideBar(float cx, float cy) const {
    return x < cx && cx < x + width && y - height < cy && cy < y;
}

bool SliderBar::InHandle(float cx, float cy) const {
    const float left = x + gripWidth + handlePosition;
    return left < cx && cx < left + NodeWidth() && y - gripHeight < cy && cy < y;
}

bool SliderBar::Update() {
    if (!initialized || !active) return false;
    UpdateChildren();
    events = 0;
    Cursor* cursor = FindCursor();
    if (!cursor) return true;
    const bool holdsLeft = cursor->leftCaptured && cursor->leftCapturer == this;
    const bool holdsRight = cursor->rightCaptured && cursor->rightCapturer == this;
    if (!holdsLeft && !holdsRight) {
        const ui::ScreenPoint at = CursorAt(*cursor, sliderViewport);
        if (!cursor->leftTaken && cursor->leftDown && InsideBar(at.x, at.y))
            PressLeft(*cursor, at.x, at.y);
        else if (!cursor->rightTaken && cursor->rightDown && InsideBar(at.x, at.y))
            PressRight(*cursor, at.x, at.y);
        return true;
    }
    if (!grabbed) return true;
    if (cursor->leftDown && holdsLeft) {
        if (moving)
            MoveWithCursor();
        else if (draggingHandle)
            DragHandleWithNode();
    } else if (cursor->rightDown && holdsRight) {
        DragHandleWithNode();
    } else {
        Release(*cursor);
    }
    return true;
}

// The grip moves the bar, the handle is dragged where it is, anywhere else
// on the bar the handle first jumps under the cursor.
void SliderBar::PressLeft(Cursor& cursor, float cx, float cy) {
    TakePress(cursor, true);
    ReleaseSelection();
    if (InGrip(cx, cy)) {
        moving = 1;
    } else if (InHandle(cx, cy)) {
        draggingHandle = 1;
    } else {
        DragHandle(cx);
        draggingHandle = 1;
    }
}

// The right button picks the node under the cursor or adds one there, and
// drags it with the handle.
void SliderBar::PressRight(Cursor& cursor, float cx, float cy) {
    TakePress(cursor, false);
    if (InGrip(cx, cy)) return;
    if (SliderNode* node = PickNodeAt(cx)) {
        selectedNode = node;
        events |= kNodePicked;
    } else {
        AddNodeAtCursor(cx);
    }
    DragHandle(cx);
    // The node under the handle from this frame on, not from the next.
    RebuildNodeSprites();
}

void SliderBar::Release(Cursor& cursor) {
    ReleasePress(cursor);
    grabbed = moving = draggingHandle = 0;
    ApplyMove(pendingMove);
    if (selectedNode) {
        selectedNode->position = handlePosition;
        selectedNode->tick = tickIndex;
        events |= kNodeMoved;
    }
    PlaceHandle();
}

void SliderBar::ApplyMove(float d) {
    d = std::clamp(d, -handlePosition, barWidth - handlePosition);
    handlePosition += d;
    tickIndex = TickAt(handlePosition);
    pendingMove = 0.0f;
}

// From the position itself: a tick counted up move by move drifts (truncated
// halves add up) until the handle at 0 reads tick -1.
std::int32_t SliderBar::TickAt(float position) const {
    return std::clamp(Truncate(position / tickSpacing), 0, tickCount - 1);
}

// The handle's centre under the cursor.
void SliderBar::DragHandle(float cx) {
    ApplyMove(cx - x - gripWidth - handlePosition - width / 64.0f);
    events |= kValueChanged;
}

void SliderBar::DragHandleWithNode() {
    if (const Cursor* cursor = FindCursor()) {
        const float halfWidth = float(sliderViewport.Width) * 0.5f;
        if (halfWidth > 0.0f) pendingMove += cursor->delta.x / halfWidth;
    }
    tickSpacing = barWidth / float(tickCount - 1);
    pendingMove = std::clamp(pendingMove, -handlePosition, barWidth - handlePosition);
    if (selectedNode) events |= kNodeMoved;
    // Puts the selected node under the handle, or drops the selection sprite.
    RebuildNodeSprites();
    PlaceHandle();
    events |= kValueChanged;
}

SliderNode* SliderBar::NodeUnder(float r) {
    for (SliderNode& node : nodes)
        if (node.position <= r && r < node.position + NodeWidth()) return &node;
    return nullptr;
}

SliderNode* SliderBar::PickNodeAt(float cx) {
    const float r = std::clamp(cx - x - gripWidth, 0.0f, barWidth);
    ui::RemoveSprite(selectionSprite);
    SliderNode* node = NodeUnder(r);
    if (node) {
        const ScreenQuadItem item{x + gripWidth + node->position, y, depth - kSelectionDepth, NodeWidth(), height};
        selectionSprite = MakeSprite("SliderNodeSelected", "SliderBarNodeSelected.bmp", &item, 1);
    }
    return node;
}

void SliderBar::AddNodeAtCursor(float cx) {
    const float r = cx - x - gripWidth;
    SliderNode node;
    node.tick = std::clamp(Truncate(r / tickSpacing), 0, tickCount - 1);
    node.position = std::clamp(r - width / 64.0f, 0.0f, barWidth);
    nodes.push_front(node);
    selectedNode = &nodes.front();
    events |= kNodeAdded;
    RebuildNodeSprites();
}

void SliderBar::AddNode(float value, bool select) {
    SliderNode node;
    node.position = Fraction(value) * barWidth;
    node.tick = std::clamp(Truncate(node.position / tickSpacing), 0, tickCount - 1);
    node.position = std::clamp(node.position, 0.0f, barWidth);
    nodes.push_front(node);
    if (select) selectedNode = &nodes.front();
    events |= kNodeAdded;
    RebuildNodeSprites();
}

void SliderBar::SetValue(float value) {
    ApplyMove(Fraction(value) * barWidth - handlePosition);
    events |= kValueChanged;
    Layout();
}

void SliderBar::SetRange(float newMin, float newMax) {
    min = newMin;
    max = newMax;
    ClearNodes();
    SetValue(min);
    RebuildNodeSprites();
}

void SliderBar::SelectNodeAt(float value) {
    const float r = std::clamp(Fraction(value) * barWidth, 0.0f, barWidth);
    ui::RemoveSprite(selectionSprite);
    if (SliderNode* node = NodeUnder(r)) {
        selectedNode = node;
        SetValue(value);
    }
    RebuildNodeSprites();
}

void SliderBar::ReleaseSelection() {
    selectedNode = nullptr;
    ui::RemoveSprite(selectionSprite);
    events |= kSelectionDropped;
}

void SliderBar::ClearNodes() {
    nodes.clear();
    selectedNode = nullptr;
}

// The selected node always sits under the handle.
void SliderBar::RebuildNodeSprites() {
    ui::RemoveSprite(nodeSprite);
    if (!nodes.empty()) {
        std::vector<ScreenQuadItem> items;
        for (const SliderNode& node : nodes)
            items.push_back({x + gripWidth + node.position, y, depth - kNodeDepth, NodeWidth(), height});
        nodeSprite = MakeSprite("SliderNodes", "SliderBarNode.bmp", items.data(), std::uint32_t(items.size()));
    }
    if (!selectedNode) {
        ui::RemoveSprite(selectionSprite);
        events |= kSelectionDropped;
        return;
    }
    selectedNode->position = handlePosition + pendingMove;
    selectedNode->tick = TickAt(selectedNode->position);
    const ScreenQuadItem item{x + gripWidth + selectedNode->position, y, depth - kSelectionDepth, NodeWidth(),
                              height};
    if (selectionSprite)
        ui::PlaceSprite(selectionSprite, item);
    else
        selectionSprite = MakeSprite("SliderNodeSelected", "SliderBarNodeSelected.bmp", &item, 1);
}

void SliderBar::Layout() {
    sliderViewport = ui::CurrentViewport();
    tickSpacing = barWidth / float(tickCount - 1);
    ui::PlaceSprite(sprite, {x, y, depth, width, height});
    ui::PlaceSprite(stripSprite, {x, y, depth - kStripDepth, width, height});
    RebuildTicks();
    PlaceHandle();
    RebuildNodeSprites();
}

void SliderBar::MoveWithCursor() {
    if (const Cursor* cursor = FindCursor()) FollowCursor(*cursor, sliderViewport);
    Layout();
}

void SliderBar::Show() {
    for (ObjectScreenQuad* part : {handleSprite, stripSprite, tickSprite, nodeSprite, selectionSprite})
        ui::ShowSprite(part, true);
    UIObject::Show();
}

void SliderBar::Hide() {
    for (ObjectScreenQuad* part : {handleSprite, stripSprite, tickSprite, nodeSprite, selectionSprite})
        ui::ShowSprite(part, false);
    UIObject::Hide();
}

bool SliderBar::Shutdown() {
    if (!initialized) return false;
    DestroyChildren();
    GiveBackPress();
    for (ObjectScreenQuad** part : {&handleSprite, &stripSprite, &tickSprite, &nodeSprite, &selectionSprite, &sprite})
        ui::RemoveSprite(*part);
    initialized = false;
    return true;
}
