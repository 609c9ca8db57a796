// Kind 11, a shiny plastic body: a brighter, tighter highlight over a broad
// sheen and a reflective rim.
#include "BodyTechniques.fxh"

glsl {
    vec3 BodyDeform(vec3 position, vec3 normal) { return position; }
    vec4 BodyShade(Surface s, LightSample l) {
        vec2 fr = FresnelAndRim(s);
        float sharp = BlinnPhong(s, l, SpecularExponent() * 12.0);
        float sheen = BlinnPhong(s, l, SpecularExponent() * 1.5);
        vec3 sky = mix(gGroundColour.rgb, gSkyColour.rgb, 0.5 + 0.5 * s.worldNormal.y);
        vec3 c = DiffuseLit(s, l, s.albedo.rgb * 1.1) + sky * fr.x * 0.5 +
                 l.colour * gSpecular.rgb * (sharp * 1.6 + sheen * 0.25) * (1.0 + fr.x);
        return vec4(c, s.albedo.a);
    }
}
