// Kind 6, smooth velvet: light wraps softly past the terminator, the body
// darkens a little head-on and a soft sheen of the light's colour lines the
// rim, as fine fibres catch it at grazing angles.
#include "LitTechniques.fxh"

glsl {
    vec3 LitAmbient(Surface s) {
        vec2 fr = FresnelAndRim(s);
        return s.albedo.rgb * HemisphereAmbient(s.worldNormal) * (0.8 + 0.6 * fr.y);
    }

    vec3 LitLight(Surface s, LightSample l) {
        float wrap = Saturate((dot(s.normal, l.toLight) + 0.4) / 1.4);
        vec2 fr = FresnelAndRim(s);
        float facing = Saturate(dot(s.normal, s.toEye));
        vec3 body = s.albedo.rgb * wrap * (0.75 + 0.25 * (1.0 - facing));
        vec3 sheen = mix(s.albedo.rgb, gSpecular.rgb, 0.5) * fr.y * wrap * 0.9;
        return l.colour * (body + sheen);
    }
}
