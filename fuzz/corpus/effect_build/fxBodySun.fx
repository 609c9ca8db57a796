// Kind 16, the sun: it glows rather than being lit. Slow swirls of yellow
// and orange drift across a face that brightens toward its centre, and a
// second pass lays an additive halo on a shell around it.
#include "BodyStages.fxh"

glsl {
    vec3 BodyDeform(vec3 position, vec3 normal) { return position; }

    vec3 SunColour(Surface s) {
        float t = Time() * 0.05;
        float swirl = NoiseAt(s.position * 0.4 + vec3(t, t * 0.7, -t)).a;
        float spots = NoiseAt(s.position * 1.1 - vec3(0.0, t, 0.0)).g;
        vec3 hot = vec3(1.0, 0.93, 0.55);
        vec3 warm = vec3(1.0, 0.55, 0.12);
        vec3 c = mix(warm, hot, Saturate(swirl * 1.4 - 0.2 + spots * 0.3));
        float centre = Saturate(dot(s.normal, s.toEye));
        return c * (0.75 + 0.45 * centre);
    }

    vec4 BodyShade(Surface s, LightSample l) {
        vec3 tint = mix(vec3(1.0), s.albedo.rgb, 0.35);
        return vec4(SunColour(s) * tint + l.colour * 0.1 * Lambert(s, l), s.albedo.a);
    }
}

vertex HaloVS {
    layout(location = TM_POSITION) in vec3 inPosition;
    layout(location = TM_NORMAL) in vec3 inNormal;
    out vec3 objectPosition;
    out vec3 objectNormal;
    void main() {
        vec3 p = inPosition + SafeNormalize(inNormal, vec3(0.0, 1.0, 0.0)) * 0.45 * length(inPosition);
        gl_Position = tmClip(vec4(p, 1.0) * gWorldViewProj);
        objectPosition = p;
        objectNormal = inNormal;
    }
}

fragment HaloFS {
    in vec3 objectPosition; in vec3 objectNormal; out vec4 colour;
    void main() {
        vec3 n = SafeNormalize(objectNormal, vec3(0.0, 1.0, 0.0));
        vec3 toEye = SafeNormalize(EyeInObjectSpace() - objectPosition, n);
        // The shell's own edge fades to nothing; inside the sun's outline
        // (beyond 0.72, for a shell 1.45 times its size) the glow eases off
        // so that the face keeps its swirls.
        float g = Saturate(dot(n, toEye)) / 0.72;
        float glow = (g < 1.0 ? g * g : max(0.0, 1.0 - (g - 1.0) * 2.5)) * 0.75;
        colour = vec4(vec3(1.0, 0.75, 0.3) * glow * 0.8, glow);
        tmAlphaTest(colour.a);
    }
}

technique Untextured {
    pass Body {
        vertex = BodyVS; fragment = BodyFS;
        ZEnable = true; ZWriteEnable = true; ZFunc = LessEqual; CullMode = CCW;
        AlphaBlendEnable = false;
        sampler gNoise { MinFilter = Linear; MagFilter = Linear; MipFilter = Linear; AddressU = Wrap; AddressV = Wrap; AddressW = Wrap; }
    }
    pass Halo {
        vertex = HaloVS; fragment = HaloFS;
        ZEnable = true; ZWriteEnable = false; ZFunc = LessEqual; CullMode = CCW;
        AlphaBlendEnable = true; SrcBlend = One; DestBlend = One; BlendOp = Add;
    }
}
technique Textured {
    pass Body {
        vertex = BodyVS; fragment = BodyTexFS;
        ZEnable = true; ZWriteEnable = true; ZFunc = LessEqual; CullMode = CCW;
        AlphaBlendEnable = false;
        sampler gBase { MinFilter = Linear; MagFilter = Linear; MipFilter = Linear; AddressU = Wrap; AddressV = Wrap; }
        sampler gNoise { MinFilter = Linear; MagFilter = Linear; MipFilter = Linear; AddressU = Wrap; AddressV = Wrap; AddressW = Wrap; }
    }
    pass Halo {
        vertex = HaloVS; fragment = HaloFS;
        ZEnable = true; ZWriteEnable = false; ZFunc = LessEqual; CullMode = CCW;
        AlphaBlendEnable = true; SrcBlend = One; DestBlend = One; BlendOp = Add;
    }
}
