#pragma once
// What the console's character commands do to a character: the animation
// editor's edited character, which the editor commands find and hand here.
#include <cstdint>

#include "Video/ObjectDesc.h"
#include "console/ConsoleCommands.h"

class NPC;

// The surface of "SetSurface" from its first ten words: diffuse red, green,
// blue; specular red, green, blue (both colours with alpha 1.0); power; m;
// n; str. Missing words, and words that are no numbers (which the command
// refuses first), count as 0.
SurfaceData SurfaceFromWords(CommandArgs words);

// The body's render object takes the material kind, and with modelLimbs so
// does every model of each of the character's model limbs (locations 0 to
// 4). False (nothing changed) when the character has no body.
bool SetCharacterMaterial(NPC& character, std::uint32_t kind, std::uint32_t properties, bool modelLimbs);

// The body's silhouette width, kept in its custom-data vector as
// (width, 1 / width, unchanged, unchanged); a width of 0 gives an inverse of
// 0, as a character file's does. False when the character has no body.
bool SetSilhouetteWidth(NPC& character, float width);
