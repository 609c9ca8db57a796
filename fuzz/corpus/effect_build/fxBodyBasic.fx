// Kind 9, the plain body: the diffuse colour lit by one light, no highlight.
#include "BodyTechniques.fxh"

glsl {
    vec3 BodyDeform(vec3 position, vec3 normal) { return position; }
    vec4 BodyShade(Surface s, LightSample l) { return vec4(DiffuseLit(s, l, s.albedo.rgb), s.albedo.a); }
}
