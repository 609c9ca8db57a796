// Kind 19, weed: streaky greens from dark at the root to yellow at the tips,
// swaying with the scene's timer (the higher, the further).
#include "BodyTechniques.fxh"

glsl {
    vec3 BodyDeform(vec3 position, vec3 normal) {
        float height = position.y + 1.0;
        float sway = sin(Time() * 1.7 + position.y * 2.0) * 0.06 * height * height;
        return position + vec3(sway, 0.0, sway * 0.5);
    }

    vec4 BodyShade(Surface s, LightSample l) {
        float blades = NoiseAt(s.position * vec3(2.5, 0.12, 2.5)).b;
        float height = Saturate(s.position.y * 0.5 + 0.5);
        vec3 root = vec3(0.08, 0.28, 0.06);
        vec3 tip = vec3(0.55, 0.75, 0.2);
        vec3 albedo = s.albedo.rgb * mix(root, tip, Saturate(height * 0.8 + blades * 0.5 - 0.15));
        float translucent = Saturate(-dot(s.normal, l.toLight)) * 0.25;
        return vec4(DiffuseLit(s, l, albedo) + l.colour * albedo * translucent, s.albedo.a);
    }
}
