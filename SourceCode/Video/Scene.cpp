#include "Video/Scene.h"

#include <algorithm>
#include <cstring>

#include "Video/Effects/EffectParams.h"
#include "Video/Object.h"
#include "Video/ObjectLine.h"
#include "Video/ObjectMesh.h"
#include "Video/Video.h"
#include "core/SystemNames.h"
#include "core/Timer.h"
#include "core/eTable.h"

// ---- RenderGroup ----

bool RenderGroup::Init(void* a, void*) {
    if (initialized) return false;
    if (const auto* keys = static_cast<const std::uint32_t*>(a)) {
        key = keys[0];
        groupKind = keys[1];
    }
    initialized = true;
    return true;
}

bool RenderGroup::Holds(const Object* object) const { return HasChild(object); }

bool RenderGroup::RemoveChild(Object* object, bool keep) {
    if (!ReleaseChild(object)) return false;
    if (!keep) {
        object->Shutdown();
        delete object;
    }
    return true;
}

// ---- Scene ----

namespace {
// The store keeps texture pointers without a reference, and only the objects
// that wrote them keep them alive. Between frames those objects may go (a
// level change deletes them), so no texture of this frame may be left for an
// object of the next one that binds a semantic it has no slot for.
void ForgetFrameTextures() {
    for (int semantic = sem::BaseTexture0; semantic <= sem::CustomTexture; ++semantic)
        EffectParams::SetTexture(semantic, nullptr);
}

// The "TIMER" triangle wave: 0 up to 10 and back in 20 seconds.
constexpr float kTimerPeriod = 20.0f;
constexpr float kTimerPeak = 10.0f;

std::uint32_t GroupKindOf(std::uint8_t flags) {
    if (flags & Object::kGroup16) return Object::kGroup16;
    if (flags & Object::kGroup64) return Object::kGroup64;
    return 0;
}

DWORD FloatBits(float f) {
    DWORD bits;
    std::memcpy(&bits, &f, sizeof bits);
    return bits;
}
}  // namespace

Scene::~Scene() {
    if (initialized) Shutdown();
    DestroyGroups(mainGroups);
    DestroyGroups(earlyGroups);
}

bool Scene::Init(void* a, void*) {
    const auto* arg = static_cast<const InitArg*>(a);
    if (initialized || !arg) return false;
    word = arg->word;
    timerAccumulator = 0.0f;
    name = arg->name;
    if (!eTable::Register(name, this)) return false;
    RecordStateBlock(name);
    initialized = true;
    // The shadow queue adds its plane to this scene, so the scene is filed
    // and ready first.
    bufferMan.Init(nullptr, nullptr);
    return true;
}

bool Scene::Shutdown() {
    if (!initialized) return false;
    DestroyGroups(mainGroups);
    DestroyGroups(earlyGroups);
    bufferMan.Shutdown();
    OnLostDevice();  // gives the state block back
    eTable::RemoveSystem(this);
    initialized = false;
    return true;
}

void Scene::DestroyGroups(std::list<RenderGroup*>& groups) {
    while (!groups.empty()) {
        RenderGroup* group = groups.back();
        groups.pop_back();
        group->Shutdown();
        delete group;
    }
}

bool Scene::Update() {
    if (!initialized || !active) return false;
    PublishTimer();
    for (RenderGroup* group : earlyGroups) {
        ApplyStateBlock();
        group->Update();
    }
    for (RenderGroup* group : mainGroups) {
        ApplyStateBlock();
        group->Update();
    }
    ApplyStateBlock();
    EffectParams::SetTexture(sem::BaseTexture0, nullptr);
    bufferMan.Update();
    ApplyStateBlock();
    ForgetFrameTextures();
    return true;
}

void Scene::ApplyStateBlock() {
    if (stateBlock) stateBlock->Apply();
}

void Scene::PublishTimer() {
    const auto* timer = static_cast<const Timer*>(eTable::Peek(names::Timer));
    const float dt = timer ? timer->GetFrameTime() : 0.0f;
    timerAccumulator += dt;
    if (timerAccumulator > kTimerPeriod) timerAccumulator = 0.0f;
    const float t = timerAccumulator <= kTimerPeak ? timerAccumulator : kTimerPeriod - timerAccumulator;
    const float value[4] = {t, dt, timer ? timer->GameTime() : 0.0f, timer ? timer->Fps() : 0.0f};
    EffectParams::SetVector(sem::Timer, value);
}

RenderGroup* Scene::NewGroup(std::uint32_t key, std::uint32_t groupKind) {
    auto* group = new RenderGroup;
    const std::uint32_t keys[2] = {key, groupKind};
    group->Init(const_cast<std::uint32_t*>(keys), nullptr);
    return group;
}

void Scene::InsertMainGroup(RenderGroup* group) {
    switch (group->groupKind) {
        case 0:
            mainGroups.push_front(group);
            break;
        case Object::kGroup16: {
            auto firstLater = std::find_if(mainGroups.begin(), mainGroups.end(),
                                           [](const RenderGroup* g) { return g->groupKind != 0; });
            mainGroups.insert(firstLater, group);
            break;
        }
        default:
            mainGroups.push_back(group);
            break;
    }
}

void Scene::AddObject(Object* object, const ObjectDescHeader* d) {
    if (!object || !d) return;
    const std::uint32_t kind = d->materialKind;
    const auto flags = static_cast<std::uint8_t>(d->flags);
    RenderGroup* target = nullptr;
    if (flags & Object::kEarly) {
        for (RenderGroup* group : earlyGroups)
            if (group->key == kind) {
                target = group;
                break;
            }
        if (!target) earlyGroups.push_back(target = NewGroup(kind, Object::kEarly));
    } else {
        const std::uint32_t with16 = flags & Object::kGroup16, with64 = flags & Object::kGroup64;
        for (RenderGroup* group : mainGroups)
            if (group->key == kind && (group->groupKind == with16 || group->groupKind == with64)) {
                target = group;
                break;
            }
        if (!target) InsertMainGroup(target = NewGroup(kind, GroupKindOf(flags)));
    }
    target->AddChild(object);
    object->filedKey = {true, (flags & Object::kEarly) != 0, kind};
}

bool Scene::RemoveObject(Object* object, bool keep) {
    if (!object || !object->filedKey.filed) return false;
    // Found under the key it was filed by, whatever its material became.
    const Object::FiledKey filed = object->filedKey;
    for (RenderGroup* group : filed.early ? earlyGroups : mainGroups) {
        if (group->key != filed.kind || !group->Holds(object)) continue;
        object->filedKey = {};
        return group->RemoveChild(object, keep);
    }
    return false;
}

bool Scene::RegroupObject(Object* object, std::uint32_t, std::uint8_t) {
    // The filed key says where the object is, which is what the old kind
    // and flags would say while its material loaded.
    if (!RemoveObject(object, true)) return false;
    ObjectDescHeader head;
    head.materialKind = object->MaterialKind();
    head.flags = object->Flags();
    AddObject(object, &head);
    return true;
}

ObjectMesh* Scene::CreateMeshObject(const MeshObjectDesc* d) {
    if (!d) return nullptr;
    auto* object = new ObjectMesh;
    object->Init(d);
    AddObject(object, d);
    return object;
}

ObjectScreenQuad* Scene::CreateScreenQuad(Scene* scene, const SceneObjectDesc* desc) {
    if (!scene || !desc) return nullptr;
    auto* quad = new ObjectScreenQuad;
    quad->Init(desc);
    scene->AddObject(quad, desc);
    return quad;
}

void Scene::OnLostDevice() {
    if (stateBlock) stateBlock->Release();
    stateBlock = nullptr;
}

void Scene::OnResetDevice() { RecordStateBlock(name); }

void Scene::RecordStateBlock(const char* sceneName) {
    OnLostDevice();
    IDirect3DDevice9* device = RunningDevice();
    if (!device || FAILED(device->BeginStateBlock())) return;
    SetDefaultRenderStates(device);
    if (sceneName && std::strcmp(sceneName, names::MainScene) == 0) {
        device->SetRenderState(D3DRS_FOGENABLE, FALSE);
        device->SetRenderState(D3DRS_CLIPPING, TRUE);
        device->SetRenderState(D3DRS_DITHERENABLE, FALSE);
    }
    if (FAILED(device->EndStateBlock(&stateBlock))) stateBlock = nullptr;
}

void Scene::SetDefaultRenderStates(IDirect3DDevice9* device) {
    device->SetTexture(0, nullptr);
    device->SetIndices(nullptr);
    const struct {
        D3DRENDERSTATETYPE state;
        DWORD value;
    } states[] = {
        {D3DRS_ZENABLE, D3DZB_TRUE},
        {D3DRS_ZWRITEENABLE, TRUE},
        {D3DRS_ZFUNC, D3DCMP_LESSEQUAL},
        {D3DRS_DEPTHBIAS, 0},
        {D3DRS_STENCILENABLE, FALSE},
        {D3DRS_STENCILFAIL, D3DSTENCILOP_KEEP},
        {D3DRS_STENCILZFAIL, D3DSTENCILOP_KEEP},
        {D3DRS_STENCILPASS, D3DSTENCILOP_KEEP},
        {D3DRS_STENCILFUNC, D3DCMP_ALWAYS},
        {D3DRS_STENCILREF, 0},
        {D3DRS_STENCILMASK, 0xFFFFFFFF},
        {D3DRS_STENCILWRITEMASK, 0xFFFFFFFF},
        {D3DRS_TWOSIDEDSTENCILMODE, FALSE},
        {D3DRS_CCW_STENCILFAIL, D3DSTENCILOP_KEEP},
        {D3DRS_CCW_STENCILZFAIL, D3DSTENCILOP_KEEP},
        {D3DRS_CCW_STENCILPASS, D3DSTENCILOP_KEEP},
        {D3DRS_CCW_STENCILFUNC, D3DCMP_ALWAYS},
        {D3DRS_FILLMODE, D3DFILL_SOLID},
        {D3DRS_SHADEMODE, D3DSHADE_GOURAUD},
        {D3DRS_LASTPIXEL, TRUE},
        {D3DRS_CULLMODE, D3DCULL_CCW},
        {D3DRS_DITHERENABLE, FALSE},
        {D3DRS_CLIPPING, TRUE},
        {D3DRS_CLIPPLANEENABLE, 0},
        {D3DRS_ALPHATESTENABLE, TRUE},
        {D3DRS_ALPHAREF, 1},
        {D3DRS_ALPHAFUNC, D3DCMP_GREATEREQUAL},
        {D3DRS_ALPHABLENDENABLE, FALSE},
        {D3DRS_BLENDFACTOR, 0xFFFFFFFF},
        {D3DRS_SEPARATEALPHABLENDENABLE, FALSE},
        {D3DRS_SRCBLENDALPHA, D3DBLEND_ONE},
        {D3DRS_DESTBLENDALPHA, D3DBLEND_ZERO},
        {D3DRS_BLENDOPALPHA, D3DBLENDOP_ADD},
        {D3DRS_SRCBLEND, D3DBLEND_ONE},
        {D3DRS_DESTBLEND, D3DBLEND_ZERO},
        {D3DRS_BLENDOP, D3DBLENDOP_ADD},
        {D3DRS_POINTSIZE, FloatBits(64.0f)},
        {D3DRS_POINTSIZE_MIN, FloatBits(1.0f)},
        {D3DRS_POINTSPRITEENABLE, FALSE},
        {D3DRS_POINTSCALEENABLE, FALSE},
        {D3DRS_POINTSCALE_A, FloatBits(1.0f)},
        {D3DRS_POINTSCALE_B, FloatBits(0.0f)},
        {D3DRS_POINTSCALE_C, FloatBits(0.0f)},
        {D3DRS_POINTSIZE_MAX, FloatBits(64.0f)},
        {D3DRS_MULTISAMPLEANTIALIAS, TRUE},
        {D3DRS_MULTISAMPLEMASK, 0xFFFFFFFF},
        {D3DRS_ANTIALIASEDLINEENABLE, FALSE},
        {D3DRS_FOGENABLE, FALSE},
        {D3DRS_SPECULARENABLE, TRUE},
        {D3DRS_LIGHTING, TRUE},
        {D3DRS_LOCALVIEWER, TRUE},
        {D3DRS_NORMALIZENORMALS, TRUE},
        {D3DRS_COLORVERTEX, TRUE},
        {D3DRS_DIFFUSEMATERIALSOURCE, D3DMCS_COLOR1},
        {D3DRS_SPECULARMATERIALSOURCE, D3DMCS_COLOR2},
        {D3DRS_AMBIENTMATERIALSOURCE, D3DMCS_MATERIAL},
        {D3DRS_EMISSIVEMATERIALSOURCE, D3DMCS_MATERIAL},
        {D3DRS_COLORWRITEENABLE, 0xF},
        {D3DRS_COLORWRITEENABLE1, 0xF},
        {D3DRS_COLORWRITEENABLE2, 0xF},
        {D3DRS_COLORWRITEENABLE3, 0xF},
        {D3DRS_VERTEXBLEND, D3DVBF_DISABLE},
        {D3DRS_INDEXEDVERTEXBLENDENABLE, FALSE},
        {D3DRS_TEXTUREFACTOR, 0xFFFFFFFF},
    };
    for (const auto& s : states) device->SetRenderState(s.state, s.value);
    for (DWORD wrap = D3DRS_WRAP0; wrap <= D3DRS_WRAP7; ++wrap)
        device->SetRenderState(static_cast<D3DRENDERSTATETYPE>(wrap), 0);
    for (DWORD wrap = D3DRS_WRAP8; wrap <= D3DRS_WRAP15; ++wrap)
        device->SetRenderState(static_cast<D3DRENDERSTATETYPE>(wrap), 0);
    const struct {
        D3DRENDERSTATETYPE state;
        DWORD value;
    } tail[] = {
        {D3DRS_PATCHEDGESTYLE, D3DPATCHEDGE_DISCRETE},
        {D3DRS_DEBUGMONITORTOKEN, D3DDMT_ENABLE},
        {D3DRS_TWEENFACTOR, FloatBits(0.0f)},
        {D3DRS_POSITIONDEGREE, D3DDEGREE_CUBIC},
        {D3DRS_NORMALDEGREE, D3DDEGREE_LINEAR},
        {D3DRS_SCISSORTESTENABLE, FALSE},
        {D3DRS_SLOPESCALEDEPTHBIAS, 0},
        {D3DRS_MINTESSELLATIONLEVEL, FloatBits(1.0f)},
        {D3DRS_MAXTESSELLATIONLEVEL, FloatBits(1.0f)},
        {D3DRS_ADAPTIVETESS_X, FloatBits(0.0f)},
        {D3DRS_ADAPTIVETESS_Y, FloatBits(0.0f)},
        {D3DRS_ADAPTIVETESS_Z, FloatBits(1.0f)},
        {D3DRS_ADAPTIVETESS_W, FloatBits(0.0f)},
        {D3DRS_ENABLEADAPTIVETESSELLATION, FALSE},
        {D3DRS_SRGBWRITEENABLE, FALSE},
    };
    for (const auto& s : tail) device->SetRenderState(s.state, s.value);

    for (DWORD sampler = 0; sampler < 16; ++sampler) {
        const struct {
            D3DSAMPLERSTATETYPE type;
            DWORD value;
        } samplerStates[] = {
            {D3DSAMP_ADDRESSU, D3DTADDRESS_WRAP}, {D3DSAMP_ADDRESSV, D3DTADDRESS_WRAP},
            {D3DSAMP_ADDRESSW, D3DTADDRESS_WRAP}, {D3DSAMP_BORDERCOLOR, 0},
            {D3DSAMP_MAGFILTER, D3DTEXF_LINEAR},  {D3DSAMP_MINFILTER, D3DTEXF_LINEAR},
            {D3DSAMP_MIPFILTER, D3DTEXF_NONE},    {D3DSAMP_MIPMAPLODBIAS, 0},
            {D3DSAMP_MAXMIPLEVEL, 0},             {D3DSAMP_MAXANISOTROPY, 1},
            {D3DSAMP_SRGBTEXTURE, 0},             {D3DSAMP_ELEMENTINDEX, 0},
            {D3DSAMP_DMAPOFFSET, 0},
        };
        for (const auto& s : samplerStates) device->SetSamplerState(sampler, s.type, s.value);
    }

    const struct {
        D3DTEXTURESTAGESTATETYPE type;
        DWORD value;
    } stage0[] = {
        {D3DTSS_COLOROP, D3DTOP_MODULATE},
        {D3DTSS_COLORARG1, D3DTA_TEXTURE},
        {D3DTSS_COLORARG2, D3DTA_CURRENT},
        {D3DTSS_ALPHAOP, D3DTOP_MODULATE},
        {D3DTSS_ALPHAARG1, D3DTA_TEXTURE},
        {D3DTSS_ALPHAARG2, D3DTA_CURRENT},
        {D3DTSS_BUMPENVMAT00, FloatBits(0.0f)},
        {D3DTSS_BUMPENVMAT01, FloatBits(0.0f)},
        {D3DTSS_BUMPENVMAT10, FloatBits(0.0f)},
        {D3DTSS_BUMPENVMAT11, FloatBits(0.0f)},
        {D3DTSS_TEXCOORDINDEX, 0},
        {D3DTSS_BUMPENVLSCALE, FloatBits(0.0f)},
        {D3DTSS_BUMPENVLOFFSET, FloatBits(0.0f)},
        {D3DTSS_TEXTURETRANSFORMFLAGS, D3DTTFF_DISABLE},
        {D3DTSS_COLORARG0, D3DTA_CURRENT},
        {D3DTSS_ALPHAARG0, D3DTA_CURRENT},
        {D3DTSS_RESULTARG, D3DTA_CURRENT},
        {D3DTSS_CONSTANT, 6},
    };
    for (const auto& s : stage0) device->SetTextureStageState(0, s.type, s.value);
}
