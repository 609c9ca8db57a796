#include "characters/AnimationFile.h"

#include <cmath>

#include "characters/Animation.h"

namespace {

using plat::XDataObject;
using plat::XGuid;
using plat::XStructBuilder;
using plat::XValue;

using xdata::Guid;
using xdata::Vector;

const XGuid kAnimationGuid = Guid("F6CA654B-853A-4052-B135-7FBF1A9D93D3");
const XGuid kFrameGuid = Guid("C5F5CC97-62D6-489c-A990-25B49BA314FB");
const XGuid kBodyGuid = Guid("38B1252B-F2DC-4f85-A241-E299FC70BA25");
const XGuid kLimbGuid = Guid("EB5C0B13-F0A4-4ddc-9413-68F7A32B1F93");
const XGuid kControlPointGuid = Guid("8F956E53-D541-4070-A800-75CAE36B670E");

constexpr char kTemplates[] = R"(xof 0303txt 0032
template _Animation {
 <F6CA654B-853A-4052-B135-7FBF1A9D93D3>
 DWORD aniType;
 FLOAT aniLength;
 DWORD loop;
 [...]
}
template _AnimationFrame {
 <C5F5CC97-62D6-489c-A990-25B49BA314FB>
 FLOAT time;
 [...]
}
template _AnimationBody {
 <38B1252B-F2DC-4f85-A241-E299FC70BA25>
 array FLOAT posOff[3];
}
template _AnimationLimb {
 <EB5C0B13-F0A4-4ddc-9413-68F7A32B1F93>
 DWORD loc;
 [...]
}
template _AnimationControlPoint {
 <8F956E53-D541-4070-A800-75CAE36B670E>
 DWORD index;
 array FLOAT pos[3];
}
)";

constexpr std::size_t kMaxNameLength = 63;
constexpr float kNegligible = 0.001f;
constexpr std::uint16_t kLastLimbLocation = 4;
constexpr std::uint16_t kLastControlPoint = 9;

XValue Array(const D3DXVECTOR3& v) { return xdata::Floats(&v.x, 3); }

bool Negligible(const D3DXVECTOR3& v) {
    return std::fabs(v.x) < kNegligible && std::fabs(v.y) < kNegligible && std::fabs(v.z) < kNegligible;
}

XValue Build(const XSaveObject& save, const XGuid& guid, std::initializer_list<std::pair<const char*, XValue>> members) {
    const plat::XTemplate* templ = save.Template(guid);
    if (!templ) return {};
    XStructBuilder builder(*templ);
    for (const auto& [member, value] : members) builder.Set(member, value);
    return builder.Build();
}

}  // namespace

AnimationFile::AnimationFile(Animation* animation, bool clean) : animation(animation) {
    if (clean && animation) cleaned = Cleaned(*animation);
}

AnimationFile::~AnimationFile() = default;

std::unique_ptr<Animation> AnimationFile::Cleaned(const Animation& source) {
    auto copy = std::make_unique<Animation>(source);
    for (AnimationFrame& frame : copy->frames) {
        if (frame.bodyOffset && Negligible(*frame.bodyOffset)) frame.bodyOffset.reset();
        for (AnimationLimb& limb : frame.limbs)
            limb.controlPoints.remove_if([](const AnimationControlPoint& key) { return key.index == 0; });
    }
    return copy;
}

bool AnimationFile::RegisterTemplates(plat::XTemplateRegistry& registry, void*) {
    return RegisterTemplateText(registry, kTemplates, "animation templates");
}

bool AnimationFile::LoadData(const XDataObject& object, const XDataObject*, int depth, void* context,
                             bool isReference) {
    Target parent = targets.empty() ? Target{} : targets.back();
    Target made = ReadObject(object, parent);
    targets.push_back(made);
    LoadChildren(object, depth, context, isReference);
    targets.pop_back();
    return true;
}

AnimationFile::Target AnimationFile::ReadObject(const XDataObject& object, const Target& parent) {
    const XGuid& type = object.TemplateGuid();
    if (type == kAnimationGuid) {
        if (!animation) return {};
        animation->aniType = object.Member("aniType").AsDword();
        animation->SetLength(object.Member("aniLength").AsFloat());
        animation->loop = object.Member("loop").AsDword() == 1 ? 1 : 0;
        animation->name = object.name.substr(0, kMaxNameLength);
        return animation;
    }
    if (type == kFrameGuid) {
        auto* owner = std::get_if<Animation*>(&parent);
        if (!owner) return {};
        AnimationFrame* frame = (*owner)->AddFrame(object.Member("time").AsFloat());
        return frame ? Target{frame} : Target{};
    }
    if (type == kBodyGuid) {
        if (auto* frame = std::get_if<AnimationFrame*>(&parent)) (*frame)->bodyOffset = Vector(object.Member("posOff"));
        return {};
    }
    if (type == kLimbGuid) {
        auto* frame = std::get_if<AnimationFrame*>(&parent);
        if (!frame) return {};
        AnimationLimb* limb = (*frame)->AddLimb(static_cast<std::uint16_t>(object.Member("loc").AsDword()));
        return limb ? Target{limb} : Target{};
    }
    if (type == kControlPointGuid) {
        if (auto* limb = std::get_if<AnimationLimb*>(&parent)) {
            auto index = static_cast<std::uint16_t>(object.Member("index").AsDword());
            if (AnimationControlPoint* key = (*limb)->AddControlPoint(index)) key->pos = Vector(object.Member("pos"));
        }
        return {};
    }
    return {};
}

bool AnimationFile::SaveTemplates(XSaveObject& save, void*) {
    return save.SaveTemplates({kAnimationGuid, kFrameGuid, kBodyGuid, kLimbGuid, kControlPointGuid});
}

bool AnimationFile::SaveData(XSaveObject& save, void*) {
    const Animation* source = cleaned ? cleaned.get() : animation;
    if (!source) return false;
    auto top = save.CreateDataObject(kAnimationGuid, source->name,
                                     Build(save, kAnimationGuid,
                                           {{"aniType", XValue::Integer(source->aniType)},
                                            {"aniLength", XValue::Real(source->aniLength)},
                                            {"loop", XValue::Integer(source->loop ? 1 : 0)}}));
    if (!top) return false;
    for (const AnimationFrame& frame : source->frames) {
        auto written = WriteFrame(save, frame);
        if (!written) return false;
        top->AddChild(std::move(written));
    }
    return save.SaveData(std::move(top));
}

std::unique_ptr<XDataObject> AnimationFile::WriteFrame(const XSaveObject& save, const AnimationFrame& frame) const {
    auto object = save.CreateDataObject(kFrameGuid, "", Build(save, kFrameGuid, {{"time", XValue::Real(frame.time)}}));
    if (!object) return nullptr;
    if (frame.bodyOffset) {
        auto body = save.CreateDataObject(kBodyGuid, "", Build(save, kBodyGuid, {{"posOff", Array(*frame.bodyOffset)}}));
        if (!body) return nullptr;
        object->AddChild(std::move(body));
    }
    for (std::uint16_t loc = 0; loc <= kLastLimbLocation; ++loc) {
        for (const AnimationLimb& limb : frame.limbs) {
            if (limb.loc != loc) continue;
            auto written = WriteLimb(save, limb);
            if (!written) return nullptr;
            object->AddChild(std::move(written));
        }
    }
    return object;
}

std::unique_ptr<XDataObject> AnimationFile::WriteLimb(const XSaveObject& save, const AnimationLimb& limb) const {
    auto object = save.CreateDataObject(kLimbGuid, "", Build(save, kLimbGuid, {{"loc", XValue::Integer(limb.loc)}}));
    if (!object) return nullptr;
    // Keys of point 0 are never written: the first point of a limb stays
    // where the limb is fixed.
    for (std::uint16_t index = 1; index <= kLastControlPoint; ++index) {
        for (const AnimationControlPoint& key : limb.controlPoints) {
            if (key.index != index) continue;
            auto point = save.CreateDataObject(
                kControlPointGuid, "",
                Build(save, kControlPointGuid, {{"index", XValue::Integer(key.index)}, {"pos", Array(key.pos)}}));
            if (!point) return nullptr;
            object->AddChild(std::move(point));
        }
    }
    return object;
}
