// Builds the shaded point of the lit and body families from what the vertex
// stage hands on.
#include "Lighting.fxh"

glsl {
    Surface MakeSurface(vec3 position, vec3 normal, vec2 uv, bool textured) {
        Surface s;
        s.position = position;
        s.normal = SafeNormalize(normal, vec3(0.0, 1.0, 0.0));
        s.toEye = SafeNormalize(EyeInObjectSpace() - position, s.normal);
        s.worldNormal = WorldNormal(s.normal);
        s.uv = uv;
        s.albedo = textured ? gDiffuse * texture(gBase, uv) : gDiffuse;
        return s;
    }
}
