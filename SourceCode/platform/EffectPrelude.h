#pragma once
// The GLSL that the device expects at the top of every stage of an effect
// (attribute locations, standard uniforms, the alpha-test discard), put
// between the version line and the effect's own declarations.
#include <string>

#include "platform/EffectSource.h"

namespace plat {

std::string EffectPrelude(FxStage::Kind kind);

}  // namespace plat
