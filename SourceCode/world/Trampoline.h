#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

#include "characters/NPC.h"
#include "platform/d3dx/Math3D.h"
#include "world/GameObject.h"

class Body;
class ObjectCustom;
struct Point;
class TrampNode;

// One grid node of a trampoline: the node object, where its vertex is drawn
// and its texture coordinates.
struct TrampNodeRecord {
    TrampNode* node = nullptr;  // owned by "GameObjectsMan"
    D3DXVECTOR3 position;
    float column = 0.0f;
    float row = 0.0f;
};

// A rectangular sheet of point masses held together by damped springs, its
// four corners pinned. Every grid node is a hidden TrampNode whose point
// lives in the trampoline's body, so the collision step sees the nodes as
// spheres that hold and launch what lands on them; the sheet is drawn as one
// custom mesh whose vertices follow the nodes.
class Trampoline : public GameObject {
public:
    // The most vertices a sheet may have: its indices are 16-bit.
    static constexpr std::uint32_t kMaxVertices = 65536;
    // The body of the sheet the springs were tuned on (10 x 10 cells: 121
    // nodes and the trampoline's own point).
    static constexpr std::uint32_t kTunedSheetPoints = 11 * 11 + 1;
    // The inverse mass of the nodes of a sheet whose body has that many
    // points: 10 up to the tuned sheet, less (heavier nodes) beyond it.
    static float NodeInverseMassFor(std::uint32_t bodyPoints);

    Trampoline() = default;
    ~Trampoline() override;

    // a is the const ObjectDesc* of kind 1 (columns, rows, spacing, noBuild).
    bool Init(void* a = nullptr, void* b = nullptr) override;
    bool Shutdown() override;
    bool Update() override;

    bool Build(const ObjectDesc& desc);
    // Moves the sheet's vertices to the nodes and recomputes its normals.
    bool UpdateSurface();

    // The body's force function: the springs of the sheet.
    static void ApplySheetForces(Body* body);
    // The damped spring between points i and j of the body.
    static void ApplySpring(Body* body, std::uint32_t i, std::uint32_t j, float rest, float k, float d);

    // The springs of a sheet of nodeColumns x nodeRows nodes (point
    // 1 + r * nodeColumns + c is the node of row r, column c), in the order
    // they act: fn(i, j, rest length, stiffness, damping). The rest lengths
    // do not follow the spacing: a sheet built with another spacing than 2
    // starts stretched or compressed.
    template <class Fn>
    static void ForEachSpring(std::uint32_t nodeColumns, std::uint32_t nodeRows, Fn fn) {
        const std::uint32_t cols = nodeColumns;
        for (std::uint32_t r = 0; r < nodeRows; ++r) {
            for (std::uint32_t c = 0; c < cols; ++c) {
                const std::uint32_t i = 1 + r * cols + c;
                if (c + 1 < cols) fn(i, i + 1, 2.0f, 120.0f, 0.05f);
                if (r + 1 < nodeRows) fn(i, i + cols, 2.0f, 120.0f, 0.05f);
                if (c + 2 < cols) fn(i, i + 2, 4.0f, 175.0f, 0.15f);
                if (r + 2 < nodeRows) fn(i, i + 2 * cols, 4.0f, 175.0f, 0.15f);
                if (r > 0 && c + 1 < cols) fn(i, i - cols + 1, 2.828427f, 50.0f, 0.1f);
                if (r + 1 < nodeRows && c + 1 < cols) fn(i, i + cols + 1, 2.828427f, 50.0f, 0.1f);
            }
        }
    }

    ObjectCustom* Sheet() const;
    std::uint32_t Columns() const { return columns; }
    std::uint32_t Rows() const { return rows; }
    // What a node of this sheet weighs when it is free (a pinned node is 0).
    float NodeInverseMass() const { return nodeInverseMass; }

    std::uint32_t noBuild = 0;
    std::vector<TrampNodeRecord> records;
    std::uint32_t nodeCount = 0;
    float xStart = 0.0f;
    float zStart = 0.0f;
    // Where the script put the trampoline: its own point and the middle of
    // its grid (y is the nodes' height).
    D3DXVECTOR3 origin{0.0f, 0.0f, 0.0f};

private:
    // The sheet's springs as the physics step runs them: the force function
    // runs after every one of the body's points is integrated and each run
    // adds every spring's pull, so a point gathers N runs of pulls between
    // its integrations. A spring's pull changes only when one of its two
    // points moves, which within the body's step is one point per run (and
    // the few the collision step touches): the account keeps each spring's
    // pull and each point's sum of pulls per run, and hands a point its
    // gathered force just before it is integrated. The forces are the same
    // as adding every spring on every run, up to rounding, at a cost per
    // step that grows with the nodes instead of their square.
    struct SheetSpring {
        std::uint32_t i = 0, j = 0;
        float rest = 0.0f, k = 0.0f, d = 0.0f;
        D3DXVECTOR3 pull;  // on j; i gets the opposite
    };
    struct SheetAccount {
        std::vector<SheetSpring> springs;
        std::vector<std::vector<std::uint32_t>> springsOf;  // per point, in spring order
        std::vector<D3DXVECTOR3> perRun;   // per point: what one run adds to its force
        std::vector<D3DXVECTOR3> pending;  // per point: the runs not yet handed over
        std::vector<std::uint64_t> since;  // per point: the first run not in pending
        std::uint64_t run = 0;
        bool ready = false;
    };
    // Deletes the nodes that are still there: they go with their sheet.
    void DeleteNodes();
    void BuildAccount();
    void RunSheetForces(Body* body);
    void PinCorners(Body* body) const;
    void RefreshAll(Point* points);
    void RefreshAround(Point* points, std::uint32_t index);
    void SumPulls(std::uint32_t point);
    void Flush(std::uint32_t point, std::uint64_t upTo);

    bool CreateSheet();
    void CreateNodes(float spacing);
    bool SetSheetIndices();
    void RemoveSheet();
    // The node that point k + 1 still belongs to (null once it is deleted).
    TrampNode* LiveNode(std::size_t k) const;

    std::uint32_t columns = 0;  // cells along x
    std::uint32_t rows = 0;     // cells along z
    float nodeInverseMass = NodeInverseMassFor(kTunedSheetPoints);
    SheetAccount account;
};

// A grid node of a trampoline: a hidden sphere whose point is in the
// trampoline's body (it has no body of its own).
class TrampNode : public NPC {
public:
    TrampNode() = default;
    ~TrampNode() override;

    bool Init(void* a = nullptr, void* b = nullptr) override;
    // Takes its sphere out of the scene: a node goes with its sheet.
    bool Shutdown() override;
    bool Update() override { return true; }

private:
    friend class Trampoline;
    // The sheet whose record names this node, and which record; a node
    // deleted first clears the record, a sheet deleted first deletes the
    // node.
    Trampoline* sheet = nullptr;
    std::size_t record = 0;
};
