#pragma once
// How each Direct3D format is stored and uploaded in OpenGL. Platform layer
// only.
#include <epoxy/gl.h>

#include "platform/gfx/D3DTypes.h"

namespace plat {

struct GlFormat {
    GLenum internalFormat;
    GLenum format;  // of the CPU bytes (unused for compressed formats)
    GLenum type;
    bool compressed;
    bool renderable;
    GLint swizzle[4];  // what r, g, b, a sample from
};

// Null for a format the device cannot hold in a texture.
const GlFormat* GlFormatOf(D3DFORMAT format);

}  // namespace plat
