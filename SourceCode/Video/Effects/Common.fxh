// Helpers every effect may use: clamping, luminance, and whether a sampler
// has a texture bound. An empty unit samples the driver's fallback texture,
// which is one texel (black, opaque) on Mesa, so a texture of a single texel
// counts as none.
glsl {
    const float kPi = 3.14159265;

    float Saturate(float x) { return clamp(x, 0.0, 1.0); }
    vec3 Saturate3(vec3 c) { return clamp(c, 0.0, 1.0); }
    float Luminance(vec3 c) { return dot(c, vec3(0.299, 0.587, 0.114)); }

    bool HasTexture2D(sampler2D s) { return textureSize(s, 0).x > 1; }
}
