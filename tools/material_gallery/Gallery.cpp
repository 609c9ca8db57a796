#include "Gallery.h"

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "Video/Camera.h"
#include "Video/Effects/Effect.h"
#include "Video/Effects/EffectParams.h"
#include "Video/Effects/Material.h"
#include "Video/Effects/MaterialMan.h"
#include "Video/LightMan.h"
#include "Video/Mesh.h"
#include "Video/ObjectDesc.h"
#include "Video/ObjectLine.h"
#include "Video/ObjectMesh.h"
#include "Video/Scene.h"
#include "Video/ShadowQueue.h"
#include "Video/TextureMan.h"
#include "Video/Video.h"
#include "core/SystemNames.h"
#include "core/WinMain.h"
#include "core/eTable.h"
#include "platform/gfx/Direct3D.h"
#include "platform/window/Window.h"

namespace gallery {
namespace {

namespace fs = std::filesystem;

constexpr const char* kWindowClass = "MyWndClass";
constexpr std::uint32_t kQuadKinds[] = {5, 23};

// A working directory of its own: the assets and effect sources of root
// linked in, and the settings of a small windowed back buffer.
class WorkingDirectory {
public:
    explicit WorkingDirectory(const fs::path& root) : previous(fs::current_path()) {
        std::string pattern = (fs::temp_directory_path() / "material-gallery-XXXXXX").string();
        if (!::mkdtemp(pattern.data())) return;
        path = pattern;
        std::error_code ec;
        fs::create_directory_symlink(fs::absolute(root) / "Assets", path / "Assets", ec);
        fs::create_directory_symlink(fs::absolute(root) / "SourceCode", path / "SourceCode", ec);
        fs::current_path(path);
        std::ofstream("settings.txt") << "RESOLUTION = " << kCellWidth << " x " << kCellHeight
                                      << "\nWINDOWED = TRUE\nBACKBUFFER_RESOLUTION = " << kCellWidth << " x "
                                      << kCellHeight
                                      << "\nBACKBUFFER_FORMAT = X8R8G8B8\nDEVICE_TYPE = HAL\n"
                                         "DEVICE_BEHAVIOR = SOFTWARE\nPRESENTATION_INTERVAL = IMMEDIATE\n"
                                         "CLEAR_COLOR = 40 44 52\n"
                                         "CLEAR_SURFACE_FLAGS = TARGET ZBUFFER STENCIL !END_FLAGS\n"
                                         "ENABLE_DEPTH_BUFFER = TRUE\nZBUFFER_DEPTH = 1\n"
                                         "DEPTH_BUFFER_FORMAT = D24S8\n";
    }
    ~WorkingDirectory() {
        std::error_code ec;
        fs::current_path(previous, ec);
        if (!path.empty()) fs::remove_all(path, ec);
    }
    bool ok() const { return !path.empty(); }

private:
    fs::path previous;
    fs::path path;
};

// 3 x 5 digits, one row a byte (bit 2 the left column).
constexpr std::uint8_t kDigits[10][5] = {
    {7, 5, 5, 5, 7}, {2, 6, 2, 2, 7}, {7, 1, 7, 4, 7}, {7, 1, 7, 1, 7}, {5, 5, 7, 1, 1},
    {7, 4, 7, 1, 7}, {7, 4, 7, 5, 7}, {7, 1, 2, 2, 2}, {7, 5, 7, 5, 7}, {7, 5, 7, 1, 7},
};

void PutPixel(Picture& p, std::uint32_t x, std::uint32_t y, std::uint8_t grey) {
    if (x >= p.width || y >= p.height) return;
    std::uint8_t* px = &p.bgra[(std::size_t(y) * p.width + x) * 4];
    px[0] = px[1] = px[2] = grey;
    px[3] = 255;
}

// The number centred at (cx, top), each font pixel 2 x 2.
void DrawNumber(Picture& p, std::uint32_t number, std::uint32_t cx, std::uint32_t top) {
    const std::string text = std::to_string(number);
    const std::uint32_t width = std::uint32_t(text.size()) * 8 - 2;
    std::uint32_t x0 = cx - width / 2;
    for (char c : text) {
        const std::uint8_t* glyph = kDigits[c - '0'];
        for (std::uint32_t row = 0; row < 5; ++row)
            for (std::uint32_t col = 0; col < 3; ++col)
                if (glyph[row] & (4 >> col))
                    for (std::uint32_t d = 0; d < 4; ++d) PutPixel(p, x0 + col * 2 + d % 2, top + row * 2 + d / 2, 235);
        x0 += 8;
    }
}

// The scene every cell shares: camera, lights, the ground.
struct Stage {
    Scene* scene = nullptr;
    Camera* camera = nullptr;
    LightMan* lights = nullptr;
    MaterialMan* materials = nullptr;
    ShadowQueue* shadows = nullptr;
    IDirect3DDevice9* device = nullptr;
};

void SetUpLighting(LightMan& lights) {
    const float ambient[4] = {0.06f, 0.06f, 0.07f, 1.0f};
    const float sky[4] = {0.55f, 0.65f, 0.8f, 1.0f};
    const float ground[4] = {0.3f, 0.25f, 0.2f, 1.0f};
    std::copy(ambient, ambient + 4, lights.sceneAmbient);
    std::copy(sky, sky + 4, lights.skyColour);
    std::copy(ground, ground + 4, lights.groundColour);
    lights.PublishSceneLighting();
    // The point light is the brighter, so that a body (lit by its first
    // light only, and never by a directional one) is lit by it.
    const float colour[4] = {1.0f, 0.95f, 0.85f, 1.0f};
    const float position[3] = {-2.2f, 3.2f, -2.0f};
    const float attenuation[3] = {1.0f, 0.0f, 0.0f};
    lights.AddPointLight(colour, position, 14.0f, attenuation);
    LightInfo sun;
    sun.type = LightInfo::kDirectional;
    const float sunColour[4] = {0.35f, 0.38f, 0.45f, 1.0f};
    std::copy(sunColour, sunColour + 4, sun.colour);
    sun.direction[0] = 0.5f;
    sun.direction[1] = -1.0f;
    sun.direction[2] = 0.4f;
    lights.AddLightRecord(&sun);
    lights.ComputeLightWeights();
}

// Drawn early (flag 8), as a ground is, so that see-through kinds blend
// over it.
ObjectMesh* AddGround(Scene& scene) {
    SurfaceData surface;
    const float meadow[4] = {0.62f, 0.7f, 0.55f, 1.0f};
    std::copy(meadow, meadow + 4, surface.diff);
    MeshObjectDesc desc(8, "ground.x", 17, surface, 0);
    ObjectMesh* ground = scene.CreateMeshObject(&desc);
    ground->SetScale(12.0f, 1.0f, 12.0f);
    // A plane's pattern scale p, as (p, 1/p): 12 tiles a unit of the plane.
    const float repeats[4] = {0.12f, 1.0f / 0.12f, 0.0f, 0.0f};
    ground->SetCustomData(repeats);
    return ground;
}

// A surface colour per kind, so that the kinds that take their colour from
// the surface read apart; the body kinds keep white and show their own.
SurfaceData SurfaceFor(std::uint32_t kind) {
    SurfaceData s;
    const float tints[][3] = {{0.85f, 0.2f, 0.2f}, {0.2f, 0.45f, 0.9f}, {0.25f, 0.75f, 0.3f},
                              {0.9f, 0.75f, 0.2f}, {0.6f, 0.3f, 0.8f}};
    const float* tint = nullptr;
    switch (kind) {
    case 1: tint = tints[1]; break;
    case 3: tint = tints[0]; break;
    case 4: tint = tints[1]; break;
    case 6: tint = tints[4]; break;
    case 9: tint = tints[3]; break;
    case 10: tint = tints[2]; break;
    case 11: tint = tints[0]; break;
    case 12: tint = tints[1]; break;
    case 5: tint = tints[3]; break;
    default: break;
    }
    if (tint) std::copy(tint, tint + 3, s.diff);
    return s;
}

// The pupil of the eye kind: a dark iris ring and a black pupil on
// transparency, facing the camera (u 0.75 looks down -z).
IDirect3DBaseTexture9* MakePupil() {
    auto* textures = eTable::Find<TextureMan>(names::TextureMan);
    TextureLoadInfo info;
    info.width = 64;
    info.height = 64;
    info.mipLevels = 1;
    info.format = 21;
    auto* texture = static_cast<IDirect3DTexture9*>(textures->CreateTexture("galleryPupil", 0, &info));
    D3DLOCKED_RECT locked{};
    if (!texture || FAILED(texture->LockRect(0, &locked, nullptr, 0))) return texture;
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x) {
            const float du = (x + 0.5f) / 64.0f - 0.75f, dv = ((y + 0.5f) / 64.0f - 0.5f) * 0.5f;
            const float r = std::sqrt(du * du + dv * dv);
            std::uint32_t c = 0;
            if (r < 0.045f) c = 0xFF000000;
            else if (r < 0.09f) c = 0xFF2E6B3A;
            auto* row = static_cast<std::uint8_t*>(locked.pBits) + y * locked.Pitch;
            std::memcpy(row + x * 4, &c, 4);
        }
    texture->UnlockRect(0);
    return texture;
}

void PlayerVelocity(void*) {
    const float velocity[4] = {0.8f, 0.6f, 0.0f, 90.0f};
    EffectParams::SetVector(sem::Velocity, velocity);
}

// The object a cell shows for a mesh kind: a sphere of that kind with the
// textures and values the kind reads.
ObjectMesh* AddSphere(Scene& scene, std::uint32_t kind, IDirect3DBaseTexture9* pupil) {
    // Kinds 7 and 8 draw no object of their own: their sphere is of kind 0
    // and only lends its shadow mesh (see QueueBareShadow).
    MeshObjectDesc desc(4, "Body/sphereMedium.x", kind == 7 || kind == 8 ? 0 : kind, SurfaceFor(kind), 2);
    ObjectMesh* sphere = scene.CreateMeshObject(&desc);
    sphere->SetPosition(0.0f, 0.95f, 0.0f);
    sphere->SetScale(0.8f, 0.8f, 0.8f);
    switch (kind) {
    case 2: sphere->SetTextureSlot("desertSky.dds", sem::BaseTexture0, 0, 2); break;
    case 24:
        sphere->SetTextureSlot("fire.dds", sem::BaseTexture0, 0, 0);
        sphere->SetTextureSlot("fireDistortion.tga", sem::BumpTexture0, 1, 0);
        break;
    case 22:
        if (pupil) {
            TextureSlot slot;
            slot.texture = pupil;
            slot.semantic = sem::SiloTexture;
            sphere->ShareTextureSlot(&slot, 1);
        }
        break;
    case 12: {
        const float outline[4] = {0.04f, 0.0f, 0.0f, 0.0f};
        sphere->SetCustomData(outline);
        sphere->preDraw = PlayerVelocity;
        sphere->callbackContext = sphere;
        break;
    }
    default: break;
    }
    return sphere;
}

// The quad-batch kinds draw no meshes: their cell shows a screen quad.
Object* AddScreenQuad(Scene& scene, std::uint32_t kind) {
    ScreenQuadItem item;
    item.x = -0.45f;
    item.y = 0.6f;
    item.width = 0.9f;
    item.height = 0.9f;
    SceneObjectDesc desc(0, "ObjectScreenQuad", kind, 1, SurfaceFor(kind), 1, &item);
    ObjectScreenQuad* quad = Scene::CreateScreenQuad(&scene, &desc);
    if (kind == 23) quad->SetTextureSlot("splash.png", sem::BaseTexture0, 0, 0);
    return quad;
}

// Kinds 7 and 8 draw what the shadow queue asks of them: the cell of 7
// shows the sphere's shadow alone (its volume counted, then darkened); that
// of 8 paints the counted pixels in a loud colour to show where it draws.
void QueueBareShadow(const Stage& stage, Object* caster, const D3DXMATRIX& world) {
    auto* item = new ShadowItem;
    item->owner = caster;
    item->worldViewProjection = Material::WorldViewProjection(world);
    item->inverseWorld = Material::SafeInverse(world);
    item->lightCount = 1;
    stage.shadows->Push(item);
}

void CopyCell(const std::vector<D3DCOLOR>& frame, Picture& out, std::uint32_t kind) {
    const std::uint32_t left = (kind % kColumns) * kCellWidth;
    const std::uint32_t top = (kind / kColumns) * (kCellHeight + kLabelHeight);
    for (std::uint32_t y = 0; y < kCellHeight; ++y)
        for (std::uint32_t x = 0; x < kCellWidth; ++x) {
            const D3DCOLOR c = frame[std::size_t(y) * kCellWidth + x];
            std::uint8_t* px = &out.bgra[(std::size_t(top + y) * out.width + left + x) * 4];
            px[0] = std::uint8_t(c);
            px[1] = std::uint8_t(c >> 8);
            px[2] = std::uint8_t(c >> 16);
            px[3] = 255;
        }
    DrawNumber(out, kind, left + kCellWidth / 2, top + kCellHeight + 2);
}

bool RenderCell(Video& video, const Stage& stage, std::uint32_t kind, IDirect3DBaseTexture9* pupil, Picture& out,
                std::string& error) {
    ObjectMesh* sphere = AddSphere(*stage.scene, kind, pupil);
    Object* quad = nullptr;
    if (std::find(std::begin(kQuadKinds), std::end(kQuadKinds), kind) != std::end(kQuadKinds))
        quad = AddScreenQuad(*stage.scene, kind);
    const float shadowColour[4] = {stage.shadows->colour[0], stage.shadows->colour[1], stage.shadows->colour[2],
                                   stage.shadows->colour[3]};
    if (kind == 7 || kind == 8) {
        const D3DXMATRIX world = sphere->UpdateWorldMatrix();
        QueueBareShadow(stage, sphere, world);
        if (kind == 8) {
            const float loud[4] = {0.9f, 0.15f, 0.1f, 0.7f};
            std::copy(loud, loud + 4, stage.shadows->colour);
        }
    }
    Material* material = sphere->GetMaterial();
    if (kind != 0 && kind != 7 && kind != 8 && (!material || !material->effect || !material->effect->IsLoaded()))
        error += "kind " + std::to_string(kind) + ": its effect did not load\n";
    video.Update();
    std::copy(shadowColour, shadowColour + 4, stage.shadows->colour);
    std::vector<D3DCOLOR> frame;
    UINT width = 0, height = 0;
    stage.device->ReadBackBuffer(&frame, &width, &height);
    stage.scene->RemoveObject(sphere, false);
    if (quad) stage.scene->RemoveObject(quad, false);
    if (width != kCellWidth || height != kCellHeight) {
        error += "the back buffer is not " + std::to_string(kCellWidth) + " x " + std::to_string(kCellHeight) + "\n";
        return false;
    }
    CopyCell(frame, out, kind);
    return true;
}

}  // namespace

Result Render(const std::string& root) {
    Result result;
    WorkingDirectory directory(root);
    if (!directory.ok()) {
        result.error = "cannot make a working directory";
        return result;
    }
    plat::KeepPresentedFrames(true);
    if (!plat::RegisterClassA(kWindowClass, WndProc)) {
        result.error = "cannot register the window class";
        return result;
    }
    plat::HWND window = plat::CreateWindowExA(kWindowClass, "Tollymop");
    {
        Video video;
        if (!window || !video.Init()) {
            result.error = "the video system did not start";
        } else {
            Stage stage;
            stage.scene = eTable::Find<Scene>(names::MainScene);
            stage.camera = eTable::Find<Camera>(names::Camera);
            stage.lights = eTable::Find<LightMan>(names::LightMan);
            stage.materials = eTable::Find<MaterialMan>(names::MaterialMan);
            stage.shadows = eTable::Find<BufferMan>(names::BufferMan)->queue;
            stage.device = video.Device();
            stage.camera->Set(D3DXVECTOR3(0.0f, 1.75f, -3.9f), D3DXVECTOR3(0.0f, 0.7f, 0.0f),
                              D3DXVECTOR3(0.0f, 1.0f, 0.0f), D3DX_PI / 4, float(kCellWidth) / float(kCellHeight),
                              0.5f, 200.0f);
            SetUpLighting(*stage.lights);
            AddGround(*stage.scene);
            IDirect3DBaseTexture9* pupil = MakePupil();

            result.picture.width = kColumns * kCellWidth;
            result.picture.height = ((kKinds + kColumns - 1) / kColumns) * (kCellHeight + kLabelHeight);
            result.picture.bgra.assign(std::size_t(result.picture.width) * result.picture.height * 4, 0);
            for (std::size_t i = 3; i < result.picture.bgra.size(); i += 4) result.picture.bgra[i] = 255;
            for (std::uint32_t kind = 0; kind < kKinds; ++kind)
                if (!RenderCell(video, stage, kind, pupil, result.picture, result.error)) break;
            if (pupil) eTable::Find<TextureMan>(names::TextureMan)->ReleaseTexture(pupil);
            stage.lights->ClearLights();
        }
        video.Shutdown();
    }
    plat::UnregisterClassA(kWindowClass);
    return result;
}

Picture Cell(const Picture& gallery, std::uint32_t kind, bool withLabel) {
    Picture cell;
    cell.width = kCellWidth;
    cell.height = kCellHeight + (withLabel ? kLabelHeight : 0);
    cell.bgra.resize(std::size_t(cell.width) * cell.height * 4);
    const std::uint32_t left = (kind % kColumns) * kCellWidth;
    const std::uint32_t top = (kind / kColumns) * (kCellHeight + kLabelHeight);
    for (std::uint32_t y = 0; y < cell.height; ++y)
        std::memcpy(&cell.bgra[std::size_t(y) * kCellWidth * 4],
                    &gallery.bgra[(std::size_t(top + y) * gallery.width + left) * 4], kCellWidth * 4);
    return cell;
}

Difference Compare(const Picture& a, const Picture& b, int tolerance) {
    Difference d;
    if (a.width != b.width || a.height != b.height || a.bgra.size() != b.bgra.size()) {
        d.largest = 255;
        d.share = 1.0;
        return d;
    }
    for (std::size_t i = 0; i < a.bgra.size(); i += 4) {
        int worst = 0;
        for (int c = 0; c < 3; ++c) worst = std::max(worst, std::abs(int(a.bgra[i + c]) - int(b.bgra[i + c])));
        d.largest = std::max(d.largest, worst);
        if (worst > tolerance) ++d.differing;
    }
    d.share = a.bgra.empty() ? 0.0 : double(d.differing) / double(a.bgra.size() / 4);
    return d;
}

}  // namespace gallery
