#include "characters/ModelLimb.h"

#include <iterator>

#include "Video/MatrixMan.h"
#include "Video/ObjectMesh.h"
#include "Video/Scene.h"
#include "core/SystemNames.h"
#include "core/eTable.h"

namespace {

Scene* MainScene() { return static_cast<Scene*>(eTable::Peek(names::MainScene)); }
MatrixMan* Matrices() { return static_cast<MatrixMan*>(eTable::Peek(names::MatrixMan)); }

D3DXMATRIX* NewMatrix() {
    MatrixMan* pool = Matrices();
    return pool ? pool->AllocMatrix(nullptr) : nullptr;
}

void ReleaseMatrix(D3DXMATRIX* matrix) {
    if (MatrixMan* pool = Matrices(); pool && matrix) pool->ReleaseMatrix(matrix);
}

void RemoveModel(LimbControlPoint& point) {
    if (point.model)
        if (Scene* scene = MainScene()) scene->RemoveObject(point.model, false);
    point.model = nullptr;
}

}  // namespace

ModelLimb::~ModelLimb() { Shutdown(); }

bool ModelLimb::Init(void* a, void*) {
    if (initialized) return false;
    const auto* desc = static_cast<const LimbDesc*>(a);
    name = names::Limb;
    kind = kModel;
    if (desc) {
        bodyMatrix = desc->bodyMatrix;
        AddControlPoints(desc->points, desc->count);
    }
    initialized = true;
    return true;
}

void ModelLimb::AdoptPoint(const LimbControlPoint& point) {
    Limb::AdoptPoint(point);
    LimbControlPoint& added = *controlPoints.back();
    if (added.model && !added.matrix) {
        added.matrix = NewMatrix();
        added.model->SetWorldMatrix(added.matrix);
    }
}

void ModelLimb::ReleasePoint(LimbControlPoint& point) {
    RemoveModel(point);
    ReleaseMatrix(point.matrix);
    point.matrix = nullptr;
}

ObjectMesh* ModelLimb::AddModel(std::uint32_t index, const MeshObjectDesc* desc) {
    LimbControlPoint* point = GetControlPoint(index);
    Scene* scene = MainScene();
    if (!point || !desc || !scene) return nullptr;
    RemoveModel(*point);
    point->model = scene->CreateMeshObject(desc);
    if (!point->matrix) point->matrix = NewMatrix();
    point->model->SetWorldMatrix(point->matrix);
    PlaceUnturned(*point);
    return point->model;
}

void ModelLimb::ToggleEnabled() {
    active = !active;
    for (const auto& point : controlPoints)
        if (point->model) point->model->SetActive(active);
}

Object* ModelLimb::GetRenderObject(std::uint32_t index) {
    LimbControlPoint* point = GetControlPoint(index);
    return point ? point->model : nullptr;
}

bool ModelLimb::Update() {
    if (!initialized || !active) return false;
    UpdateChildren();
    if (!bodyMatrix || controlPoints.empty()) return false;
    // The models turn with the body but not with its translation, which is
    // added back after the point itself is carried.
    const D3DXVECTOR3 translation(bodyMatrix->_41, bodyMatrix->_42, bodyMatrix->_43);
    bodyMatrix->_41 = bodyMatrix->_42 = bodyMatrix->_43 = 0.0f;
    // Each model turns along the segment to the next point. The last one has
    // none: it goes on along the segment that leads to it (a lone model keeps
    // its turn), and follows the body like the others.
    D3DXVECTOR3 direction(0.0f, 0.0f, 0.0f);
    for (auto it = controlPoints.begin(); it != controlPoints.end(); ++it) {
        if (auto next = std::next(it); next != controlPoints.end())
            direction = (*next)->GetPosition() - (*it)->GetPosition();
        Place(**it, direction, translation);
    }
    bodyMatrix->_41 = translation.x;
    bodyMatrix->_42 = translation.y;
    bodyMatrix->_43 = translation.z;
    return controlPoints.size() >= 2;
}

void ModelLimb::PlaceUnturned(LimbControlPoint& point) {
    if (!point.matrix) return;
    D3DXVECTOR3 position = point.GetPosition(), carried = position;
    if (bodyMatrix) D3DXVec3TransformCoord(&carried, &position, bodyMatrix);
    D3DXMatrixTranslation(point.matrix, carried.x, carried.y, carried.z);
}

void ModelLimb::Place(LimbControlPoint& point, const D3DXVECTOR3& direction, const D3DXVECTOR3& translation) {
    if (!point.model || !point.matrix) return;
    ObjectMesh& model = *point.model;
    // A zero direction (coincident points) keeps the model's last turn.
    model.SetDirection(&direction);
    D3DXMATRIX rotation;
    D3DXQUATERNION turn = model.GetRotation();
    D3DXMatrixRotationQuaternion(&rotation, &turn);
    D3DXMatrixMultiply(point.matrix, &rotation, bodyMatrix);
    const D3DXVECTOR3 scale = model.GetScale();
    const float rowScale[3] = {scale.x, scale.y, scale.z};
    for (int row = 0; row < 3; ++row)
        for (int col = 0; col < 3; ++col) point.matrix->m[row][col] *= rowScale[row];
    D3DXVECTOR3 position = point.GetPosition(), carried;
    D3DXVec3TransformCoord(&carried, &position, bodyMatrix);
    point.matrix->_41 = carried.x + translation.x;
    point.matrix->_42 = carried.y + translation.y;
    point.matrix->_43 = carried.z + translation.z;
}
