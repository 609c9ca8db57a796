#pragma once
// The pair of eyes of a character, embedded in every NPC. Each eye is a
// small mesh in "Main Scene" with its own world matrix, carried by the
// body's world matrix at a fixed direction from the body's centre, one unit
// out (scaled with the body).
#include <cstdint>
#include <string>

#include "Video/ObjectDesc.h"
#include "platform/d3dx/Math3D.h"

class ObjectMesh;

class Face {
public:
    static constexpr std::size_t kMaxTextureName = 127;

    struct Eye {
        ObjectMesh* object = nullptr;
        D3DXVECTOR3 direction;
        D3DXMATRIX* matrix = nullptr;
    };

    Face() = default;
    Face(const Face&) = delete;
    Face& operator=(const Face&) = delete;
    virtual ~Face();

    // Makes both eyes (or keeps those there are), binds the eye texture
    // (BASETEXTURE0, slot 0) and the pupil texture (SILOTEXTURE, slot 1)
    // in place of what they held, and gives both eyes the material kind and
    // surface. Nothing but the eyes is made when an eye mesh is missing.
    void Init(const char* eyeTexture, const char* pupilTexture, std::uint32_t materialKind,
              const SurfaceData* surface);
    // The eye object of index 0 (left, "leftEye.x") or 1 (right,
    // "rightEye.x"), made in "Main Scene" when there is none.
    ObjectMesh* LoadEye(std::uint32_t index, std::uint32_t materialKind, const SurfaceData* surface);
    void ReleaseEye(Eye& eye);
    // Both names emptied and both eyes released.
    void Reset();
    // Places the active eyes on the body; false without a body matrix.
    bool Update();

    // Before an eye draws: no velocity (the eyes never smear with the body).
    static void EyeRenderCallback(void* context);

    D3DXMATRIX* bodyMatrix = nullptr;
    std::string eyeTexture;
    std::string pupilTexture;
    Eye eyes[2];
    std::uint32_t eyeMaterialKind = 1;
    SurfaceData eyeSurface;

private:
    void ApplyLook(std::uint32_t materialKind, const SurfaceData& surface);
};
