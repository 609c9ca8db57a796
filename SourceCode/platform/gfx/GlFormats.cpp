#include "platform/gfx/GlFormats.h"

namespace plat {
namespace {
constexpr GLint kRGBA[4] = {GL_RED, GL_GREEN, GL_BLUE, GL_ALPHA};

GlFormat Plain(GLenum internal, GLenum format, GLenum type, bool renderable = true) {
    return {internal, format, type, false, renderable, {kRGBA[0], kRGBA[1], kRGBA[2], kRGBA[3]}};
}
GlFormat Swizzled(GLenum internal, GLenum format, GLenum type, GLint r, GLint g, GLint b, GLint a) {
    return {internal, format, type, false, false, {r, g, b, a}};
}
GlFormat Compressed(GLenum internal) {
    return {internal, 0, 0, true, false, {kRGBA[0], kRGBA[1], kRGBA[2], kRGBA[3]}};
}
}  // namespace

const GlFormat* GlFormatOf(D3DFORMAT format) {
    // Direct3D's packed ARGB formats are little-endian words: in memory the
    // bytes run B, G, R, A, which is GL's BGRA order.
    static const GlFormat a8r8g8b8 = Plain(GL_RGBA8, GL_BGRA, GL_UNSIGNED_BYTE);
    static const GlFormat x8r8g8b8 = Plain(GL_RGB8, GL_BGRA, GL_UNSIGNED_BYTE);
    static const GlFormat a8b8g8r8 = Plain(GL_RGBA8, GL_RGBA, GL_UNSIGNED_BYTE);
    static const GlFormat x8b8g8r8 = Plain(GL_RGB8, GL_RGBA, GL_UNSIGNED_BYTE);
    static const GlFormat r5g6b5 = Plain(GL_RGB565, GL_RGB, GL_UNSIGNED_SHORT_5_6_5);
    static const GlFormat a1r5g5b5 = Plain(GL_RGB5_A1, GL_BGRA, GL_UNSIGNED_SHORT_1_5_5_5_REV);
    static const GlFormat x1r5g5b5 = Plain(GL_RGB5, GL_BGRA, GL_UNSIGNED_SHORT_1_5_5_5_REV);
    static const GlFormat a4r4g4b4 = Plain(GL_RGBA4, GL_BGRA, GL_UNSIGNED_SHORT_4_4_4_4_REV);
    static const GlFormat x4r4g4b4 = Plain(GL_RGB4, GL_BGRA, GL_UNSIGNED_SHORT_4_4_4_4_REV);
    static const GlFormat a2b10g10r10 = Plain(GL_RGB10_A2, GL_RGBA, GL_UNSIGNED_INT_2_10_10_10_REV);
    static const GlFormat a2r10g10b10 = Plain(GL_RGB10_A2, GL_BGRA, GL_UNSIGNED_INT_2_10_10_10_REV);
    static const GlFormat g16r16 = Swizzled(GL_RG16, GL_RG, GL_UNSIGNED_SHORT, GL_RED, GL_GREEN, GL_ONE, GL_ONE);
    static const GlFormat a16b16g16r16 = Plain(GL_RGBA16, GL_RGBA, GL_UNSIGNED_SHORT);
    static const GlFormat l8 = Swizzled(GL_R8, GL_RED, GL_UNSIGNED_BYTE, GL_RED, GL_RED, GL_RED, GL_ONE);
    static const GlFormat a8 = Swizzled(GL_R8, GL_RED, GL_UNSIGNED_BYTE, GL_ZERO, GL_ZERO, GL_ZERO, GL_RED);
    static const GlFormat a8l8 = Swizzled(GL_RG8, GL_RG, GL_UNSIGNED_BYTE, GL_RED, GL_RED, GL_RED, GL_GREEN);
    static const GlFormat l16 = Swizzled(GL_R16, GL_RED, GL_UNSIGNED_SHORT, GL_RED, GL_RED, GL_RED, GL_ONE);
    // Direct3D reads missing channels of float formats as 1.
    static const GlFormat r16f = Swizzled(GL_R16F, GL_RED, GL_HALF_FLOAT, GL_RED, GL_ONE, GL_ONE, GL_ONE);
    static const GlFormat g16r16f = Swizzled(GL_RG16F, GL_RG, GL_HALF_FLOAT, GL_RED, GL_GREEN, GL_ONE, GL_ONE);
    static const GlFormat a16b16g16r16f = Plain(GL_RGBA16F, GL_RGBA, GL_HALF_FLOAT);
    static const GlFormat r32f = Swizzled(GL_R32F, GL_RED, GL_FLOAT, GL_RED, GL_ONE, GL_ONE, GL_ONE);
    static const GlFormat g32r32f = Swizzled(GL_RG32F, GL_RG, GL_FLOAT, GL_RED, GL_GREEN, GL_ONE, GL_ONE);
    static const GlFormat a32b32g32r32f = Plain(GL_RGBA32F, GL_RGBA, GL_FLOAT);
    static const GlFormat dxt1 = Compressed(GL_COMPRESSED_RGBA_S3TC_DXT1_EXT);
    static const GlFormat dxt3 = Compressed(GL_COMPRESSED_RGBA_S3TC_DXT3_EXT);
    static const GlFormat dxt5 = Compressed(GL_COMPRESSED_RGBA_S3TC_DXT5_EXT);
    // Single-channel and two-channel float targets are renderable too.
    static const GlFormat r16fTarget = [] { GlFormat f = r16f; f.renderable = true; return f; }();
    static const GlFormat r32fTarget = [] { GlFormat f = r32f; f.renderable = true; return f; }();
    static const GlFormat g16r16fTarget = [] { GlFormat f = g16r16f; f.renderable = true; return f; }();
    static const GlFormat g32r32fTarget = [] { GlFormat f = g32r32f; f.renderable = true; return f; }();

    switch (format) {
    case D3DFMT_A8R8G8B8: return &a8r8g8b8;
    case D3DFMT_X8R8G8B8: return &x8r8g8b8;
    case D3DFMT_A8B8G8R8: return &a8b8g8r8;
    case D3DFMT_X8B8G8R8: return &x8b8g8r8;
    case D3DFMT_R5G6B5: return &r5g6b5;
    case D3DFMT_A1R5G5B5: return &a1r5g5b5;
    case D3DFMT_X1R5G5B5: return &x1r5g5b5;
    case D3DFMT_A4R4G4B4: return &a4r4g4b4;
    case D3DFMT_X4R4G4B4: return &x4r4g4b4;
    case D3DFMT_A2B10G10R10: return &a2b10g10r10;
    case D3DFMT_A2R10G10B10: return &a2r10g10b10;
    case D3DFMT_G16R16: return &g16r16;
    case D3DFMT_A16B16G16R16: return &a16b16g16r16;
    case D3DFMT_L8: return &l8;
    case D3DFMT_A8: return &a8;
    case D3DFMT_A8L8: return &a8l8;
    case D3DFMT_L16: return &l16;
    case D3DFMT_R16F: return &r16fTarget;
    case D3DFMT_G16R16F: return &g16r16fTarget;
    case D3DFMT_A16B16G16R16F: return &a16b16g16r16f;
    case D3DFMT_R32F: return &r32fTarget;
    case D3DFMT_G32R32F: return &g32r32fTarget;
    case D3DFMT_A32B32G32R32F: return &a32b32g32r32f;
    case D3DFMT_DXT1: return &dxt1;
    case D3DFMT_DXT2:
    case D3DFMT_DXT3: return &dxt3;
    case D3DFMT_DXT4:
    case D3DFMT_DXT5: return &dxt5;
    default: return nullptr;
    }
}

}  // namespace plat
