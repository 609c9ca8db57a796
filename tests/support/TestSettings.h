#pragma once
// Writes a windowed "settings.txt" into the current directory, so that tests
// that start "Video" get a small window instead of the full-screen defaults,
// and reads back what the engine wrote there.
#include <fstream>
#include <sstream>
#include <string>

struct WindowedSettings {
    int width = 64;
    int height = 48;
    int backBufferWidth = 64;
    int backBufferHeight = 48;
    const char* deviceType = "HAL";
    const char* behavior = "SOFTWARE";
    const char* clearColor = "0 6 102";
};

inline void WriteWindowedSettings(const WindowedSettings& s = {}) {
    std::ofstream out("settings.txt");
    out << "RESOLUTION = " << s.width << " x " << s.height << "\nWINDOWED = TRUE\n"
        << "BACKBUFFER_RESOLUTION = " << s.backBufferWidth << " x " << s.backBufferHeight << "\n"
        << "BACKBUFFER_FORMAT = X8R8G8B8\n"
        << "DEVICE_TYPE = " << s.deviceType << "\nDEVICE_BEHAVIOR = " << s.behavior << "\n"
        << "PRESENTATION_INTERVAL = IMMEDIATE\nCLEAR_COLOR = " << s.clearColor << "\n"
        << "CLEAR_SURFACE_FLAGS = TARGET ZBUFFER STENCIL !END_FLAGS\nENABLE_DEPTH_BUFFER = TRUE\n"
        << "ZBUFFER_DEPTH = 1\nDEPTH_BUFFER_FORMAT = D24S8\n";
}

// The "settings.txt" of the current directory as text (empty when missing).
inline std::string ReadSettingsFile() {
    std::ifstream in("settings.txt");
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}
