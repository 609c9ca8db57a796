#include "Video/Video.h"


#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>

#include "platform/common/ErrorLog.h"
#include "platform/common/Files.h"
#include "platform/common/NowRunning.h"
#include "Video/Camera.h"
#include "Video/LightMan.h"
#include "Video/TextMan.h"
#include "Video/MatrixMan.h"
#include "Video/MeshMan.h"
#include "Video/QuadBatcher.h"
#include "Video/Scene.h"
#include "Video/TextureMan.h"
#include "Video/Effects/EffectsMan.h"
#include "Video/Effects/MaterialMan.h"
#include "core/DIva.h"
#include "core/SystemNames.h"
#include "core/eTable.h"
#include "platform/window/WindowPlacement.h"

namespace {
// Tried in this order; the first that creates the device is kept. The
// behaviour word of the settings file never chooses.
constexpr DWORD kBehaviours[] = {D3DCREATE_HARDWARE_VERTEXPROCESSING, D3DCREATE_MIXED_VERTEXPROCESSING,
                                 D3DCREATE_SOFTWARE_VERTEXPROCESSING};

// The window may not cover the taskbar and the frame of a full-height
// window, and keeps a margin at the sides.
constexpr int kDesktopMarginX = 16;
constexpr int kDesktopMarginY = 64;

// The children that hold default-pool resources, and what they are told
// around a reset, in the order the children stand in (the other children
// hold nothing in the default pool and are not told):
//   "Main Scene"  Scene::OnLostDevice / Scene::OnResetDevice
//   "LightMan"    release the fog state block / LightMan::RecordFogStateBlock
//   "TextMan"     TextMan::OnLostDevice / TextMan::OnResetDevice
//   "EffectsMan"  EffectsMan::OnLostDevice / EffectsMan::OnResetDevice
// Each gets its row here when its class joins the video system.
std::vector<Video::DeviceLossRow> DefaultLossRows() {
    return {
        {names::MainScene, [](System& c) { static_cast<Scene&>(c).OnLostDevice(); },
         [](System& c) { static_cast<Scene&>(c).OnResetDevice(); }, false},
        {names::LightMan, [](System& c) { static_cast<LightMan&>(c).ReleaseFogStateBlock(); },
         [](System& c) { static_cast<LightMan&>(c).RecordFogStateBlock(); }, false},
        {names::TextMan, [](System& c) { static_cast<TextMan&>(c).OnLostDevice(); },
         [](System& c) { static_cast<TextMan&>(c).OnResetDevice(); }, false},
        // The quad batcher is shut down (releasing its buffers and leaving
        // the registry) and initialised again after the reset.
        {names::ManagedQuadBuffer, nullptr, nullptr, true},
        {names::EffectsMan, [](System& c) { static_cast<EffectsMan&>(c).OnLostDevice(); },
         [](System& c) { static_cast<EffectsMan&>(c).OnResetDevice(); }, false},
    };
}
}  // namespace

Video::~Video() {
    if (initialized) Shutdown();
    ReleaseDevice();
}

void Video::ReleaseDevice() {
    if (device) device->Release();
    device = nullptr;
    if (d3d) d3d->Release();
    d3d = nullptr;
}

void Video::AdoptDirect3D(IDirect3D9* adapter) {
    ReleaseDevice();
    d3d = adapter;
}

bool Video::Init(void*, void*) {
    if (initialized) return false;
    name = names::Video;
    if (!eTable::Register(name, this)) return false;
    lossRows = DefaultLossRows();

    if (!CreateDevice(GetDIva())) {
        // Nobody may find a "Video" without a device through the registry.
        eTable::RemoveSystem(this);
        return false;
    }
    plat::ShowWindow(window, plat::SW_SHOWNORMAL);

    // The children in their fixed order, which is also the order of their
    // frame updates and, reversed, of their shutdown.
    CreateMatrixMan();
    CreateCamera();
    CreateLightMan();
    CreateMeshMan();
    CreateTextureMan();
    CreateEffectsMan();
    CreateMaterialMan();
    CreateScene();
    CreateManagedQuadBuffer();
    CreateTextMan();

    initialized = true;
    return true;
}

MatrixMan* Video::CreateMatrixMan() { return CreateChild<MatrixMan>(); }
Camera* Video::CreateCamera() { return CreateChild<Camera>(); }
LightMan* Video::CreateLightMan() { return CreateChild<LightMan>(&caps); }
MeshMan* Video::CreateMeshMan() { return CreateChild<MeshMan>(); }
TextureMan* Video::CreateTextureMan() { return CreateChild<TextureMan>(); }
EffectsMan* Video::CreateEffectsMan() { return CreateChild<EffectsMan>(); }
MaterialMan* Video::CreateMaterialMan() { return CreateChild<MaterialMan>(); }
Scene* Video::CreateScene() {
    Scene::InitArg arg{names::MainScene, 0};
    return CreateChild<Scene>(&arg);
}
ManagedQuadBuffer* Video::CreateManagedQuadBuffer() { return CreateChild<ManagedQuadBuffer>(); }
TextMan* Video::CreateTextMan() { return CreateChild<TextMan>(); }

bool Video::CreateDevice(DIva* app) {
    ReleaseDevice();
    caps = D3DCAPS9{};
    window = app ? app->WindowHandle() : nullptr;
    if (!window) window = plat::MainWindow();

    d3d = Direct3DCreate9(D3D_SDK_VERSION);
    if (!d3d) {
        ReportFatalError(kNoDirect3D);
        return false;
    }
    if (!ReadSettingsFile()) return false;

    FitWindow();

    if (!HasShaderModel2()) {
        ReportFatalError(kNoShaders);
        return false;
    }
    if (TryBehaviours()) return true;
    if (settings.deviceType == D3DDEVTYPE_HAL) {
        settings.deviceType = D3DDEVTYPE_REF;
        if (TryBehaviours()) {
            d3d->GetDeviceCaps(kAdapter, D3DDEVTYPE_REF, &caps);
            return true;
        }
    }
    ReportFatalError(kNoDevice);
    d3d->Release();
    d3d = nullptr;
    return false;
}

namespace {
enum class SettingsText { Missing, Unreadable, Read };

// The settings file's text. A file that does not exist, or exists with no
// bytes at all (a write that a full disk cut short), counts as missing;
// one that exists but cannot be read says why in reason. It is read as every
// file of the game is, so a folder, a FIFO or a device of that name is
// refused at once and a huge file is never read whole.
SettingsText ReadSettingsText(const std::string& path, std::string* text, std::string* reason) {
    if (plat::LookForFile(path) == plat::FileLook::Missing) return SettingsText::Missing;
    if (!plat::ReadRegularFile(path, *text, plat::FileKind::Settings, reason)) return SettingsText::Unreadable;
    return text->empty() ? SettingsText::Missing : SettingsText::Read;
}
}  // namespace

bool Video::ReadSettingsFile() {
    std::string text, reason;
    switch (ReadSettingsText(GamePath(kSettingsFile), &text, &reason)) {
    case SettingsText::Unreadable: {
        // Never replaced by the defaults: the user's settings would be lost.
        const std::string fatal = std::string(kUnreadableSettings) + kSettingsFile + " (" + reason + ")";
        ReportFatalError(fatal.c_str());
        return false;
    }
    case SettingsText::Read: {
        std::istringstream in(text);
        std::string problem;
        if (!LoadSettings(in, &problem)) {
            plat::LogErrorF("%s: %s\n", kSettingsFile, problem.c_str());
            ReportFatalError(kBadSettings);
            return false;
        }
        // A key left out reads as zero; without a device type the device
        // checks would fail and blame the graphics card instead of the file.
        if (settings.deviceType != D3DDEVTYPE_HAL && settings.deviceType != D3DDEVTYPE_REF) {
            plat::LogErrorF("%s: DEVICE_TYPE: missing (HAL or REF)\n", kSettingsFile);
            ReportFatalError(kBadSettings);
            return false;
        }
        return true;
    }
    case SettingsText::Missing: break;
    }
    if (!CreateDefaultSettings(false)) {
        ReportFatalError(kNoDefaults);
        return false;
    }
    return true;
}

bool Video::HasShaderModel2() const {
    constexpr DWORD kModel2 = 0x0200;
    return (caps.PixelShaderVersion & 0xFFFF) >= kModel2 && (caps.VertexShaderVersion & 0xFFFF) >= kModel2;
}

bool Video::TryBehaviours() {
    for (DWORD behaviour : kBehaviours) {
        IDirect3DDevice9* made = nullptr;
        HRESULT hr = d3d->CreateDevice(kAdapter, settings.deviceType, window, behaviour, &settings.present, &made);
        if (hr == D3D_OK && made) {
            device = made;
            settings.behaviorFlags = behaviour;
            return true;
        }
        if (made) made->Release();
    }
    return false;
}

void Video::FitWindow() {
    if (!settings.present.Windowed) return;
    RECT desktop;
    if (!plat::GetDesktopClientRect(&desktop)) return;
    int desktopW = desktop.right, desktopH = desktop.bottom;
    int w = std::min(settings.windowWidth, desktopW - kDesktopMarginX);
    int h = std::min(settings.windowHeight, desktopH - kDesktopMarginY);
    plat::SetWindowPos(window, nullptr, (desktopW - w) / 2, (desktopH - h) / 2, w, h, plat::SWP_SHOWWINDOW);
}

bool Video::Update() {
    if (!initialized || !active || !device) return false;
    if (device->TestCooperativeLevel() == D3DERR_DEVICENOTRESET) {
        ResetDevice();
        return false;
    }
    device->Clear(0, nullptr, settings.clearFlags, settings.clearColor, settings.clearDepth, 0);
    if (SUCCEEDED(device->BeginScene())) {
        const plat::NowRunning running("drawing the scene");
        UpdateChildren();
        device->EndScene();
    }
    device->Present(nullptr, nullptr, nullptr, nullptr);
    return true;
}

bool Video::ResetDevice() {
    if (!device) return false;
    auto rowOf = [this](const System* child) -> const DeviceLossRow* {
        if (!child) return nullptr;
        // Names are shared constants: a child is its row's by address.
        for (const DeviceLossRow& row : lossRows)
            if (row.name == child->Name()) return &row;
        return nullptr;
    };

    std::vector<System*> restart;
    for (System* child : Children()) {
        const DeviceLossRow* row = rowOf(child);
        if (!row) continue;
        if (row->restart) {
            child->Shutdown();
            restart.push_back(child);
        } else if (row->onLost) {
            row->onLost(*child);
        }
    }

    if (device->Reset(&settings.present) != D3D_OK) {
        SetActive(false);
        // The text goes straight into the application's error field, without
        // a box: the application shuts down at its next frame.
        if (DIva* app = GetDIva())
            app->SetErrorText(kResetFailed);
        else
            plat::LogErrorF("%s\n", kResetFailed);
        return false;
    }

    for (System* child : Children()) {
        const DeviceLossRow* row = rowOf(child);
        if (row && !row->restart && row->onReset) row->onReset(*child);
    }
    for (System* child : restart) child->Init(nullptr, nullptr);
    FitWindow();
    return true;
}

std::int32_t Video::ApplyDisplayMode() {
    if (!d3d || !device) return D3DERR_INVALIDCALL;
    D3DDISPLAYMODE mode{};
    HRESULT hr = d3d->GetAdapterDisplayMode(kAdapter, &mode);
    if (FAILED(hr)) return hr;
    hr = d3d->CheckDeviceType(kAdapter, settings.deviceType, mode.Format, settings.present.BackBufferFormat,
                              settings.present.Windowed);
    if (hr != D3D_OK) return hr;
    return ResetDevice() ? 1 : 0;
}

std::int32_t Video::SetDisplayMode(bool fullScreen, std::int32_t backBufferWidth, std::int32_t backBufferHeight,
                                   std::int32_t windowWidth, std::int32_t windowHeight) {
    settings.present.Windowed = fullScreen ? FALSE : TRUE;
    if (backBufferWidth != 0) settings.present.BackBufferWidth = static_cast<UINT>(backBufferWidth);
    if (backBufferHeight != 0) settings.present.BackBufferHeight = static_cast<UINT>(backBufferHeight);
    if (windowWidth != 0) settings.windowWidth = windowWidth;
    if (windowHeight != 0) settings.windowHeight = windowHeight;
    return ApplyDisplayMode();
}

bool Video::Shutdown() {
    if (!initialized) return false;
    DestroyChildren();
    ReleaseDevice();
    eTable::RemoveSystem(this);
    initialized = false;
    return true;
}

IDirect3DDevice9* RunningDevice() {
    auto* video = static_cast<Video*>(eTable::Peek(names::Video));
    return video ? video->Device() : nullptr;
}
