#pragma once
// A surface file (".sur", read only): a character's body surface, chosen at
// random among the file's variants each time it is read, and the character
// sounds it plays when it rebounds. Files live under
// "<working directory>/Assets/Surfaces/".
#include <cstdint>
#include <vector>

#include "Video/ObjectDesc.h"
#include "characters/XDataFile.h"

class SurfaceFile : public XDataFile {
public:
    SurfaceFile() = default;

    // The chosen variant, or the defaults when the file has none.
    SurfaceData surface;
    std::uint32_t numSFX = 0;

protected:
    // context: a std::vector<std::uint32_t>* that receives the sound
    // indexes, or null.
    bool LoadData(const plat::XDataObject& object, const plat::XDataObject* parent, int depth, void* context,
                  bool isReference) override;
    bool RegisterTemplates(plat::XTemplateRegistry& registry, void* context) override;
};

// A surface file parsed once and read as often as its reader asks: a
// character file may name the same surface file at every reference to its
// Character object. Each read is what a load of the file gives, a variant
// chosen anew included.
class ParsedSurfaceFile {
public:
    // The name includes the extension; a file that is not there is no error.
    explicit ParsedSurfaceFile(const char* fileName);

    // The surface; the defaults when the file cannot be read.
    SurfaceData Surface() const;
    // The rebound-sound indexes into the character sound table (an index
    // past the table becomes 0) replace *indexes; returns their count, 0
    // when the file cannot be read or names no sounds (then *indexes is
    // kept).
    std::uint32_t Sounds(std::vector<std::uint32_t>* indexes) const;

private:
    bool read = false;
    plat::XDocument document;
};

// One read of ParsedSurfaceFile(fileName): its surface, its sounds.
SurfaceData* LoadSurface(SurfaceData* out, const char* fileName);
std::uint32_t LoadSurfaceSounds(const char* fileName, std::vector<std::uint32_t>* indexes);

// The twelve words of a surface from the members of a "SurfaceData" value
// (the surface and character files' templates have the same members).
SurfaceData SurfaceFromValue(const plat::XValue& value);
plat::XValue SurfaceToValue(const plat::XTemplate& templ, const SurfaceData& surface);
