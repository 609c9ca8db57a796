#pragma once
// A limb drawn as a chain of small mesh models, one per control point, each
// turned toward the next point (its +Y axis along the segment) and carried
// by the body's world matrix. The update places every model but the last
// point's, which has no segment of its own: a model stands at its point,
// unturned, from the moment it is added until the update places it.
#include "characters/Limb.h"

struct MeshObjectDesc;

class ModelLimb : public Limb {
public:
    ModelLimb() { kind = kModel; }
    ~ModelLimb() override;

    // a: const LimbDesc* (points and the body's world matrix).
    bool Init(void* a = nullptr, void* b = nullptr) override;
    // Places the models: false without a body matrix or with fewer than two
    // points.
    bool Update() override;

    void Rebuild() override {}
    void ToggleEnabled() override;
    Object* GetRenderObject(std::uint32_t index) override;
    void SetBodyMatrix(D3DXMATRIX* matrix) override { bodyMatrix = matrix; }
    D3DXMATRIX* BodyMatrix() const { return bodyMatrix; }

    // A new model for point index from desc, replacing the point's old one;
    // null for a bad index or a null description.
    ObjectMesh* AddModel(std::uint32_t index, const MeshObjectDesc* desc);

protected:
    void ReleasePoint(LimbControlPoint& point) override;
    void AdoptPoint(const LimbControlPoint& point) override;

private:
    void PlaceUnturned(LimbControlPoint& point);
    void Place(LimbControlPoint& point, const D3DXVECTOR3& direction, const D3DXVECTOR3& translation);

    D3DXMATRIX* bodyMatrix = nullptr;
};
