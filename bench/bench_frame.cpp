// The baseline of every performance figure: the frame rate of the engine's
// empty frame (the video system clearing and presenting at 640x480) beside
// that of a bare SDL2 + OpenGL clear-and-swap loop, measured in turns in one
// run, and their ratio. Then the scene figure: the frame rate with 1,000
// textured kind-1 mesh objects and 200 screen quads, and the CPU time per
// object of the scene's pass. Last the lit figure: 200 lit spheres under three
// point lights casting shadows, beside the same without shadows and with one
// light, so that the cost of each part shows.
#include <SDL.h>
#include <epoxy/gl.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>

#include "BareWindow.h"
#include "Video/Camera.h"
#include "Video/LightMan.h"
#include "Video/ObjectLine.h"
#include "Video/ObjectMesh.h"
#include "Video/Scene.h"
#include "Video/Video.h"
#include "core/SystemNames.h"
#include "core/eTable.h"
#include "core/WinMain.h"
#include "platform/window/Window.h"
#include "support/ShippedFiles.h"
#include "support/TempDir.h"
#include "support/TestSettings.h"

namespace {
constexpr int kWidth = 640;
constexpr int kHeight = 480;
constexpr int kWarmUpFrames = 30;
// The two loops take turns in short slices, so that a load that comes and
// goes on the machine hits both alike.
constexpr double kSliceSeconds = 0.1;
constexpr int kSlicesEach = 40;

using Clock = std::chrono::steady_clock;

// One loop under measurement: how to make its context current and draw one
// frame. Each frame waits for the GL to finish, so that a driver which
// defers its work (a software rasteriser with nowhere to swap to) is
// measured doing it.
struct Loop {
    std::function<void()> makeCurrent;
    std::function<void()> drawFrame;
    long frames = 0;
    double seconds = 0.0;

    void Frame() {
        drawFrame();
        glFinish();
    }
    void RunSlice() {
        makeCurrent();
        auto start = Clock::now();
        double elapsed = 0.0;
        do {
            Frame();
            ++frames;
            elapsed = std::chrono::duration<double>(Clock::now() - start).count();
        } while (elapsed < kSliceSeconds);
        seconds += elapsed;
    }
    double FramesPerSecond() const { return seconds > 0.0 ? double(frames) / seconds : 0.0; }
};

// The engine's own window and video system, windowed at 640x480 without
// vertical sync, from a settings file in a scratch directory that links the
// repository's assets (and, with effectSources, its effect sources, so that
// the effects' lookup textures are made as in the game).
class EngineVideo {
public:
    explicit EngineVideo(bool effectSources = false) {
        LayOutGameFiles(dir.Path());
        if (effectSources) {
            std::error_code ec;
            std::filesystem::create_directory_symlink(ScopedTempDir::RepositoryRoot() / "SourceCode",
                                                      dir.Path() / "SourceCode", ec);
        }
        WriteWindowedSettings(
            {.width = kWidth, .height = kHeight, .backBufferWidth = kWidth, .backBufferHeight = kHeight});
        registered = plat::RegisterClassA("MyWndClass", WndProc);
        if (registered && plat::CreateWindowExA("MyWndClass", "Tollymop bench")) started = video.Init();
    }
    ~EngineVideo() {
        if (!registered) return;
        video.Shutdown();
        plat::UnregisterClassA("MyWndClass");
    }
    EngineVideo(const EngineVideo&) = delete;
    EngineVideo& operator=(const EngineVideo&) = delete;

    bool ok() const { return started; }
    // The engine's frame (window events, then Video) as a measured loop.
    Loop FrameLoop() {
        return Loop{[this] { video.Device()->MakeCurrent(); },
                    [this] {
                        plat::PumpEvents();
                        video.Update();
                    }};
    }

    ScopedTempDir dir;
    Video video;

private:
    bool registered = false;
    bool started = false;
};

struct Rates {
    double engine = 0.0, bare = 0.0;
    bool intoWindow = false;
};

// The engine's empty frame measured in turns with the bare loop.
Rates MeasureSideBySide() {
    Rates rates;
    EngineVideo engine;
    if (!engine.ok()) return rates;
    rates.intoWindow = engine.video.Device()->DrawsIntoWindow();
    BareWindow bare(kWidth, kHeight, false);  // the loop waits for the GL
    if (!bare.ok()) return rates;
    Loop engineLoop = engine.FrameLoop();
    Loop bareLoop{[&bare] { bare.MakeCurrent(); }, [&bare] { bare.Frame(); }};
    for (Loop* loop : {&engineLoop, &bareLoop}) {
        loop->makeCurrent();
        for (int i = 0; i < kWarmUpFrames; ++i) loop->Frame();
    }
    for (int slice = 0; slice < kSlicesEach; ++slice) {
        engineLoop.RunSlice();
        bareLoop.RunSlice();
    }
    rates.engine = engineLoop.FramesPerSecond();
    rates.bare = bareLoop.FramesPerSecond();
    engine.video.Device()->MakeCurrent();
    return rates;
}
constexpr int kSceneMeshes = 1000;
constexpr int kSceneQuads = 200;
constexpr int kScenePasses = 50;

struct SceneFigures {
    double fps = 0.0;
    double passMicroseconds = 0.0;  // CPU time of one scene pass
};

// 1,000 spheres on a grid in front of the camera and 200 small screen
// quads, all textured: the draw calls of a busy level.
void FillScene(Scene* scene) {
    Camera* camera = eTable::Find<Camera>(names::Camera);
    camera->Set({0.0f, 0.0f, -30.0f}, {0.0f, 0.0f, 0.0f}, {0.0f, 1.0f, 0.0f}, D3DX_PI / 4.0f,
                float(kWidth) / float(kHeight), 1.0f, 1000.0f);
    for (int i = 0; i < kSceneMeshes; ++i) {
        const MeshObjectDesc desc(0, "Body/sphereLow.x", 1, SurfaceData(), 1);
        ObjectMesh* sphere = scene->CreateMeshObject(&desc);
        sphere->SetTextureSlot("UIObject.bmp", 30, 0, 0);
        sphere->SetPosition(float(i % 40) - 20.0f, float((i / 40) % 25) - 12.0f, 0.0f);
        sphere->SetScale(0.4f, 0.4f, 0.4f);
    }
    for (int i = 0; i < kSceneQuads; ++i) {
        const ScreenQuadItem item{-1.0f + 0.1f * float(i % 20), 1.0f - 0.1f * float(i / 20), 0.0f, 0.08f, 0.08f};
        const SceneObjectDesc desc(Object::kGroup64, "plane.x", 23, 1, SurfaceData(), 1, &item);
        ObjectScreenQuad* quad = Scene::CreateScreenQuad(scene, &desc);
        quad->SetTextureSlot("cursor_arrow.bmp", 30, 0, 0);
    }
}

// The engine's frame rate with the scene filled, then the scene's pass
// alone, timed without waiting for the GL: the CPU work of walking the
// groups, publishing and issuing the draws.
SceneFigures MeasureScene() {
    SceneFigures figures;
    EngineVideo engine;
    if (!engine.ok()) return figures;
    auto* scene = eTable::Find<Scene>(names::MainScene);
    FillScene(scene);
    Loop loop = engine.FrameLoop();
    loop.makeCurrent();
    for (int i = 0; i < kWarmUpFrames; ++i) loop.Frame();
    for (int slice = 0; slice < kSlicesEach; ++slice) loop.RunSlice();
    figures.fps = loop.FramesPerSecond();

    engine.video.Device()->BeginScene();
    auto start = Clock::now();
    for (int i = 0; i < kScenePasses; ++i) scene->Update();
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    engine.video.Device()->EndScene();
    glFinish();
    figures.passMicroseconds = seconds * 1e6 / kScenePasses;
    return figures;
}
constexpr int kLitSpheres = 200;
constexpr int kLitLights = 3;

struct LitSetup {
    bool shadows = true;
    int lights = kLitLights;
};

// 200 plastic spheres (kind 3) above a ground plane, under point lights,
// casting shadows when asked: the lit path of a level.
void FillLitScene(Scene* scene, const LitSetup& setup) {
    Camera* camera = eTable::Find<Camera>(names::Camera);
    camera->Set({0.0f, 9.0f, -16.0f}, {0.0f, 0.0f, 0.0f}, {0.0f, 1.0f, 0.0f}, D3DX_PI / 4.0f,
                float(kWidth) / float(kHeight), 1.0f, 1000.0f);
    auto* lights = eTable::Find<LightMan>(names::LightMan);
    const float positions[kLitLights][3] = {{-6.0f, 6.0f, -3.0f}, {6.0f, 5.0f, 0.0f}, {0.0f, 7.0f, 6.0f}};
    const float colour[4] = {0.7f, 0.7f, 0.7f, 1.0f};
    const float attenuation[3] = {1.0f, 0.0f, 0.0f};
    for (int i = 0; i < setup.lights; ++i) lights->AddPointLight(colour, positions[i], 40.0f, attenuation);
    lights->ComputeLightWeights();
    const MeshObjectDesc groundDesc(8, "ground.x", 17, SurfaceData(), 0);
    scene->CreateMeshObject(&groundDesc)->SetScale(14.0f, 1.0f, 14.0f);
    for (int i = 0; i < kLitSpheres; ++i) {
        const MeshObjectDesc desc(setup.shadows ? 4 : 0, "Body/sphereMedium.x", 3, SurfaceData(), 1);
        ObjectMesh* sphere = scene->CreateMeshObject(&desc);
        sphere->SetPosition(float(i % 20) - 9.5f, 0.6f + 0.3f * float(i % 3), float(i / 20) - 4.5f);
        sphere->SetScale(0.35f, 0.35f, 0.35f);
    }
}

// The frame rate of the lit scene; the working directory links the effect
// sources too, so that the effects' lookup textures are made as in the game.
struct LitFigures {
    double fps = 0.0;
    double passMilliseconds = 0.0;  // CPU time of issuing one scene pass
};

LitFigures MeasureLit(const LitSetup& setup) {
    LitFigures fps;
    EngineVideo engine(true);
    if (!engine.ok()) return fps;
    FillLitScene(eTable::Find<Scene>(names::MainScene), setup);
    Loop loop = engine.FrameLoop();
    loop.makeCurrent();
    for (int i = 0; i < 5; ++i) loop.Frame();
    for (int slice = 0; slice < 10; ++slice) loop.RunSlice();
    fps.fps = loop.FramesPerSecond();
    auto* scene = eTable::Find<Scene>(names::MainScene);
    engine.video.Device()->BeginScene();
    const auto start = Clock::now();
    for (int i = 0; i < 5; ++i) scene->Update();
    fps.passMilliseconds = std::chrono::duration<double>(Clock::now() - start).count() * 1000.0 / 5;
    engine.video.Device()->EndScene();
    glFinish();
    eTable::Find<LightMan>(names::LightMan)->ClearLights();
    return fps;
}

}  // namespace

int main() {
    // The scratch directories link the assets of the repository, which is
    // where `make bench` runs.
    setenv("TOLLYMOP_ROOT", std::filesystem::current_path().c_str(), 0);
    Rates rates = MeasureSideBySide();
    std::printf("Empty frame at %dx%d, no vertical sync, the two loops in turns of %.0f ms:\n", kWidth, kHeight,
                kSliceSeconds * 1000.0);
    std::printf("  engine (Video clear + present): %10.1f frames/s (%s)\n", rates.engine,
                rates.intoWindow ? "drawn into the window" : "through a framebuffer object");
    std::printf("  bare SDL2 + GL clear + swap:    %10.1f frames/s\n", rates.bare);
    if (rates.engine <= 0.0 || rates.bare <= 0.0) {
        std::printf("  ratio: unavailable (a loop could not start)\n");
        return 1;
    }
    std::printf("  ratio engine / bare:            %10.3f\n", rates.engine / rates.bare);

    const SceneFigures scene = MeasureScene();
    const int objects = kSceneMeshes + kSceneQuads;
    std::printf("Scene of %d textured kind-1 meshes and %d screen quads at %dx%d:\n", kSceneMeshes, kSceneQuads,
                kWidth, kHeight);
    std::printf("  engine frame:                   %10.1f frames/s\n", scene.fps);
    std::printf("  scene pass, CPU per object:     %10.2f microseconds (%.2f ms a pass)\n",
                scene.passMicroseconds / objects, scene.passMicroseconds / 1000.0);

    // Where a lit frame goes: the same scene without shadows, and with one
    // light instead of three (one draw a sphere instead of four).
    const LitFigures lit = MeasureLit({});
    const LitFigures unshadowed = MeasureLit({.shadows = false});
    const LitFigures oneLight = MeasureLit({.shadows = true, .lights = 1});
    std::printf("%d lit spheres (kind 3) over the ground under %d point lights, with shadows, at %dx%d\n"
                "(frame rate, and the CPU time of issuing one scene pass, the GL's own work not waited for):\n",
                kLitSpheres, kLitLights, kWidth, kHeight);
    std::printf("  engine frame:                   %10.1f frames/s, pass issued in %.1f ms (empty frame %.1f frames/s)\n",
                lit.fps, lit.passMilliseconds, rates.engine);
    std::printf("  the same without shadows:       %10.1f frames/s, pass issued in %.1f ms\n", unshadowed.fps,
                unshadowed.passMilliseconds);
    std::printf("  with shadows and one light:     %10.1f frames/s, pass issued in %.1f ms\n", oneLight.fps,
                oneLight.passMilliseconds);
    return scene.fps > 0.0 && lit.fps > 0.0 ? 0 : 1;
}
