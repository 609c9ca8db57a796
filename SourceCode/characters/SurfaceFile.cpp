#include "characters/SurfaceFile.h"

#include <string>

#include "audio/SoundNames.h"
#include "core/DIva.h"
#include "core/Random.h"
#include "platform/common/Files.h"

namespace {

const plat::XGuid kRandomSurfaceGuid = *plat::XGuid::Parse("FCEADA21-F9E4-42e7-9F9C-FD63D85AF85C");
const plat::XGuid kRandomSoundGuid = *plat::XGuid::Parse("1A1BC4FD-BD8B-41f4-83A8-A4BC3070A2D9");

constexpr char kTemplates[] = R"(xof 0303txt 0032
template SurfaceData {
 <D6AC416B-CCBD-44fb-957F-61C7669C5C84>
 array FLOAT diff[4];
 array FLOAT spec[4];
 DWORD pow;
 FLOAT m;
 FLOAT n;
 FLOAT str;
}
template RandomSurfaceData {
 <FCEADA21-F9E4-42e7-9F9C-FD63D85AF85C>
 DWORD numSurfaces;
 array SurfaceData surface[numSurfaces];
}
template RandomSoundData {
 <1A1BC4FD-BD8B-41f4-83A8-A4BC3070A2D9>
 DWORD numSFX;
 array DWORD sfxIndex[numSFX];
}
)";

std::string SurfacePath(const char* fileName) {
    return AssetRoot() + "/Assets/Surfaces/" + plat::ForwardSlashes(fileName ? fileName : "");
}

// A character saved under a new name has no surface file and simply takes
// the default surface, so only a file that is not there passes in silence:
// any other fault (a loop of links included) is named by the reader.
bool ReadIfPresent(const char* fileName, plat::XDocument& document) {
    const std::string path = SurfacePath(fileName);
    if (!fileName || !*fileName || plat::LookForFile(path) == plat::FileLook::Missing) return false;
    return SurfaceFile().ReadUpToFault(path, document, nullptr);
}

using xdata::Floats;

}  // namespace

SurfaceData SurfaceFromValue(const plat::XValue& value) {
    SurfaceData s;
    const plat::XValue& diff = value.Field("diff");
    const plat::XValue& spec = value.Field("spec");
    for (std::size_t i = 0; i < 4; ++i) {
        s.diff[i] = diff[i].AsFloat();
        s.spec[i] = spec[i].AsFloat();
    }
    s.pow = value.Field("pow").AsDword();
    s.m = value.Field("m").AsFloat();
    s.n = value.Field("n").AsFloat();
    s.str = value.Field("str").AsFloat();
    return s;
}

plat::XValue SurfaceToValue(const plat::XTemplate& templ, const SurfaceData& s) {
    return plat::XStructBuilder(templ)
        .Set("diff", Floats(s.diff, 4))
        .Set("spec", Floats(s.spec, 4))
        .Set("pow", plat::XValue::Integer(s.pow))
        .Set("m", plat::XValue::Real(s.m))
        .Set("n", plat::XValue::Real(s.n))
        .Set("str", plat::XValue::Real(s.str))
        .Build();
}

bool SurfaceFile::RegisterTemplates(plat::XTemplateRegistry& registry, void*) {
    return RegisterTemplateText(registry, kTemplates, "surface templates");
}

bool SurfaceFile::LoadData(const plat::XDataObject& object, const plat::XDataObject*, int depth, void* context,
                           bool isReference) {
    if (object.TemplateGuid() == kRandomSurfaceGuid) {
        const plat::XValue& variants = object.Member("surface");
        if (variants.Size() > 0) surface = SurfaceFromValue(variants[std::size_t(Random::Next()) % variants.Size()]);
    } else if (object.TemplateGuid() == kRandomSoundGuid) {
        auto* indexes = static_cast<std::vector<std::uint32_t>*>(context);
        numSFX = indexes ? object.Member("numSFX").AsDword() : 0;
        if (indexes) {
            indexes->clear();
            for (const plat::XValue& index : object.Member("sfxIndex").Items()) {
                std::uint32_t value = index.AsDword();
                indexes->push_back(value < std::uint32_t(kCharacterSoundCount) ? value : 0);
            }
        }
    }
    return LoadChildren(object, depth, context, isReference);
}

ParsedSurfaceFile::ParsedSurfaceFile(const char* fileName) { read = ReadIfPresent(fileName, document); }

SurfaceData ParsedSurfaceFile::Surface() const {
    SurfaceFile file;
    if (read) file.Apply(document, nullptr);
    return file.surface;
}

std::uint32_t ParsedSurfaceFile::Sounds(std::vector<std::uint32_t>* indexes) const {
    std::vector<std::uint32_t> found;
    SurfaceFile file;
    if (!read || !file.Apply(document, &found) || file.numSFX == 0) return 0;
    *indexes = std::move(found);
    return file.numSFX;
}

SurfaceData* LoadSurface(SurfaceData* out, const char* fileName) {
    *out = ParsedSurfaceFile(fileName).Surface();
    return out;
}

std::uint32_t LoadSurfaceSounds(const char* fileName, std::vector<std::uint32_t>* indexes) {
    return ParsedSurfaceFile(fileName).Sounds(indexes);
}
