#pragma once
// The menu fire: one plane drawn with the fire material, facing the viewer.
// Scripts place and scale Quad() directly.
#include "core/System.h"

class ObjectMesh;

class Fire : public System {
public:
    Fire() = default;
    ~Fire() override;

    bool Init(void* a = nullptr, void* b = nullptr) override;
    bool Shutdown() override;

    ObjectMesh* Quad() const { return quad; }

private:
    ObjectMesh* quad = nullptr;  // owned by "Main Scene"
};
