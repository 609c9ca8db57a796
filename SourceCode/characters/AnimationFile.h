#pragma once
// An animation file (".ani"): one Animation as a .x text file. Reads a file
// into an animation and writes an animation, optionally cleaned of what no
// pose reads.
#include <memory>
#include <variant>
#include <vector>

#include "characters/XDataFile.h"

class Animation;
struct AnimationFrame;
struct AnimationLimb;

class AnimationFile : public XDataFile {
public:
    // With clean, a cleaned copy is made at once and is what Save writes.
    explicit AnimationFile(Animation* animation, bool clean = false);
    ~AnimationFile() override;

    // The cleaned copy of an animation: body offsets within 0.001 of zero
    // (playback never applies them) and keys of point 0 (never written)
    // removed. Every other key and limb entry stays, zero or empty: a key of
    // zero brings its point back to rest, where a missing key would leave it
    // where it is, and a frame without a limb's entry does not move that
    // limb at all. The copy plays every pose of the original.
    static std::unique_ptr<Animation> Cleaned(const Animation& animation);

protected:
    bool LoadData(const plat::XDataObject& object, const plat::XDataObject* parent, int depth, void* context,
                  bool isReference) override;
    bool SaveTemplates(XSaveObject& save, void* context) override;
    bool SaveData(XSaveObject& save, void* context) override;
    bool RegisterTemplates(plat::XTemplateRegistry& registry, void* context) override;

private:
    // What was made for the enclosing object: the children of an object are
    // read into it.
    using Target = std::variant<std::monostate, Animation*, AnimationFrame*, AnimationLimb*>;
    Target ReadObject(const plat::XDataObject& object, const Target& parent);
    std::unique_ptr<plat::XDataObject> WriteFrame(const XSaveObject& save, const AnimationFrame& frame) const;
    std::unique_ptr<plat::XDataObject> WriteLimb(const XSaveObject& save, const AnimationLimb& limb) const;

    Animation* animation;
    std::unique_ptr<Animation> cleaned;
    std::vector<Target> targets;
};
