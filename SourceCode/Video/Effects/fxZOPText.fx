// Kind 23, the glyphs, buttons and splash screens: screen quads already in
// clip space, coloured by the batch's diffuse colour, times the glyph texture
// in the textured technique. A batch binds up to eight textures and each
// quad picks its own by the slot in its third texture value, so that a line
// of glyphs is one draw; every slot samples alike. Their depths layer them
// (glyphs and the cursor at 0 over a button at 1e-7 over a splash screen at
// 0.001), so they test and write depth like the cursor and the widgets; the
// alpha test keeps the transparent texels out of the depth buffer. Being
// nearer than anything in the world, they are drawn over it.
parameter vec4 gDiffuse : DIFFUSECOLOR;
parameter sampler2D gBase : BASETEXTURE0;
parameter sampler2D gBase1;
parameter sampler2D gBase2;
parameter sampler2D gBase3;
parameter sampler2D gBase4;
parameter sampler2D gBase5;
parameter sampler2D gBase6;
parameter sampler2D gBase7;

vertex QuadVS {
    layout(location = TM_POSITION) in vec4 inPosition;
    layout(location = TM_TEXCOORD0) in vec2 inTexCoord;
    layout(location = TM_TEXCOORD1) in float inTextureSlot;
    out vec2 texCoord;
    flat out int textureSlot;
    void main() {
        gl_Position = tmClip(inPosition);
        texCoord = inTexCoord;
        textureSlot = int(inTextureSlot);
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
    flat in int textureSlot;
    out vec4 colour;
    vec4 QuadTexel() {
        switch (textureSlot) {
        case 1: return texture(gBase1, texCoord);
        case 2: return texture(gBase2, texCoord);
        case 3: return texture(gBase3, texCoord);
        case 4: return texture(gBase4, texCoord);
        case 5: return texture(gBase5, texCoord);
        case 6: return texture(gBase6, texCoord);
        case 7: return texture(gBase7, texCoord);
        default: return texture(gBase, texCoord);
        }
    }
    void main() {
        colour = QuadTexel() * gDiffuse;
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
        sampler gBase1 { MinFilter = Linear; MagFilter = Linear; MipFilter = Linear; AddressU = Clamp; AddressV = Clamp; }
        sampler gBase2 { MinFilter = Linear; MagFilter = Linear; MipFilter = Linear; AddressU = Clamp; AddressV = Clamp; }
        sampler gBase3 { MinFilter = Linear; MagFilter = Linear; MipFilter = Linear; AddressU = Clamp; AddressV = Clamp; }
        sampler gBase4 { MinFilter = Linear; MagFilter = Linear; MipFilter = Linear; AddressU = Clamp; AddressV = Clamp; }
        sampler gBase5 { MinFilter = Linear; MagFilter = Linear; MipFilter = Linear; AddressU = Clamp; AddressV = Clamp; }
        sampler gBase6 { MinFilter = Linear; MagFilter = Linear; MipFilter = Linear; AddressU = Clamp; AddressV = Clamp; }
        sampler gBase7 { MinFilter = Linear; MagFilter = Linear; MipFilter = Linear; AddressU = Clamp; AddressV = Clamp; }
    }
}
