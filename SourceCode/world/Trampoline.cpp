#include "world/Trampoline.h"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <utility>

#include "Video/Mesh.h"
#include "Video/ObjectDesc.h"
#include "Video/ObjectMesh.h"
#include "Video/Scene.h"
#include "core/SystemNames.h"
#include "core/eTable.h"
#include "platform/d3dx/D3DXMesh.h"
#include "world/GameObjectsMan.h"
#include "world/Physics.h"

namespace {
constexpr char kTrampolineName[] = "Trampoline";
constexpr char kTrampNodeName[] = "TrampNode";

constexpr std::uint32_t kSheetMaterial = 6;
constexpr std::uint32_t kSheetComponents = CustomVertex::kNormal | CustomVertex::kTexCoord;
constexpr std::uint32_t kSheetMeshOptions = 0x880;  // dynamic vertex and index buffers
constexpr float kTunedNodeInverseMass = 10.0f;
constexpr float kSheetInverseMass = 1.0f;

Scene* MainScene() { return static_cast<Scene*>(eTable::Peek(names::MainScene)); }

// The grid of a sheet body: columns and rows of nodes (not cells). A body
// whose owner is no longer a trampoline is taken as the square that its
// point count makes.
void GridOf(Body* body, std::uint32_t* nodeColumns, std::uint32_t* nodeRows) {
    const GameObject* owner = body->points.empty() ? nullptr : body->points[0].owner;
    if (owner && owner->kind == kKindTrampoline) {
        auto* trampoline = static_cast<const Trampoline*>(owner);
        *nodeColumns = trampoline->Columns() + 1;
        *nodeRows = trampoline->Rows() + 1;
        return;
    }
    const auto side = static_cast<std::uint32_t>(std::sqrt(float(body->PointCount() - 1)));
    *nodeColumns = *nodeRows = side;
}
}  // namespace

Trampoline::~Trampoline() {
    if (initialized) Shutdown();
    for (TrampNodeRecord& record : records)
        if (record.node) record.node->sheet = nullptr;
}

bool Trampoline::Init(void* a, void*) {
    if (initialized || !a) return false;
    const ObjectDesc& desc = *static_cast<const ObjectDesc*>(a);
    name = kTrampolineName;
    kind = kKindTrampoline;
    if (desc.noBuild == 0 && !Build(desc)) return false;
    noBuild = desc.noBuild;
    id = objectid::kTrampoline;
    initialized = true;
    return true;
}

bool Trampoline::Build(const ObjectDesc& desc) {
    // Sizes come from scripts: an empty grid, or one whose vertices 16-bit
    // indices cannot reach, is refused.
    if (desc.columns < 1 || desc.rows < 1) return false;
    const std::uint64_t vertices = std::uint64_t(desc.columns + 1ull) * (desc.rows + 1ull);
    if (vertices > kMaxVertices) return false;
    columns = desc.columns;
    rows = desc.rows;
    if (!CreateSheet()) return false;

    auto* physics = eTable::Find<Physics>(names::Physics);
    if (!physics) {
        RemoveSheet();
        return false;
    }
    // The sheet stands where the script put it: its own point (which the
    // sheet object follows) there, the nodes around it.
    origin = desc.position;
    renderObject->SetPosition(origin.x, origin.y, origin.z);
    renderObject->UpdateWorldMatrix();
    physics->AddBody(this, kSheetInverseMass);
    body->points[0].collides = 0;

    nodeCount = static_cast<std::uint32_t>(vertices);
    nodeInverseMass = NodeInverseMassFor(nodeCount + 1);
    records.assign(nodeCount, TrampNodeRecord{});
    // Columns run along x and rows along z, so each start is half of its
    // own side: every sheet is centred on its place, square or not.
    xStart = origin.x - float(columns) * desc.spacing / 2.0f;
    zStart = origin.z - float(rows) * desc.spacing / 2.0f;
    CreateNodes(desc.spacing);
    BuildAccount();
    body->AddForceFunc(ApplySheetForces);

    if (!SetSheetIndices()) {
        // Nothing may be left pointing at the sheet or the records.
        RemoveSheet();
        DeleteNodes();
        records.clear();
        physics->RemoveBody(this);
        body = nullptr;
        return false;
    }
    return true;
}

// The springs act once per point of the body and step, so a node's pull per
// step grows with the sheet. Beyond the tuned sheet the nodes grow heavier in
// the same proportion: a step moves them as it moves the tuned sheet's, which
// the fixed step can follow, where lighter nodes would swing further each
// step until the sheet flew apart. Sheets up to the tuned size keep the tuned
// nodes.
float Trampoline::NodeInverseMassFor(std::uint32_t bodyPoints) {
    if (bodyPoints <= kTunedSheetPoints) return kTunedNodeInverseMass;
    return kTunedNodeInverseMass * (float(kTunedSheetPoints) / float(bodyPoints));
}

bool Trampoline::CreateSheet() {
    Scene* scene = MainScene();
    if (!scene) return false;
    CustomObjectDesc desc;
    desc.materialKind = kSheetMaterial;
    desc.flags = 0;
    desc.meshName = "";
    desc.vertexComponents = kSheetComponents;
    desc.vertexCount = (columns + 1) * (rows + 1);
    desc.indexCount = 6 * columns * rows;
    desc.reserved = 4;
    desc.textureSlotCount = 1;
    desc.meshOptions = kSheetMeshOptions;
    auto* sheet = new ObjectCustom();
    if (!sheet->Init(&desc)) {
        delete sheet;
        return false;
    }
    scene->AddObject(sheet, &desc);
    renderObject = sheet;
    sheet->SetTextureSlot("WALL_COPY.bmp", kBaseTextureSemantic, 0);
    const float diffuse[4] = {0.5f, 0.5f, 0.5f, 1.0f};
    const float specular[4] = {0.9f, 0.9f, 1.0f, 1.0f};
    sheet->surface = SurfaceData(diffuse, specular, 10, 1.5f, 0.01f, 1.5f);
    return true;
}

// Row by row from the -z edge, each row from the -x edge: node k is point
// k + 1 of the body. The nodes are hidden; only the sheet is drawn.
void Trampoline::CreateNodes(float spacing) {
    auto* objects = eTable::Find<GameObjectsMan>(names::GameObjectsMan);
    ObjectDesc nodeDesc;
    nodeDesc.kind = kKindTrampNode;
    for (std::uint32_t r = 0; r <= rows; ++r) {
        for (std::uint32_t c = 0; c <= columns; ++c) {
            TrampNodeRecord& record = records[r * (columns + 1) + c];
            record.position = {xStart + float(c) * spacing, origin.y, zStart + float(r) * spacing};
            record.column = float(c);
            record.row = float(r);
            auto* node = objects ? static_cast<TrampNode*>(objects->CreateObject(&nodeDesc)) : nullptr;
            record.node = node;
            if (node) {
                node->sheet = this;
                node->record = std::size_t(r) * (columns + 1) + c;
                node->SetRenderPosition(&record.position);
            }
            body->AddPoint(node, record.position.x, record.position.y, record.position.z, nodeInverseMass);
            if (node) node->Disable();
        }
    }
}

bool Trampoline::SetSheetIndices() {
    std::vector<std::uint16_t> indices;
    indices.reserve(std::size_t(6) * columns * rows);
    for (std::uint32_t q = 0; q < columns * rows; ++q) {
        const std::uint32_t row = q / columns, column = q % columns;
        const std::uint32_t i0 = (columns + 1) * row + column, i1 = i0 + columns + 1;
        for (std::uint32_t i : {i0, i1, i0 + 1, i0 + 1, i1, i1 + 1}) indices.push_back(std::uint16_t(i));
    }
    ObjectCustom* sheet = Sheet();
    return sheet && sheet->SetIndices(indices.data(), 0, 0);
}

void Trampoline::RemoveSheet() {
    if (!renderObject) return;
    if (Scene* scene = MainScene()) scene->RemoveObject(renderObject, false);
    renderObject = nullptr;
}

ObjectCustom* Trampoline::Sheet() const { return static_cast<ObjectCustom*>(renderObject); }

TrampNode* Trampoline::LiveNode(std::size_t k) const {
    if (!body || k + 1 >= body->points.size()) return nullptr;
    // A deleted node is cleared from its point; the record may still name it.
    GameObject* owner = body->points[k + 1].owner;
    return owner == records[k].node ? records[k].node : nullptr;
}

bool Trampoline::Update() {
    if (!initialized || !active) return false;
    UpdateChildren();
    UpdateSurface();
    return true;
}

// The sheet object stays at the trampoline's place, and its vertices are
// the positions of the nodes, one unit above their centres, from there.
bool Trampoline::UpdateSurface() {
    ObjectCustom* sheet = Sheet();
    if (!sheet) return false;
    if (body) body->SetPosition(&origin);
    std::vector<CustomVertex> vertices(records.size());
    for (std::size_t k = 0; k < records.size(); ++k) {
        TrampNodeRecord& record = records[k];
        if (TrampNode* node = LiveNode(k)) record.position = node->GetRenderPosition() + D3DXVECTOR3(0.0f, 1.0f, 0.0f);
        vertices[k].x = record.position.x - origin.x;
        vertices[k].y = record.position.y - origin.y;
        vertices[k].z = record.position.z - origin.z;
        vertices[k].u = record.column;
        vertices[k].v = record.row;
    }
    if (!sheet->SetVertices(vertices.data(), 0, 0)) return false;
    if (Mesh* mesh = sheet->GetMesh(); mesh && mesh->mesh) D3DXComputeNormals(mesh->mesh, nullptr);
    return true;
}

bool Trampoline::Shutdown() {
    if (!initialized) return false;
    DestroyChildren();
    DeleteNodes();
    RemoveSheet();
    if (auto* physics = static_cast<Physics*>(eTable::Peek(names::Physics))) physics->RemoveBody(this);
    body = nullptr;
    records.clear();
    initialized = false;
    return true;
}

// A sheet deleted with its level, or by a script, takes its nodes along:
// left behind, every load of a level that builds a sheet would add a sheet's
// worth of hidden nodes to every lookup and to the scene.
void Trampoline::DeleteNodes() {
    auto* objects = static_cast<GameObjectsMan*>(eTable::Peek(names::GameObjectsMan));
    for (TrampNodeRecord& record : records) {
        TrampNode* node = std::exchange(record.node, nullptr);
        if (!node) continue;
        node->sheet = nullptr;
        if (objects) objects->DeleteObject(node);
    }
}

namespace {
// The spring's pull on a (b gets the opposite): along the spring by its
// stretch, plus damping of the whole relative velocity (not only its part
// along the spring). Coincident points give no direction: only the damping.
inline void Spring(Point& a, Point& b, float rest, float k, float d) {
    const D3DXVECTOR3 between = a.position - b.position;
    const float length = std::sqrt(between.x * between.x + between.y * between.y + between.z * between.z);
    D3DXVECTOR3 t = (a.velocity - b.velocity) * d;
    if (length > 0.0f) t = between / length * (length - rest) * k + t;
    a.force -= t;
    b.force += t;
}
}  // namespace

void Trampoline::ApplySpring(Body* body, std::uint32_t i, std::uint32_t j, float rest, float k, float d) {
    Point* a = body->GetPoint(i);
    Point* b = body->GetPoint(j);
    if (a && b) Spring(*a, *b, rest, k, d);
}

// Within the physics step the trampoline's own account runs the springs;
// called otherwise (or for a body that is no longer a trampoline's) every
// spring pulls once.
void Trampoline::ApplySheetForces(Body* body) {
    if (body->PointCount() < 2) return;
    GameObject* owner = body->points[0].owner;
    if (body->stepIndex >= 0 && owner && owner->kind == kKindTrampoline) {
        auto* trampoline = static_cast<Trampoline*>(owner);
        if (trampoline->body == body && !trampoline->account.springs.empty() &&
            body->PointCount() == trampoline->nodeCount + 1) {
            trampoline->RunSheetForces(body);
            return;
        }
    }
    std::uint32_t cols = 0, rowsOfNodes = 0;
    GridOf(body, &cols, &rowsOfNodes);
    if (cols == 0 || rowsOfNodes == 0 || std::uint64_t(cols) * rowsOfNodes + 1 > body->PointCount()) return;

    const std::uint32_t last = cols * rowsOfNodes;
    for (std::uint32_t corner : {1u, cols, (rowsOfNodes - 1) * cols + 1, last})
        body->points[corner].inverseMass = 0.0f;

    // Every index is inside the body (checked above).
    Point* points = body->points.data();
    ForEachSpring(cols, rowsOfNodes, [points](std::uint32_t i, std::uint32_t j, float rest, float k, float d) {
        Spring(points[i], points[j], rest, k, d);
    });
}

void Trampoline::BuildAccount() {
    account = SheetAccount{};
    const std::uint32_t points = nodeCount + 1;
    account.springsOf.resize(points);
    ForEachSpring(columns + 1, rows + 1, [this](std::uint32_t i, std::uint32_t j, float rest, float k, float d) {
        const auto index = static_cast<std::uint32_t>(account.springs.size());
        account.springs.push_back({i, j, rest, k, d, {}});
        account.springsOf[i].push_back(index);
        account.springsOf[j].push_back(index);
    });
    account.perRun.assign(points, D3DXVECTOR3());
    account.pending.assign(points, D3DXVECTOR3());
    account.since.assign(points, 0);
}

void Trampoline::PinCorners(Body* b) const {
    const std::uint32_t cols = columns + 1, last = nodeCount;
    for (std::uint32_t corner : {1u, cols, last - cols + 1, last}) b->points[corner].inverseMass = 0.0f;
}

// Run r follows the integration of point r mod N. Before the first run of a
// step anything may have moved the points (other bodies' collisions, timed
// moves, scripts), so every spring is measured again; after that only the
// point just integrated and those the collision step touched.
void Trampoline::RunSheetForces(Body* b) {
    Point* points = b->points.data();
    const auto integrated = static_cast<std::uint32_t>(b->stepIndex);
    if (integrated == 0 || !account.ready) {
        RefreshAll(points);
    } else {
        RefreshAround(points, integrated);
        for (std::uint32_t touched : b->collided)
            if (touched < b->PointCount()) RefreshAround(points, touched);
    }
    b->collided.clear();
    PinCorners(b);
    // The next point is integrated before the next run: it takes what it
    // has gathered, this run included.
    const std::uint32_t next = integrated + 1;
    if (next < b->PointCount()) {
        Flush(next, account.run + 1);
        points[next].force += account.pending[next];
        account.pending[next] = D3DXVECTOR3();
    }
    ++account.run;
}

void Trampoline::Flush(std::uint32_t point, std::uint64_t upTo) {
    const std::uint64_t runs = upTo - account.since[point];
    if (runs > 0) account.pending[point] += account.perRun[point] * float(runs);
    account.since[point] = upTo;
}

void Trampoline::SumPulls(std::uint32_t point) {
    D3DXVECTOR3 sum;
    for (std::uint32_t s : account.springsOf[point]) {
        const SheetSpring& spring = account.springs[s];
        if (spring.i == point)
            sum -= spring.pull;
        else
            sum += spring.pull;
    }
    account.perRun[point] = sum;
}

namespace {
D3DXVECTOR3 PullOf(const Point& a, const Point& b, float rest, float k, float d) {
    Point first = a, second = b;
    first.force = second.force = D3DXVECTOR3();
    Spring(first, second, rest, k, d);
    return second.force;
}
}  // namespace

void Trampoline::RefreshAll(Point* points) {
    for (std::uint32_t p = 0; p < account.perRun.size(); ++p) Flush(p, account.run);
    for (SheetSpring& s : account.springs) s.pull = PullOf(points[s.i], points[s.j], s.rest, s.k, s.d);
    for (std::uint32_t p = 0; p < account.perRun.size(); ++p) SumPulls(p);
    account.ready = true;
}

void Trampoline::RefreshAround(Point* points, std::uint32_t index) {
    if (index >= account.springsOf.size()) return;
    for (std::uint32_t s : account.springsOf[index]) {
        SheetSpring& spring = account.springs[s];
        Flush(spring.i, account.run);
        Flush(spring.j, account.run);
        spring.pull = PullOf(points[spring.i], points[spring.j], spring.rest, spring.k, spring.d);
    }
    // Each neighbour once (a node has at most a dozen springs).
    std::uint32_t summed[32];
    std::size_t count = 0;
    for (std::uint32_t s : account.springsOf[index]) {
        for (std::uint32_t point : {account.springs[s].i, account.springs[s].j}) {
            if (std::find(summed, summed + count, point) != summed + count) continue;
            SumPulls(point);
            if (count < std::size(summed)) summed[count++] = point;
        }
    }
}

bool TrampNode::Init(void*, void*) {
    if (initialized) return false;
    name = kTrampNodeName;
    kind = kKindTrampNode;
    Scene* scene = MainScene();
    if (!scene) return false;
    if (renderObject) scene->RemoveObject(renderObject, false);
    const MeshObjectDesc desc(0, "Body/sphereLow.x", 1, SurfaceData(), 0);
    renderObject = scene->CreateMeshObject(&desc);
    initialized = true;
    return renderObject != nullptr;
}

TrampNode::~TrampNode() {
    if (sheet && record < sheet->records.size() && sheet->records[record].node == this)
        sheet->records[record].node = nullptr;
}

bool TrampNode::Shutdown() {
    if (!initialized) return false;
    if (renderObject)
        if (Scene* scene = MainScene()) scene->RemoveObject(renderObject, false);
    renderObject = nullptr;
    initialized = false;
    return true;
}
