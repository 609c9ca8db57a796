// Kind 24, fire: flames that rise and flicker. The fire texture (BASETEXTURE0)
// is read through coordinates wobbled by the distortion texture
// (BUMPTEXTURE0) scrolling upward over the scene's timer, and the whole
// flame pulses. Untextured, the flame is drawn from noise alone. Glows
// additively, so the surface colour only warms it.
#include "Common.fxh"
#include "Noise.fxh"

parameter mat4 gWorldViewProj : WORLDVIEWPROJECTION;
parameter vec4 gDiffuse : DIFFUSECOLOR;
parameter vec4 gTimer : TIMER;
parameter sampler2D gBase : BASETEXTURE0;
parameter sampler2D gDistortion : BUMPTEXTURE0;

glsl {
    // Sideways and upward wobble of the texture coordinate, stronger toward
    // the flame's tips (v = 0 at the top).
    vec2 Wobble(vec2 uv, float t) {
        vec2 scroll = vec2(uv.x, uv.y * 0.5 + t * 0.6);
        vec2 d;
        if (HasTexture2D(gDistortion)) {
            d = texture(gDistortion, scroll).rg - 0.5;
        } else {
            d = vec2(ValueNoise(vec3(scroll * 6.0, 1.0)), ValueNoise(vec3(scroll * 6.0, 9.0))) - 0.5;
        }
        return d * vec2(0.12, 0.08) * (1.2 - uv.y);
    }

    float Flicker(float t) {
        return 0.85 + 0.15 * ValueNoise(vec3(t * 7.0, 3.0, 5.0));
    }

    // A flame drawn from noise: hot at the base centre, ragged tongues
    // thinning upward.
    vec4 NoiseFlame(vec2 uv, float t) {
        float height = 1.0 - uv.y;
        float width = abs(uv.x - 0.5) * 2.0;
        float tongues = FractalNoise(vec3(uv.x * 5.0, uv.y * 3.0 + t * 2.0, t * 0.5));
        float shape = Saturate(1.0 - width * (1.0 + height * 1.5)) - height * 0.9 + tongues * 0.6;
        float heat = Saturate(shape * 1.8);
        vec3 c = mix(vec3(0.7, 0.08, 0.0), vec3(1.0, 0.85, 0.3), heat * heat);
        return vec4(c * heat, heat);
    }

    vec3 Warmth() { return vec3(1.0) + gDiffuse.rgb * 2.0; }
}

vertex FireVS {
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
    void main() {
        float t = gTimer.x;
        vec4 flame = NoiseFlame(texCoord + Wobble(texCoord, t), t);
        colour = vec4(flame.rgb * Warmth() * Flicker(t), flame.a * gDiffuse.a);
        tmAlphaTest(colour.a);
    }
}

fragment TexturedFS {
    in vec2 texCoord; out vec4 colour;
    void main() {
        float t = gTimer.x;
        vec4 flame = texture(gBase, texCoord + Wobble(texCoord, t));
        colour = vec4(flame.rgb * Warmth() * Flicker(t), flame.a * gDiffuse.a);
        tmAlphaTest(colour.a);
    }
}

technique Untextured {
    pass P0 {
        vertex = FireVS; fragment = PlainFS;
        ZEnable = true; ZWriteEnable = false; ZFunc = LessEqual; CullMode = None;
        AlphaBlendEnable = true; SrcBlend = SrcAlpha; DestBlend = One; BlendOp = Add;
        sampler gDistortion { MinFilter = Linear; MagFilter = Linear; MipFilter = Linear; AddressU = Wrap; AddressV = Wrap; }
    }
}
technique Textured {
    pass P0 {
        vertex = FireVS; fragment = TexturedFS;
        ZEnable = true; ZWriteEnable = false; ZFunc = LessEqual; CullMode = None;
        AlphaBlendEnable = true; SrcBlend = SrcAlpha; DestBlend = One; BlendOp = Add;
        sampler gBase { MinFilter = Linear; MagFilter = Linear; MipFilter = Linear; AddressU = Clamp; AddressV = Clamp; }
        sampler gDistortion { MinFilter = Linear; MagFilter = Linear; MipFilter = Linear; AddressU = Wrap; AddressV = Wrap; }
    }
}
