// Kind 10, a plastic body: diffuse with a sharp white highlight.
#include "BodyTechniques.fxh"

glsl {
    vec3 BodyDeform(vec3 position, vec3 normal) { return position; }
    vec4 BodyShade(Surface s, LightSample l) {
        vec3 highlight = gSpecular.rgb * BlinnPhong(s, l, SpecularExponent() * 6.0) * 0.6;
        return vec4(DiffuseLit(s, l, s.albedo.rgb) + l.colour * highlight, s.albedo.a);
    }
}
