// Kind 14, stone: grey grain and darker flecks at two scales, a rough bumped
// surface and no highlight.
#include "BodyTechniques.fxh"

glsl {
    vec3 BodyDeform(vec3 position, vec3 normal) { return position; }
    vec4 BodyShade(Surface s, LightSample l) {
        vec4 coarse = NoiseAt(s.position * 0.35);
        vec4 fine = NoiseAt(s.position * 1.7 + 0.3);
        float grain = 0.55 + 0.35 * (coarse.a - 0.5) + 0.25 * (fine.b - 0.5);
        float fleck = smoothstep(0.62, 0.7, fine.g);
        vec3 albedo = s.albedo.rgb * mix(vec3(0.58, 0.56, 0.52) * grain * 1.6, vec3(0.2, 0.19, 0.18), fleck);
        s.normal = BumpedNormal(s.normal, s.position, 1.2, 0.006);
        return vec4(DiffuseLit(s, l, albedo), s.albedo.a);
    }
}
