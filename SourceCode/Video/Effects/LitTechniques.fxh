// The ten techniques of the lit family (plastic, shiny plastic, velvet), by
// index: 0/1 base pass, 2/3 one added directional light, 4/5 one added point
// light, 6/7 a single directional light, 8/9 a single point light; even
// untextured, odd textured. The base pass lays down the ambient colour and
// the depth; added lights blend on top of it without writing depth.
//
// The including effect defines, in its own glsl block:
//   vec3 LitAmbient(Surface s)                 the colour without lights
//   vec3 LitLight(Surface s, LightSample l)    what one light adds
#include "Surface.fxh"

glsl {
    vec3 LitAmbient(Surface s);
    vec3 LitLight(Surface s, LightSample l);

    const int kBasePass = 0;
    const int kAddDirectional = 1;
    const int kAddPoint = 2;
    const int kSingleDirectional = 3;
    const int kSinglePoint = 4;

    vec4 LitColour(int mode, bool textured, vec3 position, vec3 normal, vec2 uv) {
        Surface s = MakeSurface(position, normal, uv, textured);
        vec3 c = vec3(0.0);
        if (mode == kBasePass || mode == kSingleDirectional || mode == kSinglePoint) c += LitAmbient(s);
        if (mode == kAddDirectional || mode == kSingleDirectional) c += LitLight(s, DirectionalLight());
        if (mode == kAddPoint || mode == kSinglePoint) c += LitLight(s, PointLight(s.position));
        return vec4(c, s.albedo.a);
    }
}

vertex LitVS {
    layout(location = TM_POSITION) in vec3 inPosition;
    layout(location = TM_NORMAL) in vec3 inNormal;
    layout(location = TM_TEXCOORD0) in vec2 inTexCoord;
    out vec3 objectPosition;
    out vec3 objectNormal;
    out vec2 texCoord;
    void main() {
        gl_Position = tmClip(vec4(inPosition, 1.0) * gWorldViewProj);
        objectPosition = inPosition;
        objectNormal = inNormal;
        texCoord = inTexCoord;
    }
}

fragment LitBaseFS {
    in vec3 objectPosition; in vec3 objectNormal; in vec2 texCoord; out vec4 colour;
    void main() { colour = LitColour(kBasePass, false, objectPosition, objectNormal, texCoord); tmAlphaTest(colour.a); }
}
fragment LitBaseTexFS {
    in vec3 objectPosition; in vec3 objectNormal; in vec2 texCoord; out vec4 colour;
    void main() { colour = LitColour(kBasePass, true, objectPosition, objectNormal, texCoord); tmAlphaTest(colour.a); }
}
fragment LitAddDirFS {
    in vec3 objectPosition; in vec3 objectNormal; in vec2 texCoord; out vec4 colour;
    void main() { colour = LitColour(kAddDirectional, false, objectPosition, objectNormal, texCoord); tmAlphaTest(colour.a); }
}
fragment LitAddDirTexFS {
    in vec3 objectPosition; in vec3 objectNormal; in vec2 texCoord; out vec4 colour;
    void main() { colour = LitColour(kAddDirectional, true, objectPosition, objectNormal, texCoord); tmAlphaTest(colour.a); }
}
fragment LitAddPointFS {
    in vec3 objectPosition; in vec3 objectNormal; in vec2 texCoord; out vec4 colour;
    void main() { colour = LitColour(kAddPoint, false, objectPosition, objectNormal, texCoord); tmAlphaTest(colour.a); }
}
fragment LitAddPointTexFS {
    in vec3 objectPosition; in vec3 objectNormal; in vec2 texCoord; out vec4 colour;
    void main() { colour = LitColour(kAddPoint, true, objectPosition, objectNormal, texCoord); tmAlphaTest(colour.a); }
}
fragment LitDirFS {
    in vec3 objectPosition; in vec3 objectNormal; in vec2 texCoord; out vec4 colour;
    void main() { colour = LitColour(kSingleDirectional, false, objectPosition, objectNormal, texCoord); tmAlphaTest(colour.a); }
}
fragment LitDirTexFS {
    in vec3 objectPosition; in vec3 objectNormal; in vec2 texCoord; out vec4 colour;
    void main() { colour = LitColour(kSingleDirectional, true, objectPosition, objectNormal, texCoord); tmAlphaTest(colour.a); }
}
fragment LitPointFS {
    in vec3 objectPosition; in vec3 objectNormal; in vec2 texCoord; out vec4 colour;
    void main() { colour = LitColour(kSinglePoint, false, objectPosition, objectNormal, texCoord); tmAlphaTest(colour.a); }
}
fragment LitPointTexFS {
    in vec3 objectPosition; in vec3 objectNormal; in vec2 texCoord; out vec4 colour;
    void main() { colour = LitColour(kSinglePoint, true, objectPosition, objectNormal, texCoord); tmAlphaTest(colour.a); }
}

technique Base {
    pass P0 {
        vertex = LitVS; fragment = LitBaseFS;
        ZEnable = true; ZWriteEnable = true; ZFunc = LessEqual; CullMode = CCW;
        AlphaBlendEnable = true; SrcBlend = SrcAlpha; DestBlend = InvSrcAlpha; BlendOp = Add;
        sampler gNoise { MinFilter = Linear; MagFilter = Linear; MipFilter = Linear; AddressU = Wrap; AddressV = Wrap; AddressW = Wrap; }
        sampler gFresnel { MinFilter = Linear; MagFilter = Linear; MipFilter = None; AddressU = Clamp; AddressV = Clamp; }
    }
}
technique BaseTextured {
    pass P0 {
        vertex = LitVS; fragment = LitBaseTexFS;
        ZEnable = true; ZWriteEnable = true; ZFunc = LessEqual; CullMode = CCW;
        AlphaBlendEnable = true; SrcBlend = SrcAlpha; DestBlend = InvSrcAlpha; BlendOp = Add;
        sampler gBase { MinFilter = Linear; MagFilter = Linear; MipFilter = Linear; AddressU = Wrap; AddressV = Wrap; }
        sampler gNoise { MinFilter = Linear; MagFilter = Linear; MipFilter = Linear; AddressU = Wrap; AddressV = Wrap; AddressW = Wrap; }
        sampler gFresnel { MinFilter = Linear; MagFilter = Linear; MipFilter = None; AddressU = Clamp; AddressV = Clamp; }
    }
}
technique AddDirectional {
    pass P0 {
        vertex = LitVS; fragment = LitAddDirFS;
        ZEnable = true; ZWriteEnable = false; ZFunc = LessEqual; CullMode = CCW;
        AlphaBlendEnable = true; SrcBlend = SrcAlpha; DestBlend = One; BlendOp = Add;
        sampler gNoise { MinFilter = Linear; MagFilter = Linear; MipFilter = Linear; AddressU = Wrap; AddressV = Wrap; AddressW = Wrap; }
        sampler gFresnel { MinFilter = Linear; MagFilter = Linear; MipFilter = None; AddressU = Clamp; AddressV = Clamp; }
    }
}
technique AddDirectionalTextured {
    pass P0 {
        vertex = LitVS; fragment = LitAddDirTexFS;
        ZEnable = true; ZWriteEnable = false; ZFunc = LessEqual; CullMode = CCW;
        AlphaBlendEnable = true; SrcBlend = SrcAlpha; DestBlend = One; BlendOp = Add;
        sampler gBase { MinFilter = Linear; MagFilter = Linear; MipFilter = Linear; AddressU = Wrap; AddressV = Wrap; }
        sampler gNoise { MinFilter = Linear; MagFilter = Linear; MipFilter = Linear; AddressU = Wrap; AddressV = Wrap; AddressW = Wrap; }
        sampler gFresnel { MinFilter = Linear; MagFilter = Linear; MipFilter = None; AddressU = Clamp; AddressV = Clamp; }
    }
}
technique AddPoint {
    pass P0 {
        vertex = LitVS; fragment = LitAddPointFS;
        ZEnable = true; ZWriteEnable = false; ZFunc = LessEqual; CullMode = CCW;
        AlphaBlendEnable = true; SrcBlend = SrcAlpha; DestBlend = One; BlendOp = Add;
        sampler gNoise { MinFilter = Linear; MagFilter = Linear; MipFilter = Linear; AddressU = Wrap; AddressV = Wrap; AddressW = Wrap; }
        sampler gFresnel { MinFilter = Linear; MagFilter = Linear; MipFilter = None; AddressU = Clamp; AddressV = Clamp; }
    }
}
technique AddPointTextured {
    pass P0 {
        vertex = LitVS; fragment = LitAddPointTexFS;
        ZEnable = true; ZWriteEnable = false; ZFunc = LessEqual; CullMode = CCW;
        AlphaBlendEnable = true; SrcBlend = SrcAlpha; DestBlend = One; BlendOp = Add;
        sampler gBase { MinFilter = Linear; MagFilter = Linear; MipFilter = Linear; AddressU = Wrap; AddressV = Wrap; }
        sampler gNoise { MinFilter = Linear; MagFilter = Linear; MipFilter = Linear; AddressU = Wrap; AddressV = Wrap; AddressW = Wrap; }
        sampler gFresnel { MinFilter = Linear; MagFilter = Linear; MipFilter = None; AddressU = Clamp; AddressV = Clamp; }
    }
}
technique Directional {
    pass P0 {
        vertex = LitVS; fragment = LitDirFS;
        ZEnable = true; ZWriteEnable = true; ZFunc = LessEqual; CullMode = CCW;
        AlphaBlendEnable = true; SrcBlend = SrcAlpha; DestBlend = InvSrcAlpha; BlendOp = Add;
        sampler gNoise { MinFilter = Linear; MagFilter = Linear; MipFilter = Linear; AddressU = Wrap; AddressV = Wrap; AddressW = Wrap; }
        sampler gFresnel { MinFilter = Linear; MagFilter = Linear; MipFilter = None; AddressU = Clamp; AddressV = Clamp; }
    }
}
technique DirectionalTextured {
    pass P0 {
        vertex = LitVS; fragment = LitDirTexFS;
        ZEnable = true; ZWriteEnable = true; ZFunc = LessEqual; CullMode = CCW;
        AlphaBlendEnable = true; SrcBlend = SrcAlpha; DestBlend = InvSrcAlpha; BlendOp = Add;
        sampler gBase { MinFilter = Linear; MagFilter = Linear; MipFilter = Linear; AddressU = Wrap; AddressV = Wrap; }
        sampler gNoise { MinFilter = Linear; MagFilter = Linear; MipFilter = Linear; AddressU = Wrap; AddressV = Wrap; AddressW = Wrap; }
        sampler gFresnel { MinFilter = Linear; MagFilter = Linear; MipFilter = None; AddressU = Clamp; AddressV = Clamp; }
    }
}
technique Point {
    pass P0 {
        vertex = LitVS; fragment = LitPointFS;
        ZEnable = true; ZWriteEnable = true; ZFunc = LessEqual; CullMode = CCW;
        AlphaBlendEnable = true; SrcBlend = SrcAlpha; DestBlend = InvSrcAlpha; BlendOp = Add;
        sampler gNoise { MinFilter = Linear; MagFilter = Linear; MipFilter = Linear; AddressU = Wrap; AddressV = Wrap; AddressW = Wrap; }
        sampler gFresnel { MinFilter = Linear; MagFilter = Linear; MipFilter = None; AddressU = Clamp; AddressV = Clamp; }
    }
}
technique PointTextured {
    pass P0 {
        vertex = LitVS; fragment = LitPointTexFS;
        ZEnable = true; ZWriteEnable = true; ZFunc = LessEqual; CullMode = CCW;
        AlphaBlendEnable = true; SrcBlend = SrcAlpha; DestBlend = InvSrcAlpha; BlendOp = Add;
        sampler gBase { MinFilter = Linear; MagFilter = Linear; MipFilter = Linear; AddressU = Wrap; AddressV = Wrap; }
        sampler gNoise { MinFilter = Linear; MagFilter = Linear; MipFilter = Linear; AddressU = Wrap; AddressV = Wrap; AddressW = Wrap; }
        sampler gFresnel { MinFilter = Linear; MagFilter = Linear; MipFilter = None; AddressU = Clamp; AddressV = Clamp; }
    }
}
