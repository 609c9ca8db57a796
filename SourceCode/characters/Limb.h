#pragma once
// A limb of a character: a child system drawn from at most ten control
// points in the body's space. A line limb is a thick line through them, a
// spline limb a smooth curve, a model limb a chain of small mesh models, one
// per point, each turned toward the next point and carried by the body's
// world matrix. Animations move the control points; the character file
// stores them.
#include <cstdint>
#include <list>
#include <memory>

#include "core/System.h"
#include "platform/d3dx/Math3D.h"

class ObjectMesh;
class Object;

namespace names {
// The name of every limb: the character recognises its limb children by it.
inline constexpr char Limb[] = "Limb";
}  // namespace names

// Limb locations: the console's limb commands take these names.
namespace limbloc {
enum : std::uint32_t { LArm = 0, RArm, LLeg, RLeg, Head, Count, Unset = 0xFFFFFFFF };
// The locations' names, as the editor shows and takes them, by location.
inline constexpr const char* kNames[Count] = {"LArm", "RArm", "LLeg", "RLeg", "Head"};
}

// One control point. Line limbs use the width, spline limbs the width and
// the tension, model limbs the model and its matrix from "MatrixMan".
struct LimbControlPoint {
    D3DXVECTOR3 position;
    D3DXVECTOR3 restPosition;
    // Where the point is drawn during a cross-fade; (0, 0, 0) means unset.
    D3DXVECTOR3 targetPosition;
    float width = 0.0f;
    float tension = 0.0f;
    ObjectMesh* model = nullptr;
    D3DXMATRIX* matrix = nullptr;

    D3DXVECTOR3 GetPosition() const { return HasTarget() ? targetPosition : position; }
    // The offset from the rest position that is drawn.
    D3DXVECTOR3 GetOffset() const { return GetPosition() - restPosition; }
    bool HasTarget() const { return targetPosition != D3DXVECTOR3(0.0f, 0.0f, 0.0f); }
};

// What a limb is made from: count records of the limb's kind, and the
// colour and texture of a line or spline limb, or the body's world matrix
// for a model limb.
struct LimbDesc {
    std::uint32_t count = 0;
    const LimbControlPoint* points = nullptr;
    float colour[4] = {0.0f, 0.0f, 0.0f, 1.0f};
    const char* texture = nullptr;
    D3DXMATRIX* bodyMatrix = nullptr;
};

class Limb : public System {
public:
    enum Kind : std::uint32_t { kLine = 0, kSpline = 1, kModel = 2 };
    static constexpr std::uint32_t kMaxControlPoints = 10;

    ~Limb() override;

    // a: const LimbDesc*; b: ignored.
    bool Init(void* a = nullptr, void* b = nullptr) override = 0;
    bool Shutdown() override;

    // Appends copies of count records; refused (nothing added, false) when
    // the limb would hold more than ten.
    virtual bool AddControlPoints(const LimbControlPoint* points, std::uint32_t count);
    // Frees the record at index; a bad index does nothing.
    virtual void RemoveControlPoint(std::uint32_t index);
    // Sends the points' drawn positions to the render object.
    virtual void Rebuild() = 0;
    // Flips the active flag of the limb and of what draws it.
    virtual void ToggleEnabled() = 0;
    // The line or spline object whatever the index; a model limb's model of
    // that point, or null.
    virtual Object* GetRenderObject(std::uint32_t index) = 0;
    // Carries the limb by another body matrix (null: none).
    virtual void SetBodyMatrix(D3DXMATRIX* matrix) = 0;

    LimbControlPoint* GetControlPoint(std::uint32_t index);
    std::uint32_t ControlPointCount() const { return static_cast<std::uint32_t>(controlPoints.size()); }
    const std::list<std::unique_ptr<LimbControlPoint>>& ControlPoints() const { return controlPoints; }

    std::uint32_t kind = kLine;
    std::uint32_t location = limbloc::Unset;

protected:
    // Takes the record's own resources back (model limbs); the base frees
    // nothing but the record.
    virtual void ReleasePoint(LimbControlPoint& point);
    // Appends one copy; the model limb gives it a matrix.
    virtual void AdoptPoint(const LimbControlPoint& point);
    void ReleaseAllPoints();

    std::list<std::unique_ptr<LimbControlPoint>> controlPoints;
};

// A limb's system name marks it among a character's children.
inline bool IsLimb(const System* child) { return child && child->Name() == names::Limb; }
