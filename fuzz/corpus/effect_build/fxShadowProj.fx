// Kind 8, the shadow darkening: a quad over the whole view that blends the
// shadow colour (DIFFUSECOLOR: colour, and by its alpha how strongly) into
// every pixel whose stencil count is not 0, and sets those counts back to 0
// for the next frame. The quad is spread over the screen from the plane's
// x and z whatever the camera's field of view, so nothing is left out at
// the edges. Outside the shadow pass every count is 0, so the plane that
// the shadow queue keeps in the scene draws nothing.
parameter mat4 gWorldViewProj : WORLDVIEWPROJECTION;
parameter vec4 gShadowColour : DIFFUSECOLOR;

vertex ScreenVS {
    layout(location = TM_POSITION) in vec3 inPosition;
    void main() { gl_Position = tmClip(vec4(inPosition.x, inPosition.z, 0.0, 1.0)); }
}

fragment ShadeFS {
    out vec4 colour;
    void main() { colour = gShadowColour; }
}

technique Darken {
    pass P0 {
        vertex = ScreenVS; fragment = ShadeFS;
        ZEnable = false; ZWriteEnable = false; CullMode = None;
        AlphaBlendEnable = true; SrcBlend = SrcAlpha; DestBlend = InvSrcAlpha; BlendOp = Add;
        AlphaTestEnable = false; ColorWriteEnable = RGBA;
        StencilEnable = true; TwoSidedStencilMode = false;
        StencilFunc = NotEqual; StencilRef = 0; StencilMask = 0xFF; StencilWriteMask = 0xFF;
        StencilFail = Keep; StencilZFail = Keep; StencilPass = Zero;
    }
}
