// Kind 3, plastic: a matte diffuse body with a small, sharp white highlight.
#include "LitTechniques.fxh"

glsl {
    vec3 LitAmbient(Surface s) { return s.albedo.rgb * HemisphereAmbient(s.worldNormal); }

    vec3 LitLight(Surface s, LightSample l) {
        float highlight = BlinnPhong(s, l, SpecularExponent() * 6.0);
        return l.colour * (s.albedo.rgb * Lambert(s, l) + gSpecular.rgb * highlight * 0.6);
    }
}
