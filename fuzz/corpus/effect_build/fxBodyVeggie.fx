// Kind 21, a vegetable: a waxy, saturated skin with fine speckles and pores,
// light glowing through its shadowed side, and a soft wet highlight.
#include "BodyTechniques.fxh"

glsl {
    vec3 BodyDeform(vec3 position, vec3 normal) { return position; }
    vec4 BodyShade(Surface s, LightSample l) {
        float speckle = smoothstep(0.7, 0.78, NoiseAt(s.position * 2.2).b);
        float blush = NoiseAt(s.position * 0.25).a;
        vec3 skin = mix(vec3(0.85, 0.35, 0.06), vec3(0.9, 0.62, 0.1), blush);
        vec3 albedo = s.albedo.rgb * mix(skin, vec3(0.45, 0.2, 0.05), speckle * 0.6);
        s.normal = BumpedNormal(s.normal, s.position, 2.2, 0.002);
        float wrap = Saturate((dot(s.normal, l.toLight) + 0.3) / 1.3);
        vec3 c = albedo * (HemisphereAmbient(s.worldNormal) + l.colour * wrap) +
                 l.colour * BlinnPhong(s, l, 32.0) * 0.35;
        return vec4(c, s.albedo.a);
    }
}
