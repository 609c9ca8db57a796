#pragma once
#include <cstdint>

#include "platform/gfx/D3DTypes.h"

// The display and device settings, as "settings.txt" holds them.
struct VideoSettings {
    std::int32_t windowWidth = 0;   // outer size of the window when windowed
    std::int32_t windowHeight = 0;
    D3DDEVTYPE deviceType = D3DDEVTYPE(0);
    DWORD behaviorFlags = 0;        // replaced by the behaviour that created the device
    D3DPRESENT_PARAMETERS present{};
    DWORD clearFlags = 0;           // D3DCLEAR_* of the per-frame clear
    D3DCOLOR clearColor = 0;
    float clearDepth = 0.0f;
};
