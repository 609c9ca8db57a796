#pragma once
// The character editor's timeline: a horizontal bar with 30 ticks, a handle
// that shows a value in a range (0..1 unless set), and key-frame nodes that
// the user adds with the right mouse button, picks and drags. The owner reads
// `events` right after each Update.
#include <cstdint>
#include <list>

#include "ui/UIObject.h"

// What happened in the last Update (bits of SliderBar::events).
enum TimelineEvents : std::uint32_t {
    kValueChanged = 1,      // the handle moved
    kNodePicked = 2,        // a node was picked with the right button
    kSelectionDropped = 4,  // no node is selected
    kNodeMoved = 8,         // the selected node moved
    kNodeAdded = 16,
};

struct SliderNode {
    std::uint32_t data = 0;  // the owner's; the slider leaves it alone
    float position = 0.0f;   // offset from the bar start, 0..barWidth
    std::int32_t tick = 0;   // 0..tickCount - 1
};

class SliderBar : public UIObject {
public:
    SliderBar() = default;
    ~SliderBar() override;

    // Both arguments are ignored.
    bool Init(void* a = nullptr, void* b = nullptr) override;
    bool Shutdown() override;
    bool Update() override;
    void Show() override;
    void Hide() override;
    void MoveWithCursor() override;

    // The handle's value; during a drag its pending move counts, scaled to
    // the range like the rest.
    float GetValue() const;
    void SetValue(float value);
    // Empties the nodes and puts the handle at min.
    void SetRange(float newMin, float newMax);
    // A node at the value, newest first in the list.
    void AddNode(float value, bool select);
    // Selects the node under the value (and moves the handle there).
    void SelectNodeAt(float value);
    void ReleaseSelection();
    // Empties the node list and forgets the selection (no sprite work).
    void ClearNodes();
    // Rebuilds every sprite item from the current values.
    void Layout();

    const std::list<SliderNode>& Nodes() const { return nodes; }
    const SliderNode* SelectedNode() const { return selectedNode; }
    float HandlePosition() const { return handlePosition; }
    std::int32_t TickIndex() const { return tickIndex; }
    float TickSpacing() const { return tickSpacing; }
    float BarWidth() const { return barWidth; }
    std::int32_t TickCount() const { return tickCount; }
    ObjectScreenQuad* HandleSprite() const { return handleSprite; }
    ObjectScreenQuad* NodeSprite() const { return nodeSprite; }
    ObjectScreenQuad* SelectionSprite() const { return selectionSprite; }

    std::uint32_t events = 0;

private:
    // Where a value lies along the bar, 0..1 of its span; 0 for an empty range.
    float Fraction(float value) const;
    bool InsideBar(float cx, float cy) const;
    bool InHandle(float cx, float cy) const;
    void PressLeft(Cursor& cursor, float cx, float cy);
    void PressRight(Cursor& cursor, float cx, float cy);
    void Release(Cursor& cursor);
    void ApplyMove(float d);
    std::int32_t TickAt(float position) const;
    void DragHandle(float cx);
    void DragHandleWithNode();
    SliderNode* PickNodeAt(float cx);
    void AddNodeAtCursor(float cx);
    SliderNode* NodeUnder(float r);
    void RebuildNodeSprites();
    void RebuildTicks();
    void PlaceHandle();
    ObjectScreenQuad* MakeSprite(const char* typeName, const char* texture, const ScreenQuadItem* items,
                                 std::uint32_t count);
    float NodeWidth() const { return width / 32.0f; }

    float tickSpacing = 0.0f;
    std::int32_t tickCount = 30;
    float barWidth = 0.91796875f;
    float pendingMove = 0.0f;
    std::int32_t tickIndex = 0;
    float handlePosition = 0.0f;
    std::uint8_t draggingHandle = 0;
    SliderNode* selectedNode = nullptr;
    float min = 0.0f, max = 1.0f;
    ObjectScreenQuad* tickSprite = nullptr;
    ObjectScreenQuad* stripSprite = nullptr;
    ObjectScreenQuad* nodeSprite = nullptr;
    ObjectScreenQuad* selectionSprite = nullptr;
    ObjectScreenQuad* handleSprite = nullptr;
    D3DVIEWPORT9 sliderViewport{};
    std::list<SliderNode> nodes;
};
