// Kind 18, a cloud: pale and soft, light wrapping all the way round, puffy
// brightness from noise and an edge that fades into the sky.
#include "BodyStages.fxh"

glsl {
    vec3 BodyDeform(vec3 position, vec3 normal) {
        float puff = NoiseAt(position * 0.3 + vec3(Time() * 0.01)).a;
        return position + normal * (puff - 0.5) * 0.25 * length(position);
    }

    vec4 BodyShade(Surface s, LightSample l) {
        vec3 pale = mix(s.albedo.rgb, vec3(1.0), 0.7);
        float wrap = 0.55 + 0.45 * dot(s.normal, l.toLight);
        float puff = NoiseAt(s.position * 0.5).a;
        vec3 c = pale * (0.45 + HemisphereAmbient(s.worldNormal) + l.colour * wrap * 0.6) * (0.85 + 0.3 * puff);
        float edge = smoothstep(0.05, 0.6, dot(s.normal, s.toEye));
        return vec4(min(c, vec3(1.0)), s.albedo.a * edge * (0.75 + 0.25 * puff));
    }
}

technique Untextured {
    pass P0 {
        vertex = BodyVS; fragment = BodyFS;
        ZEnable = true; ZWriteEnable = false; ZFunc = LessEqual; CullMode = CCW;
        AlphaBlendEnable = true; SrcBlend = SrcAlpha; DestBlend = InvSrcAlpha; BlendOp = Add;
        sampler gNoise { MinFilter = Linear; MagFilter = Linear; MipFilter = Linear; AddressU = Wrap; AddressV = Wrap; AddressW = Wrap; }
    }
}
technique Textured {
    pass P0 {
        vertex = BodyVS; fragment = BodyTexFS;
        ZEnable = true; ZWriteEnable = false; ZFunc = LessEqual; CullMode = CCW;
        AlphaBlendEnable = true; SrcBlend = SrcAlpha; DestBlend = InvSrcAlpha; BlendOp = Add;
        sampler gBase { MinFilter = Linear; MagFilter = Linear; MipFilter = Linear; AddressU = Wrap; AddressV = Wrap; }
        sampler gNoise { MinFilter = Linear; MagFilter = Linear; MipFilter = Linear; AddressU = Wrap; AddressV = Wrap; AddressW = Wrap; }
    }
}
