// The test effect: two techniques that draw different colours, a technique
// whose pass blends additively and one whose depth test never passes, and
// parameters that declare procedural textures.
#include "TestCommon.fxh"

parameter mat4 gWvp : WORLDVIEWPROJECTION;
parameter vec4 gDiffuse : DIFFUSECOLOR < string UIName = "Diffuse"; int UIOrder = 3; >;
parameter int gPower : SPECULARPOWER;
parameter sampler2D gBase : BASETEXTURE0;
parameter sampler2D gRamp : LOOKUPTEXTURE1 < string function = "Ramp"; >;
parameter sampler3D gWrongCase < string function = "Ramp"; string type = "Volume"; >;
parameter sampler2D gNoise : LOOKUPTEXTURE0 < string function = "Ramp"; string name = "NoiseLookUp"; int width = 16; int height = 8; >;
parameter sampler3D gVolume < string function = "Ramp"; string type = "volume"; string name = "RampVolume";
                              int width = 4; int height = 4; int depth = 4; >;
parameter samplerCube gCube < string function = "Ramp"; string type = "cube"; string name = "RampCube"; int width = 4; >;
// Light values, in object space.
parameter vec4 gLightDirection : LIGHTDIRECTION;
parameter vec4 gLightPosition : LIGHTPOSITION;
parameter vec4 gLightAttenuation : LIGHTATTENUATION;
parameter mat4 gWorldInverse : WORLDINV;

vertex VS {
    layout(location = TM_POSITION) in vec4 position;
    void main() { gl_Position = tmClip(position * gWvp); }
}

fragment Diffuse {
    out vec4 colour;
    void main() { colour = gDiffuse; tmAlphaTest(colour.a); }
}

fragment Green {
    out vec4 colour;
    void main() { colour = vec4(0.0, 1.0, 0.0, 1.0) * Unit(gPower); tmAlphaTest(colour.a); }
}

technique Untextured {
    pass P0 { vertex = VS; fragment = Diffuse; ZEnable = false; CullMode = None; }
}

technique Textured {
    pass P0 { vertex = VS; fragment = Green; ZEnable = false; CullMode = None; }
}

technique Additive {
    pass P0 {
        vertex = VS; fragment = Diffuse;
        ZEnable = false; CullMode = None;
        AlphaBlendEnable = true; SrcBlend = One; DestBlend = One; BlendOp = Add;
    }
    pass P1 {
        vertex = VS; fragment = Diffuse;
        ZEnable = false; CullMode = None;
        AlphaBlendEnable = true; SrcBlend = One; DestBlend = One;
        ColorWriteEnable = 0;
        sampler gBase { MinFilter = Point; MagFilter = Point; AddressU = Clamp; AddressV = Clamp; }
    }
}

technique NeverDepth {
    pass P0 { vertex = VS; fragment = Diffuse; ZEnable = true; ZFunc = Never; CullMode = None; }
}
