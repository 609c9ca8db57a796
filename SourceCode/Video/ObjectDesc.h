#pragma once
// The records render objects are made from and the surface and texture
// values they hand their material every frame. Creators fill a description
// on the stack, construct the object, call its Init with the description and
// give it to the scene (Scene::AddObject), which reads only the material
// kind and the flags at the head of every description.
#include <cstdint>
#include <vector>

class IDirect3DBaseTexture9;
class Mesh;

// The surface of a render object: what its shader gets as "DIFFUSECOLOR",
// "SPECULARCOLOR", "SPECULARPOWER", "COOKTORRANCE" and "ROUGHNESS". The same
// twelve words as the "SurfaceData" template of character and surface files.
struct SurfaceData {
    float diff[4];
    float spec[4];
    std::uint32_t pow;
    float m;    // roughness
    float n;
    float str;

    // The defaults: white diffuse and specular, power 10, m 0.5, n 0.01,
    // str 1.5.
    SurfaceData() { SetDefaults(); }
    SurfaceData(const float* diff4, const float* spec4, std::uint32_t pow, float m, float n, float str);
    void SetDefaults();
    // Every float finite: what a surface file can hold.
    bool IsFinite() const;
};

// Semantic of the base texture, the one a new texture slot is bound to.
inline constexpr std::uint32_t kBaseTextureSemantic = 30;

// A texture bound to an effect-parameter semantic (30 to 36). A slot that
// holds a texture holds one reference in "TextureMan".
struct TextureSlot {
    IDirect3DBaseTexture9* texture = nullptr;
    std::uint32_t semantic = kBaseTextureSemantic;
};

// One point of a line strip, or one control point of a spline.
struct LinePoint {
    float x = 0.0f, y = 0.0f, z = 0.0f;
    float width = 0.0f;    // width of the strip at this point
    float tension = 0.0f;  // splines only: scale of the tangent here
};

// One screen quad in units of -1..1 with y upward: (x, y) is the top-left
// corner; a height of 0 or below makes a square of the width.
struct ScreenQuadItem {
    float x = 0.0f, y = 0.0f, z = 0.0f;
    float width = 0.0f, height = 0.0f;
};

// One vertex of a custom mesh as its creator gives it; only the components
// the object was made with are packed into the mesh.
struct CustomVertex {
    float x = 0.0f, y = 0.0f, z = 0.0f;
    float rhw = 0.0f;  // with kPretransformed only
    float nx = 0.0f, ny = 0.0f, nz = 0.0f;
    float tx = 0.0f, ty = 0.0f, tz = 0.0f;
    std::uint32_t colour = 0;  // A8R8G8B8
    float u = 0.0f, v = 0.0f;

    // Component bits of a custom object.
    enum : std::uint32_t {
        kPretransformed = 1,  // POSITIONT (x, y, z, rhw) instead of POSITION (x, y, z)
        kNormal = 2,
        kTangent = 4,
        kColour = 8,
        kTexCoord = 16,
    };
};

// The head of every description: the only fields the scene reads when it
// files an object.
struct ObjectDescHeader {
    std::uint32_t materialKind = 0;
    std::uint32_t flags = 0;  // the Object flag bits (a byte)
};

// Describes an ObjectMesh.
struct MeshObjectDesc : ObjectDescHeader {
    const char* meshFile = nullptr;  // under "/Assets/Models/", e.g. "plane.x"
    std::uint32_t textureSlotCount = 0;
    SurfaceData surface;

    MeshObjectDesc() = default;
    // Note the argument order, which is not the order of the fields.
    MeshObjectDesc(std::uint8_t flags, const char* meshFile, std::uint32_t materialKind, const SurfaceData& surface,
                   std::uint32_t textureSlotCount);
};

// Describes an ObjectCustom: a mesh the object creates for itself and whose
// vertices and indices its creator fills.
struct CustomObjectDesc : ObjectDescHeader {
    const char* meshName = nullptr;  // a label; every custom object gets a mesh of its own
    std::uint32_t vertexComponents = 0;  // CustomVertex component bits
    std::uint32_t vertexCount = 0;       // raised to 3 when smaller
    std::uint32_t indexCount = 0;        // raised to 3 when smaller; index count / 3 faces
    std::uint32_t reserved = 0;
    const CustomVertex* vertices = nullptr;  // all of them, or null
    const std::uint16_t* indices = nullptr;  // all of them, or null
    std::uint32_t textureSlotCount = 0;
    std::uint32_t meshOptions = 0;  // D3DXMESH option bits
};

// Describes a line, spline or screen-quad object. Lines and splines read
// `points` (pointCount LinePoints), screen quads read `quads` (pointCount
// items); either may be null, which leaves the object without an array.
struct SceneObjectDesc : ObjectDescHeader {
    const char* typeName = nullptr;
    std::uint32_t textureSlots = 0;
    std::uint32_t pointCount = 0;
    SurfaceData surface;
    const LinePoint* points = nullptr;
    const ScreenQuadItem* quads = nullptr;

    SceneObjectDesc() = default;
    SceneObjectDesc(std::uint8_t flags, const char* typeName, std::uint32_t materialKind, std::uint32_t pointCount,
                    const SurfaceData& surface, std::uint32_t textureSlots, const LinePoint* points);
    SceneObjectDesc(std::uint8_t flags, const char* typeName, std::uint32_t materialKind, std::uint32_t pointCount,
                    const SurfaceData& surface, std::uint32_t textureSlots, const ScreenQuadItem* quads);
};

// The texture slots of one render object. Slot indices are signed: a
// negative index or one at or beyond the count is refused with false.
class TextureSlotArray {
public:
    TextureSlotArray() = default;
    TextureSlotArray(const TextureSlotArray&) = delete;
    TextureSlotArray& operator=(const TextureSlotArray&) = delete;
    ~TextureSlotArray() { Release(); }

    // Releases the old slots and makes count empty ones bound to 30.
    void Alloc(std::uint32_t count);
    // Gives every texture back to "TextureMan" and leaves no slot.
    void Release();

    // Loads the file through "TextureMan" (type 0 2D, 1 volume, 2 cube)
    // into the slot, releasing what the slot held. On success the slot's
    // semantic becomes `semantic`; a failed load leaves the slot empty with
    // its old semantic.
    bool Set(const char* file, std::uint32_t semantic, std::int32_t slot, std::uint32_t type);
    // Shares another slot's texture (one more reference) and semantic.
    bool Share(const TextureSlot* source, std::int32_t slot);

    // Publishes every held texture under its semantic; when none is bound
    // to "BASETEXTURE0", that gets the mesh's first texture (or null).
    void Bind(const Mesh* mesh) const;
    // The texture of slot 0, or null.
    IDirect3DBaseTexture9* First() const;

    std::uint32_t Count() const { return static_cast<std::uint32_t>(slots.size()); }
    const TextureSlot* Slot(std::int32_t index) const;

private:
    bool Valid(std::int32_t index) const { return index >= 0 && static_cast<std::size_t>(index) < slots.size(); }
    std::vector<TextureSlot> slots;
};

// Publishes a surface as the shader values of a mesh draw: "DIFFUSECOLOR",
// "SPECULARCOLOR", "SPECULARPOWER", "COOKTORRANCE", "ROUGHNESS", and
// "OBJSCALE" from the object's scale (its fourth value the largest).
void PublishSurface(const SurfaceData& surface, const float scale[3]);
