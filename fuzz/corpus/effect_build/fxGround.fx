// Kind 17, the ground: square tiles in light and dark tones of the surface
// colour, grout between them, each tile a little different, lit by one
// light. Planes publish their pattern scale p as CUSTOMDATA0 = (p, 1/p, 0,
// 0): the tiles repeat 100 p times per unit of the object's own x and z (8
// times when nothing was published), so the game's ground (p 0.2, 100 units
// to a side of its plane) has tiles of 5 units, and the basket's walls
// (p 0.001) are one plain tile. Where a pixel spans much of a tile, the
// pattern fades to its average instead of shimmering.
#include "BodyTechniques.fxh"

glsl {
    vec3 BodyDeform(vec3 position, vec3 normal) { return position; }

    // How many tiles one pixel spans (fragment stages only: a vertex stage
    // has no derivatives).
    float PixelSpan(vec2 tileUv) {
#ifdef TM_FRAGMENT
        vec2 w = fwidth(tileUv);
        return max(w.x, w.y);
#else
        return 0.0;
#endif
    }

    vec4 BodyShade(Surface s, LightSample l) {
        const float kGrout = 0.035;
        float perUnit = gCustom.x > 0.0 ? gCustom.x * 100.0 : 8.0;
        vec2 tileUv = s.position.xz * perUnit;
        float span = PixelSpan(tileUv);
        float blur = Saturate(span * 1.5 - 0.1);
        vec2 cell = floor(tileUv);
        vec2 f = fract(tileUv);
        float checker = mix(mod(cell.x + cell.y, 2.0), 0.5, blur);
        float variation = HashLattice(ivec3(ivec2(cell), 7)) * 0.12 * (1.0 - blur);
        vec2 edge = min(f, 1.0 - f);
        float soft = max(span, 0.01);
        float grout = 1.0 - smoothstep(kGrout - soft, kGrout + soft, min(edge.x, edge.y));
        grout = mix(grout, 4.0 * kGrout, blur);
        vec3 tile = mix(vec3(0.95, 0.93, 0.88), vec3(0.8, 0.77, 0.71), checker) * (0.94 + variation);
        float speckle = NoiseAt(vec3(tileUv * 0.25, 0.5)).b;
        tile *= 0.9 + 0.2 * speckle;
        vec3 albedo = s.albedo.rgb * mix(tile, vec3(0.25, 0.25, 0.23), grout);
        return vec4(DiffuseLit(s, l, albedo), s.albedo.a);
    }
}
