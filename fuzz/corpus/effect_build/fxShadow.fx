// Kind 7, the shadow volume: the caster's shadow mesh, whose vertices carry
// their face's normal. Vertices of faces turned away from the light are
// pushed far along the light's direction (in object space), which
// stretches the mesh's zero-area edge quads into the volume's sides. Front
// faces count up and back faces count down in the stencil where they pass
// the depth test; nothing else is written. A pixel whose count ends above
// zero lies inside a volume: in shadow.
parameter mat4 gWorldViewProj : WORLDVIEWPROJECTION;
parameter vec4 gLightDirection : LIGHTDIRECTION;

vertex VolumeVS {
    layout(location = TM_POSITION) in vec3 inPosition;
    layout(location = TM_NORMAL) in vec3 inNormal;
    void main() {
        const float kExtrusion = 60.0;
        vec3 l = gLightDirection.xyz;
        vec3 p = inPosition;
        if (dot(inNormal, l) > 0.0) p += l * kExtrusion;
        gl_Position = tmClip(vec4(p, 1.0) * gWorldViewProj);
    }
}

fragment VolumeFS {
    out vec4 colour;
    void main() { colour = vec4(0.0, 0.0, 0.0, 1.0); }
}

technique Volume {
    pass P0 {
        vertex = VolumeVS; fragment = VolumeFS;
        ZEnable = true; ZWriteEnable = false; ZFunc = Less; CullMode = None;
        ColorWriteEnable = None; AlphaBlendEnable = false; AlphaTestEnable = false;
        StencilEnable = true; TwoSidedStencilMode = true;
        StencilFunc = Always; StencilFail = Keep; StencilZFail = Keep; StencilPass = Incr;
        CCW_StencilFunc = Always; CCW_StencilFail = Keep; CCW_StencilZFail = Keep; CCW_StencilPass = Decr;
        StencilRef = 0; StencilMask = 0xFF; StencilWriteMask = 0xFF;
    }
}
