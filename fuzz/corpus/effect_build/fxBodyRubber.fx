// Kind 13, rubber: deep, slightly darkened colour, a faint pebbled surface
// and a dull, wide highlight.
#include "BodyTechniques.fxh"

glsl {
    vec3 BodyDeform(vec3 position, vec3 normal) { return position; }
    vec4 BodyShade(Surface s, LightSample l) {
        s.normal = BumpedNormal(s.normal, s.position, 3.0, 0.004);
        vec3 albedo = s.albedo.rgb * vec3(0.85, 0.3, 0.3) * 0.9;
        float dull = BlinnPhong(s, l, 6.0) * 0.18;
        float edge = 1.0 - 0.35 * FresnelAndRim(s).y;
        return vec4((DiffuseLit(s, l, albedo) + l.colour * dull) * edge, s.albedo.a);
    }
}
