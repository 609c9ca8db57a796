// Kind 22, an eye: the eye texture (or the diffuse colour) with the pupil
// texture from SILOTEXTURE laid over it by the pupil's alpha. Unlit, so that
// eyes read clearly in any light.
#include "Common.fxh"

parameter mat4 gWorldViewProj : WORLDVIEWPROJECTION;
parameter vec4 gDiffuse : DIFFUSECOLOR;
parameter sampler2D gBase : BASETEXTURE0;
parameter sampler2D gPupil : SILOTEXTURE;

glsl {
    vec4 EyeColour(vec4 eye, vec2 uv) {
        if (!HasTexture2D(gPupil)) return eye;
        vec4 pupil = texture(gPupil, uv);
        return vec4(mix(eye.rgb, pupil.rgb, pupil.a), eye.a);
    }
}

vertex FaceVS {
    layout(location = TM_POSITION) in vec3 inPosition;
    layout(location = TM_TEXCOORD0) in vec2 inTexCoord;
    out vec2 texCoord;
    void main() {
        gl_Position = tmClip(vec4(inPosition, 1.0) * gWorldViewProj);
        texCoord = inTexCoord;
    }
}

fragment PlainFS {
    in vec2 texCoord; out vec4 colour;
    void main() { colour = EyeColour(gDiffuse, texCoord); tmAlphaTest(colour.a); }
}

fragment TexturedFS {
    in vec2 texCoord; out vec4 colour;
    void main() { colour = EyeColour(texture(gBase, texCoord) * gDiffuse, texCoord); tmAlphaTest(colour.a); }
}

technique Untextured {
    pass P0 {
        vertex = FaceVS; fragment = PlainFS;
        ZEnable = true; ZWriteEnable = true; ZFunc = LessEqual; CullMode = CCW;
        AlphaBlendEnable = true; SrcBlend = SrcAlpha; DestBlend = InvSrcAlpha; BlendOp = Add;
        sampler gPupil { MinFilter = Linear; MagFilter = Linear; MipFilter = Linear; AddressU = Clamp; AddressV = Clamp; }
    }
}
technique Textured {
    pass P0 {
        vertex = FaceVS; fragment = TexturedFS;
        ZEnable = true; ZWriteEnable = true; ZFunc = LessEqual; CullMode = CCW;
        AlphaBlendEnable = true; SrcBlend = SrcAlpha; DestBlend = InvSrcAlpha; BlendOp = Add;
        sampler gBase { MinFilter = Linear; MagFilter = Linear; MipFilter = Linear; AddressU = Wrap; AddressV = Wrap; }
        sampler gPupil { MinFilter = Linear; MagFilter = Linear; MipFilter = Linear; AddressU = Clamp; AddressV = Clamp; }
    }
}
