// Kind 20, water: a swell that rolls with the scene's timer, ripples that
// drift across the surface, the sky mirrored toward grazing angles, a
// bright glint of the light and a see-through body.
#include "BodyStages.fxh"

glsl {
    vec3 BodyDeform(vec3 position, vec3 normal) {
        float t = Time();
        float swell = sin(position.x * 4.0 + t * 2.3) * cos(position.z * 3.0 + t * 1.7);
        return position + normal * swell * 0.03 * length(position);
    }

    vec4 BodyShade(Surface s, LightSample l) {
        float t = Time() * 0.08;
        vec3 p = s.position;
        vec3 ripple = vec3(NoiseAt(p * 0.8 + vec3(t, 0.0, t * 0.6)).r,
                           NoiseAt(p * 0.8 + vec3(0.5, t * 0.4, 0.0)).g,
                           NoiseAt(p * 0.8 + vec3(-t, 0.3, 0.2)).r) - 0.5;
        s.normal = SafeNormalize(s.normal + ripple * 0.35, s.normal);
        vec2 fr = FresnelAndRim(s);
        vec3 deep = vec3(0.03, 0.2, 0.33) * s.albedo.rgb;
        vec3 sky = mix(vec3(0.35, 0.5, 0.6), gSkyColour.rgb, 0.5);
        vec3 body = DiffuseLit(s, l, deep * 1.6);
        float glint = BlinnPhong(s, l, 90.0) * 1.4;
        vec3 c = mix(body, sky, Saturate(fr.x * 1.5)) + l.colour * glint;
        return vec4(c, s.albedo.a * (0.65 + 0.35 * fr.x) + glint);
    }
}

technique Untextured {
    pass P0 {
        vertex = BodyVS; fragment = BodyFS;
        ZEnable = true; ZWriteEnable = true; ZFunc = LessEqual; CullMode = CCW;
        AlphaBlendEnable = true; SrcBlend = SrcAlpha; DestBlend = InvSrcAlpha; BlendOp = Add;
        sampler gNoise { MinFilter = Linear; MagFilter = Linear; MipFilter = Linear; AddressU = Wrap; AddressV = Wrap; AddressW = Wrap; }
        sampler gFresnel { MinFilter = Linear; MagFilter = Linear; MipFilter = None; AddressU = Clamp; AddressV = Clamp; }
    }
}
technique Textured {
    pass P0 {
        vertex = BodyVS; fragment = BodyTexFS;
        ZEnable = true; ZWriteEnable = true; ZFunc = LessEqual; CullMode = CCW;
        AlphaBlendEnable = true; SrcBlend = SrcAlpha; DestBlend = InvSrcAlpha; BlendOp = Add;
        sampler gBase { MinFilter = Linear; MagFilter = Linear; MipFilter = Linear; AddressU = Wrap; AddressV = Wrap; }
        sampler gNoise { MinFilter = Linear; MagFilter = Linear; MipFilter = Linear; AddressU = Wrap; AddressV = Wrap; AddressW = Wrap; }
        sampler gFresnel { MinFilter = Linear; MagFilter = Linear; MipFilter = None; AddressU = Clamp; AddressV = Clamp; }
    }
}
