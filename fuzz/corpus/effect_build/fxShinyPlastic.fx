// Kind 4, shiny plastic: plastic with a brighter, tighter highlight, a broad
// sheen under it and a reflective rim that grows toward grazing angles.
#include "LitTechniques.fxh"

glsl {
    vec3 LitAmbient(Surface s) {
        vec2 fr = FresnelAndRim(s);
        vec3 sky = mix(gGroundColour.rgb, gSkyColour.rgb, 0.5 + 0.5 * s.worldNormal.y);
        return s.albedo.rgb * HemisphereAmbient(s.worldNormal) + sky * fr.x * 0.5;
    }

    vec3 LitLight(Surface s, LightSample l) {
        float sharp = BlinnPhong(s, l, SpecularExponent() * 12.0);
        float sheen = BlinnPhong(s, l, SpecularExponent() * 1.5);
        vec2 fr = FresnelAndRim(s);
        vec3 diffuse = s.albedo.rgb * Lambert(s, l) * 1.1;
        vec3 specular = gSpecular.rgb * (sharp * 1.6 + sheen * 0.25) * (1.0 + fr.x);
        return l.colour * (diffuse + specular + s.albedo.rgb * fr.y * 0.2 * Lambert(s, l));
    }
}
