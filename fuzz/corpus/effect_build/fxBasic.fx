// Kind 1, the unlit basic material and the end of every fallback chain: the
// diffuse colour, times the base texture in the textured technique.
parameter mat4 gWorldViewProj : WORLDVIEWPROJECTION;
parameter vec4 gDiffuse : DIFFUSECOLOR;
parameter sampler2D gBase : BASETEXTURE0;

vertex BasicVS {
    layout(location = TM_POSITION) in vec3 inPosition;
    layout(location = TM_TEXCOORD0) in vec2 inTexCoord;
    out vec2 texCoord;
    void main() {
        gl_Position = tmClip(vec4(inPosition, 1.0) * gWorldViewProj);
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
        vertex = BasicVS; fragment = PlainFS;
        ZEnable = true; ZWriteEnable = true; ZFunc = LessEqual; CullMode = CCW;
        AlphaBlendEnable = true; SrcBlend = SrcAlpha; DestBlend = InvSrcAlpha; BlendOp = Add;
    }
}

technique Textured {
    pass P0 {
        vertex = BasicVS; fragment = TexturedFS;
        ZEnable = true; ZWriteEnable = true; ZFunc = LessEqual; CullMode = CCW;
        AlphaBlendEnable = true; SrcBlend = SrcAlpha; DestBlend = InvSrcAlpha; BlendOp = Add;
        sampler gBase { MinFilter = Linear; MagFilter = Linear; MipFilter = Linear; AddressU = Wrap; AddressV = Wrap; }
    }
}
