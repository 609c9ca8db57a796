#include "characters/Face.h"

#include "Video/Effects/EffectParams.h"
#include "Video/MatrixMan.h"
#include "Video/ObjectMesh.h"
#include "Video/Scene.h"
#include "core/SystemNames.h"
#include "core/eTable.h"

namespace {

constexpr std::uint8_t kCallerWorld = 0x20;
constexpr std::uint32_t kEyeSlots = 2;
constexpr std::uint32_t kPupilSemantic = 31;  // SILOTEXTURE
const char* const kEyeMeshes[2] = {"leftEye.x", "rightEye.x"};
// 20 degrees to either side of the body's -Z axis.
const D3DXVECTOR3 kLeftEyeDirection(0.342f, 0.0f, -0.9397f);

Scene* MainScene() { return static_cast<Scene*>(eTable::Peek(names::MainScene)); }
MatrixMan* Matrices() { return static_cast<MatrixMan*>(eTable::Peek(names::MatrixMan)); }

std::string Cut(const char* text) {
    std::string s = text ? text : "";
    if (s.size() > Face::kMaxTextureName) s.resize(Face::kMaxTextureName);
    return s;
}

}  // namespace

Face::~Face() { Reset(); }

ObjectMesh* Face::LoadEye(std::uint32_t index, std::uint32_t materialKind, const SurfaceData* surface) {
    if (index > 1) return nullptr;
    Eye& eye = eyes[index];
    if (eye.object) return eye.object;
    Scene* scene = MainScene();
    MatrixMan* pool = Matrices();
    if (!scene || !pool) return nullptr;
    MeshObjectDesc desc(kCallerWorld, kEyeMeshes[index], materialKind, surface ? *surface : SurfaceData(), kEyeSlots);
    eye.object = scene->CreateMeshObject(&desc);
    if (!eye.object) return nullptr;
    eye.matrix = pool->AllocMatrix(nullptr);
    eye.object->SetWorldMatrix(eye.matrix);
    return eye.object;
}

void Face::Init(const char* eyeName, const char* pupilName, std::uint32_t materialKind, const SurfaceData* surface) {
    const SurfaceData look = surface ? *surface : SurfaceData();
    LoadEye(0, materialKind, &look);
    LoadEye(1, materialKind, &look);
    if (!eyes[0].object || !eyes[1].object) return;
    eyeTexture = Cut(eyeName);
    pupilTexture = Cut(pupilName);
    ApplyLook(materialKind, look);
    for (Eye& eye : eyes) {
        eye.object->preDraw = &Face::EyeRenderCallback;
        eye.object->callbackContext = this;
        // Fresh slots give back what the eyes held before.
        eye.object->AllocTextureSlots(kEyeSlots);
        if (!eyeTexture.empty()) eye.object->SetTextureSlot(eyeTexture.c_str(), kBaseTextureSemantic, 0, 0);
        if (!pupilTexture.empty()) eye.object->SetTextureSlot(pupilTexture.c_str(), kPupilSemantic, 1, 0);
    }
    D3DXVECTOR3 left;
    D3DXVec3Normalize(&left, &kLeftEyeDirection);
    eyes[0].direction = left;
    eyes[1].direction = D3DXVECTOR3(-left.x, left.y, left.z);
}

// Eyes that already existed take the new look too, so that what a character
// file saves is what is drawn.
void Face::ApplyLook(std::uint32_t materialKind, const SurfaceData& surface) {
    eyeSurface = surface;
    eyeMaterialKind = materialKind;
    Scene* scene = MainScene();
    for (Eye& eye : eyes) {
        eye.object->surface = surface;
        if (scene && eye.object->MaterialKind() != materialKind) eye.object->SetMaterial(scene, materialKind);
    }
}

void Face::ReleaseEye(Eye& eye) {
    eye.direction = D3DXVECTOR3(0.0f, 0.0f, 0.0f);
    if (eye.object)
        if (Scene* scene = MainScene()) scene->RemoveObject(eye.object, false);
    if (eye.matrix)
        if (MatrixMan* pool = Matrices()) pool->ReleaseMatrix(eye.matrix);
    eye.object = nullptr;
    eye.matrix = nullptr;
}

void Face::Reset() {
    eyeTexture.clear();
    pupilTexture.clear();
    ReleaseEye(eyes[0]);
    ReleaseEye(eyes[1]);
}

bool Face::Update() {
    if (!bodyMatrix) return false;
    const D3DXVECTOR3 translation(bodyMatrix->_41, bodyMatrix->_42, bodyMatrix->_43);
    bodyMatrix->_41 = bodyMatrix->_42 = bodyMatrix->_43 = 0.0f;
    for (Eye& eye : eyes) {
        if (!eye.object || !eye.object->IsActive() || !eye.matrix) continue;
        *eye.matrix = *bodyMatrix;
        D3DXVECTOR3 out;
        D3DXVec3TransformCoord(&out, &eye.direction, bodyMatrix);
        eye.matrix->_41 = translation.x + out.x;
        eye.matrix->_42 = translation.y + out.y;
        eye.matrix->_43 = translation.z + out.z;
    }
    bodyMatrix->_41 = translation.x;
    bodyMatrix->_42 = translation.y;
    bodyMatrix->_43 = translation.z;
    return true;
}

void Face::EyeRenderCallback(void*) {
    const float still[4] = {0.0f, 0.0f, 0.0f, 0.0f};
    EffectParams::SetVector(sem::Velocity, still);
}
