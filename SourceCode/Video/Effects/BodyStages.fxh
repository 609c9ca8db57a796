// The stages of the body family (kinds 9 to 21): one point light, the first
// that reaches the object, in object space. Characters publish their
// velocity and silhouette texture for these materials.
//
// The including effect defines, in its own glsl block:
//   vec3 BodyDeform(vec3 position, vec3 normal)   the drawn object-space position
//   vec4 BodyShade(Surface s, LightSample l)      the lit colour and alpha
#include "Surface.fxh"

parameter vec4 gVelocity : VELOCITY;
parameter sampler2D gSilo : SILOTEXTURE;

glsl {
    vec3 BodyDeform(vec3 position, vec3 normal);
    vec4 BodyShade(Surface s, LightSample l);

    vec4 BodyColour(bool textured, vec3 position, vec3 normal, vec2 uv) {
        Surface s = MakeSurface(position, normal, uv, textured);
        return BodyShade(s, PointLight(s.position));
    }

    // Ambient plus one light's diffuse, on a given colour.
    vec3 DiffuseLit(Surface s, LightSample l, vec3 albedo) {
        return albedo * (HemisphereAmbient(s.worldNormal) + l.colour * Lambert(s, l));
    }

    // A time in seconds for moving patterns (the scene's 20-second
    // triangle wave: it runs forward, then back).
    float Time() { return gTimer.x; }
}

vertex BodyVS {
    layout(location = TM_POSITION) in vec3 inPosition;
    layout(location = TM_NORMAL) in vec3 inNormal;
    layout(location = TM_TEXCOORD0) in vec2 inTexCoord;
    out vec3 objectPosition;
    out vec3 objectNormal;
    out vec2 texCoord;
    void main() {
        vec3 p = BodyDeform(inPosition, inNormal);
        gl_Position = tmClip(vec4(p, 1.0) * gWorldViewProj);
        objectPosition = p;
        objectNormal = inNormal;
        texCoord = inTexCoord;
    }
}

fragment BodyFS {
    in vec3 objectPosition; in vec3 objectNormal; in vec2 texCoord; out vec4 colour;
    void main() { colour = BodyColour(false, objectPosition, objectNormal, texCoord); tmAlphaTest(colour.a); }
}
fragment BodyTexFS {
    in vec3 objectPosition; in vec3 objectNormal; in vec2 texCoord; out vec4 colour;
    void main() { colour = BodyColour(true, objectPosition, objectNormal, texCoord); tmAlphaTest(colour.a); }
}
