// Kind 2, the sky: the cube texture of BASETEXTURE0 looked up by the
// direction from the box's centre, which the material keeps on the eye. It
// lies behind everything (depth forced to the far plane) and writes no
// depth, so that it may be drawn first or last.
parameter mat4 gWorldViewProj : WORLDVIEWPROJECTION;
parameter samplerCube gSky : BASETEXTURE0;

vertex SkyVS {
    layout(location = TM_POSITION) in vec3 inPosition;
    out vec3 direction;
    void main() {
        vec4 clip = vec4(inPosition, 1.0) * gWorldViewProj;
        clip.z = clip.w * 0.99999;
        gl_Position = tmClip(clip);
        direction = inPosition;
    }
}

fragment SkyFS {
    in vec3 direction; out vec4 colour;
    void main() {
        colour = vec4(texture(gSky, direction).rgb, 1.0);
        tmAlphaTest(colour.a);
    }
}

technique Sky {
    pass P0 {
        vertex = SkyVS; fragment = SkyFS;
        ZEnable = true; ZWriteEnable = false; ZFunc = LessEqual; CullMode = None;
        AlphaBlendEnable = false; StencilEnable = false;
        sampler gSky { MinFilter = Linear; MagFilter = Linear; MipFilter = Linear; AddressU = Clamp; AddressV = Clamp; AddressW = Clamp; }
    }
}
