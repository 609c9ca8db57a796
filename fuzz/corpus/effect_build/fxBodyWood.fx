// Kind 15, wood: growth rings around the object's vertical axis, warped by
// noise and streaked along the grain, with a soft varnish highlight.
#include "BodyTechniques.fxh"

glsl {
    vec3 BodyDeform(vec3 position, vec3 normal) { return position; }
    vec4 BodyShade(Surface s, LightSample l) {
        vec3 p = s.position;
        float warp = NoiseAt(p * vec3(0.3, 0.08, 0.3)).a;
        float rings = fract(length(p.xz) * 6.0 + warp * 3.0);
        float ring = smoothstep(0.0, 0.25, rings) * (1.0 - smoothstep(0.65, 1.0, rings));
        float streak = NoiseAt(p * vec3(2.0, 0.15, 2.0)).b;
        vec3 light = vec3(0.78, 0.56, 0.33);
        vec3 dark = vec3(0.46, 0.27, 0.13);
        vec3 albedo = s.albedo.rgb * mix(dark, light, ring * 0.8 + streak * 0.2);
        float varnish = BlinnPhong(s, l, 24.0) * 0.25;
        return vec4(DiffuseLit(s, l, albedo) + l.colour * varnish, s.albedo.a);
    }
}
