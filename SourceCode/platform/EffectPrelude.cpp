#include "platform/EffectPrelude.h"

namespace plat {

std::string EffectPrelude(FxStage::Kind) { return {}; }

}  // namespace plat
