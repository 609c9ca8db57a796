#pragma once
// A limb drawn as a thick line through its control points (an ObjectLine
// in "Main Scene", material kind 5), in the body's space: the line object
// draws with the body's world matrix.
#include "characters/Limb.h"

class ObjectLine;
struct SceneObjectDesc;

class LineLimb : public Limb {
public:
    LineLimb() { kind = kLine; }
    ~LineLimb() override;

    // a: const LimbDesc* (colour, texture, points). False when initialised
    // or when "Main Scene" is missing.
    bool Init(void* a = nullptr, void* b = nullptr) override;
    bool Shutdown() override;

    // Refused without a render object.
    bool AddControlPoints(const LimbControlPoint* points, std::uint32_t count) override;
    void RemoveControlPoint(std::uint32_t index) override;
    void Rebuild() override;
    void ToggleEnabled() override;
    Object* GetRenderObject(std::uint32_t index) override;
    void SetBodyMatrix(D3DXMATRIX* matrix) override;

protected:
    // The render object of this kind of limb, not yet initialised.
    virtual ObjectLine* MakeRenderObject();
    bool InitWith(const LimbDesc* desc, std::uint32_t limbKind);

    ObjectLine* renderObject = nullptr;
};
