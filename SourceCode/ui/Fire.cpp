#include "ui/Fire.h"

#include "Video/ObjectDesc.h"
#include "Video/ObjectMesh.h"
#include "Video/Scene.h"
#include "Video/TextureMan.h"
#include "core/SystemNames.h"
#include "ui/Sprites.h"

namespace {
constexpr std::uint8_t kFireFlags = 16;
constexpr std::uint32_t kBumpTextureSemantic = 32;  // "BUMPTEXTURE0": the distortion
}  // namespace

Fire::~Fire() {
    if (initialized) Shutdown();
}

bool Fire::Init(void*, void*) {
    if (initialized) return false;
    name = names::Fire;
    Scene* scene = ui::MainScene();
    if (!scene) return false;
    const float diffuse[4] = {0.2f, 0.1f, 0.05f, 1.0f};
    const float specular[4] = {0.5f, 0.25f, 0.0f, 1.0f};
    const SurfaceData surface(diffuse, specular, 10, 0.85f, 0.1f, 0.4f);
    const MeshObjectDesc desc(kFireFlags, "plane.x", ui::kFireMaterial, surface, 2);
    quad = scene->CreateMeshObject(&desc);
    if (quad) {
        // The plane's +Y axis toward the viewer.
        const D3DXVECTOR3 towardViewer(0.0f, 0.0f, -1.0f);
        quad->SetDirection(&towardViewer);
        quad->ReplaceTextureSlot("fire.dds", kBaseTextureSemantic, 0, TextureMan::kFlat);
        quad->ReplaceTextureSlot("fireDistortion.tga", kBumpTextureSemantic, 1, TextureMan::kFlat);
    }
    initialized = true;
    return true;
}

bool Fire::Shutdown() {
    if (!initialized) return false;
    DestroyChildren();
    if (quad)
        if (Scene* scene = ui::MainScene()) scene->RemoveObject(quad, false);
    quad = nullptr;
    initialized = false;
    return true;
}
