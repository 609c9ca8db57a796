#pragma once
#include <filesystem>

// Writes the characters' textures under the textures folder: eyes and
// pupils in "Eyes/", silhouette ramps in "Silo/", body patterns in "Body/".
bool WriteCharacterTextures(const std::filesystem::path& texturesFolder);
