#pragma once
#include <istream>
#include <string>
#include <vector>

#include "Video/VideoSettings.h"
#include "core/System.h"
#include "platform/gfx/Direct3D.h"

class DIva;
class Camera;
class LightMan;
class TextMan;
class MatrixMan;
class MeshMan;
class TextureMan;
class EffectsMan;
class MaterialMan;
class Scene;
class ManagedQuadBuffer;

// Owns the graphics device for the whole program: the adapter object, the
// one device, its capabilities and the display settings. Creates the
// rendering managers as its children; every frame it clears, begins the
// scene, lets the children publish and draw, ends the scene and presents.
// It also resets a lost device, telling the children that hold default-pool
// resources, and switches between windowed and full-screen display.
//
// Nobody else keeps the device: renderers look "Video" up at the moment of
// use and take Device(), which is null when creation failed, so that every
// system that draws checks it and skips its work.
class Video : public System {
public:
    Video() = default;
    ~Video() override;

    // Both arguments are ignored.
    bool Init(void* a = nullptr, void* b = nullptr) override;
    bool Shutdown() override;
    bool Update() override;

    // Creates the adapter object, the settings (read or made) and the
    // device. app may be null (then the main window is used).
    bool CreateDevice(DIva* app);
    // Sizes and centres the window when windowed; full screen is left alone.
    void FitWindow();
    // Tells the children of the loss, resets the device, tells them of the
    // reset. False (and inactive, with the fatal text set) when Reset fails.
    bool ResetDevice();
    // Checks the current settings against the adapter and resets with them:
    // an adapter failure is returned as it stands, else 1 or 0.
    std::int32_t ApplyDisplayMode();
    // Sizes of 0 keep the current ones. Not written to "settings.txt".
    std::int32_t SetDisplayMode(bool fullScreen, std::int32_t backBufferWidth, std::int32_t backBufferHeight,
                                std::int32_t windowWidth, std::int32_t windowHeight);

    // The settings file.
    // False when the text is refused; problem (when given) then says where
    // and why ("line 3: unknown key \"FULLSCREEN\"").
    bool LoadSettings(std::istream& in, std::string* problem = nullptr);
    bool CreateDefaultSettings(bool windowed);
    // Writes the settings file through a temporary file renamed into place;
    // false (and the reason on the error stream) when it cannot.
    bool SaveSettings();
    bool FindDepthFormat(const D3DFORMAT* adapterFormat);

    // Takes over one reference to an adapter object, for the settings
    // operations without a device (tests). Any previous device is released.
    void AdoptDirect3D(IDirect3D9* adapter);

    IDirect3D9* Direct3D() const { return d3d; }
    IDirect3DDevice9* Device() const { return device; }
    const D3DCAPS9& Caps() const { return caps; }
    VideoSettings& Settings() { return settings; }
    const VideoSettings& Settings() const { return settings; }

    // What the device-loss passes do to a child with a given name. Rows
    // with a restart flag are shut down in the lost pass and initialised
    // again after the reset pass.
    struct DeviceLossRow {
        const char* name;
        void (*onLost)(System& child);
        void (*onReset)(System& child);
        bool restart;
    };
    // Replaces the rows, for tests with stand-in children.
    void SetDeviceLossRowsForTests(std::vector<DeviceLossRow> rows) { lossRows = std::move(rows); }

    // The texts of the fatal errors.
    static constexpr const char* kNoDirect3D = "Could not initialize D3D9";
    static constexpr const char* kBadSettings = "Settings could not load or are invalid for your computer";
    // Followed by the file's name and the reason in brackets.
    static constexpr const char* kUnreadableSettings = "Settings could not be read from ";
    static constexpr const char* kNoDefaults = "Your computer sucks and cannot run the software, sorry!";
    static constexpr const char* kNoShaders = "Your graphics card is incapable of running the program!";
    static constexpr const char* kNoDevice = "Failed to create a D3D9 device";
    static constexpr const char* kResetFailed = "Failed to reset the device, cease running the program!";

private:
    // The one adapter, and the settings file in the game's folder.
    static constexpr UINT kAdapter = D3DADAPTER_DEFAULT;
    static constexpr const char* kSettingsFile = "settings.txt";

    bool ReadSettingsFile();
    bool HasShaderModel2() const;
    bool TryBehaviours();
    void ReleaseDevice();

    MatrixMan* CreateMatrixMan();
    Camera* CreateCamera();
    LightMan* CreateLightMan();
    MeshMan* CreateMeshMan();
    TextureMan* CreateTextureMan();
    EffectsMan* CreateEffectsMan();
    MaterialMan* CreateMaterialMan();
    Scene* CreateScene();
    ManagedQuadBuffer* CreateManagedQuadBuffer();
    TextMan* CreateTextMan();

    IDirect3D9* d3d = nullptr;
    IDirect3DDevice9* device = nullptr;
    D3DCAPS9 caps{};
    VideoSettings settings;
    plat::HWND window = nullptr;
    std::vector<DeviceLossRow> lossRows;
};

// The device of the running video system, or null when there is none (a
// failed start, or tools and tests without video). Never a fatal error.
IDirect3DDevice9* RunningDevice();

