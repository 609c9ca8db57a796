// Kind 12, the player: a plastic body that stretches along its direction of
// travel with speed (narrowing across it, so that it keeps its volume), drawn
// over an outline: a shell pushed out by CUSTOMDATA0.x along the normals,
// showing only its back faces, coloured from SILOTEXTURE (black without one).
#include "BodyStages.fxh"

glsl {
    // VELOCITY is (world direction, speed); the direction is meaningless at
    // rest, so a slow or broken one leaves the body round.
    vec3 BodyDeform(vec3 position, vec3 normal) {
        float speed = gVelocity.w;
        vec3 direction = gVelocity.xyz;
        if (!(speed > 0.5) || any(isnan(direction)) || any(isinf(direction))) return position;
        vec3 d = SafeNormalize((vec4(direction, 0.0) * gWorldInv).xyz, vec3(0.0));
        if (dot(d, d) < 0.5) return position;
        float stretch = 1.0 + min(speed / 150.0, 1.0) * 0.4;
        float along = dot(position, d);
        vec3 across = position - d * along;
        return d * along * stretch + across / sqrt(stretch);
    }

    vec4 BodyShade(Surface s, LightSample l) {
        vec2 fr = FresnelAndRim(s);
        vec3 highlight = gSpecular.rgb * BlinnPhong(s, l, SpecularExponent() * 8.0) * 0.8;
        vec3 c = DiffuseLit(s, l, s.albedo.rgb) + l.colour * highlight + s.albedo.rgb * fr.y * 0.15;
        return vec4(c, s.albedo.a);
    }

    vec4 OutlineColour(vec2 uv) {
        return HasTexture2D(gSilo) ? vec4(texture(gSilo, uv).rgb, 1.0) : vec4(0.0, 0.0, 0.0, 1.0);
    }
}

vertex OutlineVS {
    layout(location = TM_POSITION) in vec3 inPosition;
    layout(location = TM_NORMAL) in vec3 inNormal;
    layout(location = TM_TEXCOORD0) in vec2 inTexCoord;
    out vec2 texCoord;
    void main() {
        vec3 p = BodyDeform(inPosition, inNormal) + SafeNormalize(inNormal, vec3(0.0)) * gCustom.x;
        gl_Position = tmClip(vec4(p, 1.0) * gWorldViewProj);
        texCoord = inTexCoord;
    }
}

fragment OutlineFS {
    in vec2 texCoord; out vec4 colour;
    void main() { colour = OutlineColour(texCoord); tmAlphaTest(colour.a); }
}

technique Untextured {
    pass Outline {
        vertex = OutlineVS; fragment = OutlineFS;
        ZEnable = true; ZWriteEnable = true; ZFunc = LessEqual; CullMode = CW;
        AlphaBlendEnable = false;
        sampler gSilo { MinFilter = Linear; MagFilter = Linear; MipFilter = Linear; AddressU = Wrap; AddressV = Wrap; }
    }
    pass Body {
        vertex = BodyVS; fragment = BodyFS;
        ZEnable = true; ZWriteEnable = true; ZFunc = LessEqual; CullMode = CCW;
        AlphaBlendEnable = true; SrcBlend = SrcAlpha; DestBlend = InvSrcAlpha; BlendOp = Add;
        sampler gFresnel { MinFilter = Linear; MagFilter = Linear; MipFilter = None; AddressU = Clamp; AddressV = Clamp; }
    }
}
technique Textured {
    pass Outline {
        vertex = OutlineVS; fragment = OutlineFS;
        ZEnable = true; ZWriteEnable = true; ZFunc = LessEqual; CullMode = CW;
        AlphaBlendEnable = false;
        sampler gSilo { MinFilter = Linear; MagFilter = Linear; MipFilter = Linear; AddressU = Wrap; AddressV = Wrap; }
    }
    pass Body {
        vertex = BodyVS; fragment = BodyTexFS;
        ZEnable = true; ZWriteEnable = true; ZFunc = LessEqual; CullMode = CCW;
        AlphaBlendEnable = true; SrcBlend = SrcAlpha; DestBlend = InvSrcAlpha; BlendOp = Add;
        sampler gBase { MinFilter = Linear; MagFilter = Linear; MipFilter = Linear; AddressU = Wrap; AddressV = Wrap; }
        sampler gFresnel { MinFilter = Linear; MagFilter = Linear; MipFilter = None; AddressU = Clamp; AddressV = Clamp; }
    }
}
