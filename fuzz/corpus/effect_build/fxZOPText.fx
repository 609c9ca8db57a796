// Kind 23, the glyphs, buttons and splash screens: screen quads already in
// clip space, coloured by the batch's diffuse colour, times the glyph texture
// in the textured technique. Their depths layer them (glyphs and the cursor
// at 0 over a button at 1e-7 over a splash screen at 0.001), so they test and
// write depth like the cursor and the widgets; the alpha test keeps the
// transparent texels out of the depth buffer. Being nearer than anything in
// the world, they are drawn over it.
parameter vec4 gDiffuse : DIFFUSECOLOR;
parameter sampler2D gBase : BASETEXTURE0;

vertex QuadVS {
    layout(location = TM_POSITION) in vec4 inPosition;
    layout(location = TM_TEXCOORD0) in vec2 inTexCoord;
    out vec2 texCoord;
    void main() {
        gl_Position = tmClip(inPosition);
        texCoord = inTexCoord;
    }
}

fragment PlainFS {
    in vec2 texCoord;
    out vec4 colour;
    void main() {
        colour = gDiffuse;
        tmAlphaTest(colour.a);
    }
}

fragment TexturedFS {
    in vec2 texCoord;
    out vec4 colour;
    void main() {
        colour = texture(gBase, texCoord) * gDiffuse;
        tmAlphaTest(colour.a);
    }
}

technique Untextured {
    pass P0 {
        vertex = QuadVS; fragment = PlainFS;
        ZEnable = true; ZWriteEnable = true; ZFunc = LessEqual; CullMode = None;
        AlphaBlendEnable = true; SrcBlend = SrcAlpha; DestBlend = InvSrcAlpha; BlendOp = Add;
    }
}

technique Textured {
    pass P0 {
        vertex = QuadVS; fragment = TexturedFS;
        ZEnable = true; ZWriteEnable = true; ZFunc = LessEqual; CullMode = None;
        AlphaBlendEnable = true; SrcBlend = SrcAlpha; DestBlend = InvSrcAlpha; BlendOp = Add;
        sampler gBase { MinFilter = Linear; MagFilter = Linear; MipFilter = Linear; AddressU = Clamp; AddressV = Clamp; }
    }
}
