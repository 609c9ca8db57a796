// Kind 5, the lines and splines of the quad batcher and the plain sprites
// (cursor, widgets): quads arrive already in clip space, coloured by the
// batch's diffuse colour, times the base texture in the textured technique.
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
