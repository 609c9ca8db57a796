#pragma once
// A character file ("Assets/Characters/<name>.x"): the body's mesh,
// material, surface file and textures, the face, the silhouette width, a
// carried light and the limbs with their control points. Reads a file into
// a character and writes a character back.
#include <map>
#include <memory>
#include <string>

#include "characters/SurfaceFile.h"
#include "characters/XDataFile.h"

class Limb;
class NPC;
class ObjectMesh;

class CharacterFile : public XDataFile {
public:
    // Body flags a file may set: cast shadow, early, and the two group
    // kinds. The others are the object's own (dirty, culled) or would take
    // the body's world matrix away (32).
    static constexpr std::uint32_t kKeptBodyFlags = 4 | 8 | 16 | 64;
    static constexpr std::uint32_t kMaxTextures = 10;

    explicit CharacterFile(NPC* character);
    ~CharacterFile() override;

    // Whether a document read holds a Character object (at the top or
    // inside another object), without which a load makes a blank character.
    static bool HoldsCharacter(const plat::XDocument& document);

protected:
    bool EndLoad(void* context) override;
    bool LoadData(const plat::XDataObject& object, const plat::XDataObject* parent, int depth, void* context,
                  bool isReference) override;
    bool SaveTemplates(XSaveObject& save, void* context) override;
    // context: the character's name (const std::string*), which names the
    // Character object and its surface file.
    bool SaveData(XSaveObject& save, void* context) override;
    bool RegisterTemplates(plat::XTemplateRegistry& registry, void* context) override;

private:
    void ReadCharacter(const plat::XDataObject& object);
    void ReadFace(const plat::XDataObject& object);
    void ReadSilhouette(const plat::XDataObject& object);
    void ReadLight(const plat::XDataObject& object);
    void ReadLineOrSplineLimb(const plat::XDataObject& object, std::uint32_t kind);
    void ReadModelLimb(const plat::XDataObject& object);

    std::unique_ptr<plat::XDataObject> WriteCharacter(const XSaveObject& save, const std::string& name) const;
    std::unique_ptr<plat::XDataObject> WriteFace(const XSaveObject& save) const;
    std::unique_ptr<plat::XDataObject> WriteLight(const XSaveObject& save) const;
    std::unique_ptr<plat::XDataObject> WriteSilhouette(const XSaveObject& save) const;
    std::unique_ptr<plat::XDataObject> WriteLimbs(const XSaveObject& save) const;
    // One limb object into limbData; false when it cannot be made.
    bool WriteLimb(const Limb& limb, plat::XDataObject& limbData, const XSaveObject& save) const;

    // The surface file of that name, parsed at its first use in this load.
    const ParsedSurfaceFile& SurfaceFileNamed(const std::string& name);

    // What the objects read so far draw with, held until the load ends.
    class Held;

    NPC* character;
    std::map<std::string, ParsedSurfaceFile> surfaceFiles;
    std::unique_ptr<Held> held;
};
