#include "characters/CharacterFile.h"

#include <algorithm>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "Video/LightMan.h"
#include "Video/Mesh.h"
#include "Video/MeshMan.h"
#include "Video/ObjectMesh.h"
#include "Video/TextureMan.h"
#include "Video/Effects/Material.h"
#include "Video/Effects/MaterialMan.h"
#include "characters/Limb.h"
#include "characters/ModelLimb.h"
#include "characters/NPC.h"
#include "characters/SurfaceFile.h"
#include "core/SystemNames.h"
#include "core/eTable.h"
#include "platform/common/Files.h"

namespace {

using plat::XDataObject;
using plat::XGuid;
using plat::XStructBuilder;
using plat::XTemplate;
using plat::XValue;

using xdata::Floats;
using xdata::Guid;
using xdata::Vector;

const XGuid kTextureData = Guid("0F3F9785-0380-4e95-A2B5-42D7296325E4");
const XGuid kSurfaceData = Guid("4DB8538F-DFF4-4569-80D6-A8ADB85860A0");
const XGuid kCharacter = Guid("94AA0516-EFA7-4639-B695-B3FF8DDCF5D2");
const XGuid kFaceData = Guid("CD800831-144F-43dc-85AA-BCFC32595AD8");
const XGuid kSiloData = Guid("C32AFA04-4477-4a92-ADC5-006FB6935950");
const XGuid kLightData = Guid("025CFF8A-528A-4190-9935-4E1843A396C6");
const XGuid kLimbData = Guid("25D28DF0-DCDC-4f67-9FC4-A9C0D0D73B06");
const XGuid kLineControlPoint = Guid("B2E426D3-B86F-4194-8E55-7F81634E6491");
const XGuid kLineLimbData = Guid("0EB5A82B-AC00-4bbb-A43C-B7221759602E");
const XGuid kSplineControlPoint = Guid("69B399AC-D5BF-4296-BB29-5996EBCFCE1C");
const XGuid kSplineLimbData = Guid("12D204FA-A2A7-48ec-924B-B7E48B5362AC");
const XGuid kModelData = Guid("907896AF-444E-4525-BC1A-72BAE17FB6E9");
const XGuid kModelControlPoint = Guid("39013D6C-E3DF-4f4d-8CB7-13DA17DB1A66");
const XGuid kModelLimbData = Guid("64324D0E-3B94-4e18-A6EC-2C2E5B436C8C");

constexpr char kTemplates[] = R"(xof 0303txt 0032
template TextureData {
 <0F3F9785-0380-4e95-A2B5-42D7296325E4>
 STRING texture;
 DWORD texLoc;
}
template SurfaceData {
 <4DB8538F-DFF4-4569-80D6-A8ADB85860A0>
 array FLOAT diff[4];
 array FLOAT spec[4];
 DWORD pow;
 FLOAT m;
 FLOAT n;
 FLOAT str;
}
template Character {
 <94AA0516-EFA7-4639-B695-B3FF8DDCF5D2>
 DWORD charType;
 STRING modelName;
 DWORD mtrl;
 DWORD objProp;
 STRING surfaceFile;
 DWORD numTextures;
 array TextureData tex[numTextures];
 [...]
}
template FaceData {
 <CD800831-144F-43dc-85AA-BCFC32595AD8>
 STRING eyeName;
 STRING pupilName;
 DWORD eyeMtrl;
 SurfaceData eyeSurface;
}
template SiloData {
 <C32AFA04-4477-4a92-ADC5-006FB6935950>
 FLOAT width;
 array FLOAT col[4];
}
template LightData {
 <025CFF8A-528A-4190-9935-4E1843A396C6>
 array FLOAT col[4];
 FLOAT range;
 array FLOAT att[3];
}
template LimbData {
 <25D28DF0-DCDC-4f67-9FC4-A9C0D0D73B06>
 DWORD numLimbs;
 [...]
}
template LineControlPoint {
 <B2E426D3-B86F-4194-8E55-7F81634E6491>
 array FLOAT pos[3];
 FLOAT width;
}
template LineLimbData {
 <0EB5A82B-AC00-4bbb-A43C-B7221759602E>
 DWORD loc;
 DWORD numControlPoints;
 array LineControlPoint data[numControlPoints];
}
template SplineControlPoint {
 <69B399AC-D5BF-4296-BB29-5996EBCFCE1C>
 array FLOAT pos[3];
 FLOAT width;
 FLOAT constraint;
}
template SplineLimbData {
 <12D204FA-A2A7-48ec-924B-B7E48B5362AC>
 DWORD loc;
 DWORD numControlPoints;
 array SplineControlPoint data[numControlPoints];
}
template ModelData {
 <907896AF-444E-4525-BC1A-72BAE17FB6E9>
 STRING modelName;
 FLOAT scale;
}
template ModelControlPoint {
 <39013D6C-E3DF-4f4d-8CB7-13DA17DB1A66>
 array FLOAT pos[3];
 ModelData data;
}
template ModelLimbData {
 <64324D0E-3B94-4e18-A6EC-2C2E5B436C8C>
 DWORD loc;
 DWORD numControlPoints;
 array ModelControlPoint data[numControlPoints];
}
)";

XValue Text(const std::string& s) { return XValue::Text(s); }
XValue Word(std::uint32_t v) { return XValue::Integer(v); }

// The template of a structure member (an array's element type included).
const XTemplate* MemberTemplate(const XTemplate& templ, const char* member) {
    int index = templ.MemberIndex(member);
    return index < 0 ? nullptr : templ.members[std::size_t(index)].templateType.get();
}

std::string MeshName(const Mesh* mesh) {
    auto* meshes = static_cast<MeshMan*>(eTable::Peek(names::MeshMan));
    const MeshRecord* record = meshes ? meshes->FindByMesh(mesh) : nullptr;
    return record ? record->name : "";
}

std::string TextureName(IDirect3DBaseTexture9* texture) {
    auto* textures = static_cast<TextureMan*>(eTable::Peek(names::TextureMan));
    const TextureRecord* record = textures ? textures->FindRecordByTexture(texture) : nullptr;
    return record ? record->name : "";
}

// The manager of that name, or null when it is not running.
template <class T>
T* Running(const char* name) {
    return static_cast<T*>(eTable::Peek(name));
}

LimbControlPoint PointAt(const XValue& pos) {
    LimbControlPoint point;
    point.position = point.restPosition = Vector(pos);
    return point;
}

}  // namespace

// A reference to a Character object reads it again where the reference
// stands: a new body and freshly bound textures, eyes and material. Each
// time, the old body and the eyes' old bindings let go of the last users of
// the mesh, material and textures, which would then be loaded anew from
// disk. The file holds one reference of its own on each of them until the
// load ends, so that only the first read of each loads it.
class CharacterFile::Held {
public:
    Held() = default;
    Held(const Held&) = delete;
    Held& operator=(const Held&) = delete;
    ~Held() { Release(); }

    void Hold(ObjectMesh* object) {
        if (!object) return;
        auto* meshes = Running<MeshMan>(names::MeshMan);
        Mesh* mesh = object->GetMesh();
        const MeshRecord* record = meshes && mesh && !heldMeshes.contains(mesh) ? meshes->FindByMesh(mesh) : nullptr;
        // The record is there, so this finds it and counts one user more.
        if (Mesh* same = record ? meshes->LoadMeshIfReadable(record->name.c_str(), 0, D3DXMESH_MANAGED) : nullptr)
            heldMeshes.insert(same);
        auto* materials = Running<MaterialMan>(names::MaterialMan);
        if (const Material* material = object->GetMaterial();
            materials && material && heldMaterialKinds.insert(std::int32_t(material->kind)).second)
            materials->GetMaterial(std::int32_t(material->kind), nullptr);
        auto* textures = Running<TextureMan>(names::TextureMan);
        const TextureSlotArray* slots = object->TextureSlots();
        for (std::uint32_t i = 0; textures && slots && i < slots->Count(); ++i) {
            IDirect3DBaseTexture9* texture = slots->Slot(std::int32_t(i))->texture;
            if (texture && !heldTextures.contains(texture) && textures->AddRef(texture)) heldTextures.insert(texture);
        }
    }

    void Release() {
        if (auto* textures = Running<TextureMan>(names::TextureMan))
            for (IDirect3DBaseTexture9* texture : heldTextures) textures->ReleaseTexture(texture);
        if (auto* materials = Running<MaterialMan>(names::MaterialMan))
            for (std::int32_t kind : heldMaterialKinds) materials->ReleaseType(kind);
        if (auto* meshes = Running<MeshMan>(names::MeshMan))
            for (const Mesh* mesh : heldMeshes) meshes->Release(mesh);
        heldTextures.clear();
        heldMaterialKinds.clear();
        heldMeshes.clear();
    }

private:
    std::set<const Mesh*> heldMeshes;
    std::set<std::int32_t> heldMaterialKinds;
    std::set<IDirect3DBaseTexture9*> heldTextures;
};

CharacterFile::CharacterFile(NPC* character) : character(character), held(std::make_unique<Held>()) {}

CharacterFile::~CharacterFile() = default;

bool CharacterFile::HoldsCharacter(const plat::XDocument& document) {
    // Owned objects only, as deep as a load reads: a reference stands for
    // an object found on the way anyway.
    std::vector<std::pair<const XDataObject*, int>> pending;
    for (const auto& object : document.objects) pending.emplace_back(object.get(), 0);
    while (!pending.empty()) {
        const auto [object, depth] = pending.back();
        pending.pop_back();
        if (object->TemplateGuid() == kCharacter) return true;
        if (depth + 1 >= kMaxDepth) continue;
        for (const plat::XChild& child : object->children)
            if (child.object) pending.emplace_back(child.object.get(), depth + 1);
    }
    return false;
}

bool CharacterFile::EndLoad(void*) {
    held->Release();
    surfaceFiles.clear();
    return true;
}

const ParsedSurfaceFile& CharacterFile::SurfaceFileNamed(const std::string& name) {
    return surfaceFiles.try_emplace(name, name.c_str()).first->second;
}

bool CharacterFile::RegisterTemplates(plat::XTemplateRegistry& registry, void*) {
    return RegisterTemplateText(registry, kTemplates, "character templates");
}

bool CharacterFile::LoadData(const XDataObject& object, const XDataObject*, int depth, void* context,
                             bool isReference) {
    if (character) {
        const XGuid& type = object.TemplateGuid();
        if (type == kCharacter) ReadCharacter(object);
        else if (type == kFaceData) ReadFace(object);
        else if (type == kSiloData) ReadSilhouette(object);
        else if (type == kLightData) ReadLight(object);
        else if (type == kLineLimbData) ReadLineOrSplineLimb(object, Limb::kLine);
        else if (type == kSplineLimbData) ReadLineOrSplineLimb(object, Limb::kSpline);
        else if (type == kModelLimbData) ReadModelLimb(object);
    }
    return LoadChildren(object, depth, context, isReference);
}

void CharacterFile::ReadCharacter(const XDataObject& object) {
    const ParsedSurfaceFile& surfaceFile = SurfaceFileNamed(object.Member("surfaceFile").AsString());
    // Read twice, as a load for the surface and one for the sounds would:
    // each read of a file draws its variant.
    const SurfaceData surface = surfaceFile.Surface();
    std::vector<std::uint32_t> sounds;
    surfaceFile.Sounds(&sounds);
    character->reboundSounds = sounds;

    const XValue& textures = object.Member("tex");
    const auto count = static_cast<std::uint32_t>(std::min<std::size_t>(textures.Size(), kMaxTextures));
    const std::string model = plat::ForwardSlashes(object.Member("modelName").AsString());
    const MeshObjectDesc desc(static_cast<std::uint8_t>(object.Member("objProp").AsDword() & kKeptBodyFlags),
                              model.c_str(), object.Member("mtrl").AsDword(), surface, count);
    if (!character->SetBody(&desc)) return;
    ObjectMesh* body = character->BodyObject();
    character->bodyTextureNames.assign(count, std::string());
    for (std::uint32_t i = 0; i < count; ++i) {
        const std::string name = plat::ForwardSlashes(textures[i].Field("texture").AsString());
        // An empty name is an empty slot, not a texture to look for.
        if (name.empty()) continue;
        body->SetTextureSlot(name.c_str(), textures[i].Field("texLoc").AsDword(), std::int32_t(i), 0);
        character->bodyTextureNames[i] = name;
    }
    held->Hold(body);
}

void CharacterFile::ReadFace(const XDataObject& object) {
    const std::string eye = plat::ForwardSlashes(object.Member("eyeName").AsString());
    const std::string pupil = plat::ForwardSlashes(object.Member("pupilName").AsString());
    if (eye.empty() && pupil.empty()) return;
    // Colours and power come from the file; the roughness terms are the
    // defaults whatever it says.
    const SurfaceData read = SurfaceFromValue(object.Member("eyeSurface"));
    const SurfaceData surface(read.diff, read.spec, read.pow, 0.5f, 0.01f, 1.5f);
    character->face.Init(eye.c_str(), pupil.c_str(), object.Member("eyeMtrl").AsDword(), &surface);
    for (const Face::Eye& eyeObject : character->face.eyes) held->Hold(eyeObject.object);
    if (character->kind == kKindNPC && character->BodyObject())
        character->face.bodyMatrix = character->BodyObject()->WorldMatrix();
}

void CharacterFile::ReadSilhouette(const XDataObject& object) {
    ObjectMesh* body = character->BodyObject();
    if (!body) return;
    const float width = object.Member("width").AsFloat();
    const float data[4] = {width, width != 0.0f ? 1.0f / width : 0.0f, 0.0f, 0.0f};
    body->SetCustomData(data);
}

void CharacterFile::ReadLight(const XDataObject& object) {
    auto* lights = static_cast<LightMan*>(eTable::Peek(names::LightMan));
    if (!lights) return;
    float colour[4], attenuation[3];
    const XValue& col = object.Member("col");
    const XValue& att = object.Member("att");
    for (std::size_t i = 0; i < 4; ++i) colour[i] = col[i].AsFloat();
    for (std::size_t i = 0; i < 3; ++i) attenuation[i] = att[i].AsFloat();
    const float origin[3] = {0.0f, 0.0f, 0.0f};
    // A character's light takes the place of every light there was.
    lights->ClearLights();
    character->lightId =
        std::int32_t(lights->AddPointLight(colour, origin, object.Member("range").AsFloat(), attenuation));
}

void CharacterFile::ReadLineOrSplineLimb(const XDataObject& object, std::uint32_t kind) {
    Limb* limb = character->AddLimb(kind, object.Member("loc").AsDword());
    if (!limb) return;
    if (ObjectMesh* body = character->BodyObject()) limb->SetBodyMatrix(body->WorldMatrix());
    for (const XValue& entry : object.Member("data").Items()) {
        LimbControlPoint point = PointAt(entry.Field("pos"));
        point.width = entry.Field("width").AsFloat();
        if (kind == Limb::kSpline) point.tension = entry.Field("constraint").AsFloat();
        character->AddFilePoint(*limb, point);
    }
}

void CharacterFile::ReadModelLimb(const XDataObject& object) {
    const std::uint32_t location = object.Member("loc").AsDword();
    auto* limb = static_cast<ModelLimb*>(character->AddLimb(Limb::kModel, location));
    ObjectMesh* body = character->BodyObject();
    if (!limb || !body) return;
    for (const XValue& entry : object.Member("data").Items()) {
        LimbControlPoint point = PointAt(entry.Field("pos"));
        if (!character->AddFilePoint(*limb, point)) continue;
        const XValue& data = entry.Field("data");
        const std::string modelName = plat::ForwardSlashes(data.Field("modelName").AsString());
        if (modelName.empty()) continue;
        TextureSlotArray* bodySlots = body->TextureSlots();
        const MeshObjectDesc desc(body->Flags() & kKeptBodyFlags, modelName.c_str(), body->MaterialKind(),
                                  body->surface, bodySlots->Count());
        ObjectMesh* model = limb->AddModel(limb->ControlPointCount() - 1, &desc);
        if (!model) continue;
        if (Mesh* mesh = model->GetMesh(); mesh && !mesh->effectLayoutReady) mesh->PrepareForEffects();
        for (std::uint32_t s = 0; s < bodySlots->Count(); ++s)
            if (bodySlots->Slot(std::int32_t(s))->texture) model->ShareTextureSlot(bodySlots->Slot(std::int32_t(s)), std::int32_t(s));
        const float scale = data.Field("scale").AsFloat();
        model->SetScale(scale, scale, scale);
        float custom[4];
        model->SetCustomData(body->GetCustomData(custom));
        // The player's eyes ride on its head.
        if (character->kind == kKindPlayer && location == limbloc::Head) character->face.bodyMatrix = model->WorldMatrix();
    }
}

bool CharacterFile::SaveTemplates(XSaveObject& save, void*) {
    return save.SaveTemplates({kTextureData, kCharacter, kSurfaceData, kFaceData, kSiloData, kLightData, kLimbData,
                               kLineControlPoint, kLineLimbData, kSplineControlPoint, kSplineLimbData, kModelData,
                               kModelControlPoint, kModelLimbData});
}

bool CharacterFile::SaveData(XSaveObject& save, void* context) {
    const auto* name = static_cast<const std::string*>(context);
    if (!character || !name || !character->BodyObject()) return false;
    auto top = WriteCharacter(save, *name);
    if (!top) return false;
    auto face = WriteFace(save);
    if (!face) return false;
    top->AddChild(std::move(face));
    if (character->lightId >= 0) {
        auto light = WriteLight(save);
        if (light) top->AddChild(std::move(light));  // null: the light is gone
    }
    auto silhouette = WriteSilhouette(save);
    if (!silhouette) return false;
    top->AddChild(std::move(silhouette));
    if (character->CountLimbs() > 0) {
        auto limbs = WriteLimbs(save);
        if (!limbs) return false;
        top->AddChild(std::move(limbs));
    }
    return save.SaveData(std::move(top));
}

std::unique_ptr<XDataObject> CharacterFile::WriteCharacter(const XSaveObject& save, const std::string& name) const {
    const XTemplate* templ = save.Template(kCharacter);
    const XTemplate* textureTempl = templ ? MemberTemplate(*templ, "tex") : nullptr;
    if (!templ || !textureTempl) return nullptr;
    ObjectMesh* body = character->BodyObject();
    TextureSlotArray* slots = body->TextureSlots();
    const std::uint32_t count = std::min(slots->Count(), kMaxTextures);
    std::vector<XValue> textures;
    for (std::uint32_t i = 0; i < count; ++i) {
        const TextureSlot* slot = slots->Slot(std::int32_t(i));
        std::string texture = i < character->bodyTextureNames.size() ? character->bodyTextureNames[i] : "";
        if (texture.empty() && slot->texture) texture = TextureName(slot->texture);
        if (!slot->texture) texture.clear();
        textures.push_back(
            XStructBuilder(*textureTempl).Set("texture", Text(texture)).Set("texLoc", Word(slot->semantic)).Build());
    }
    XValue data = XStructBuilder(*templ)
                      .Set("charType", Word(character->kind))
                      .Set("modelName", Text(MeshName(body->GetMesh())))
                      .Set("mtrl", Word(body->MaterialKind()))
                      .Set("objProp", Word(body->Flags() & kKeptBodyFlags))
                      .Set("surfaceFile", Text(name + ".sur"))
                      .Set("numTextures", Word(count))
                      .Set("tex", XValue::Array(std::move(textures)))
                      .Build();
    return save.CreateDataObject(kCharacter, name, std::move(data));
}

std::unique_ptr<XDataObject> CharacterFile::WriteFace(const XSaveObject& save) const {
    const XTemplate* templ = save.Template(kFaceData);
    const XTemplate* surfaceTempl = templ ? MemberTemplate(*templ, "eyeSurface") : nullptr;
    if (!templ || !surfaceTempl) return nullptr;
    const Face& face = character->face;
    XValue data = XStructBuilder(*templ)
                      .Set("eyeName", Text(face.eyeTexture))
                      .Set("pupilName", Text(face.pupilTexture))
                      .Set("eyeMtrl", Word(face.eyeMaterialKind))
                      .Set("eyeSurface", SurfaceToValue(*surfaceTempl, face.eyeSurface))
                      .Build();
    return save.CreateDataObject(kFaceData, "", std::move(data));
}

std::unique_ptr<XDataObject> CharacterFile::WriteLight(const XSaveObject& save) const {
    auto* lights = static_cast<LightMan*>(eTable::Peek(names::LightMan));
    const Light* light = lights ? lights->FindLight(std::uint32_t(character->lightId)) : nullptr;
    const XTemplate* templ = save.Template(kLightData);
    if (!light || !templ) return nullptr;
    XValue data = XStructBuilder(*templ)
                      .Set("col", Floats(light->colour, 4))
                      .Set("range", XValue::Real(light->range))
                      .Set("att", Floats(light->attenuation, 3))
                      .Build();
    return save.CreateDataObject(kLightData, "", std::move(data));
}

std::unique_ptr<XDataObject> CharacterFile::WriteSilhouette(const XSaveObject& save) const {
    const XTemplate* templ = save.Template(kSiloData);
    if (!templ) return nullptr;
    float custom[4];
    character->BodyObject()->GetCustomData(custom);
    const float white[4] = {1.0f, 1.0f, 1.0f, 1.0f};
    XValue data = XStructBuilder(*templ).Set("width", XValue::Real(custom[0])).Set("col", Floats(white, 4)).Build();
    return save.CreateDataObject(kSiloData, "", std::move(data));
}

std::unique_ptr<XDataObject> CharacterFile::WriteLimbs(const XSaveObject& save) const {
    const XTemplate* templ = save.Template(kLimbData);
    if (!templ) return nullptr;
    auto limbData = save.CreateDataObject(
        kLimbData, "", XStructBuilder(*templ).Set("numLimbs", Word(character->CountLimbs())).Build());
    if (!limbData) return nullptr;
    for (System* child : character->Children())
        if (IsLimb(child) && !WriteLimb(*static_cast<Limb*>(child), *limbData, save)) return nullptr;
    return limbData;
}

bool CharacterFile::WriteLimb(const Limb& limb, XDataObject& limbData, const XSaveObject& save) const {
    const XGuid& type = limb.kind == Limb::kModel ? kModelLimbData
                        : limb.kind == Limb::kSpline ? kSplineLimbData
                                                       : kLineLimbData;
    const XTemplate* templ = save.Template(type);
    const XTemplate* pointTempl = templ ? MemberTemplate(*templ, "data") : nullptr;
    const XTemplate* modelTempl = pointTempl ? MemberTemplate(*pointTempl, "data") : nullptr;
    if (!pointTempl || (limb.kind == Limb::kModel && !modelTempl)) return false;
    std::vector<XValue> points;
    for (const auto& point : limb.ControlPoints()) {
        XStructBuilder builder(*pointTempl);
        builder.Set("pos", Floats(&point->restPosition.x, 3));
        if (limb.kind == Limb::kModel) {
            const std::string mesh = point->model ? MeshName(point->model->GetMesh()) : "";
            const float scale = point->model ? point->model->GetScale().x : 1.0f;
            builder.Set("data",
                        XStructBuilder(*modelTempl).Set("modelName", Text(mesh)).Set("scale", XValue::Real(scale)).Build());
        } else {
            builder.Set("width", XValue::Real(point->width));
            if (limb.kind == Limb::kSpline) builder.Set("constraint", XValue::Real(point->tension));
        }
        points.push_back(builder.Build());
    }
    XValue data = XStructBuilder(*templ)
                      .Set("loc", Word(limb.location))
                      .Set("numControlPoints", Word(std::uint32_t(points.size())))
                      .Set("data", XValue::Array(std::move(points)))
                      .Build();
    auto object = save.CreateDataObject(type, "", std::move(data));
    if (!object) return false;
    limbData.AddChild(std::move(object));
    return true;
}
