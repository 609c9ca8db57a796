// Kind 17, the ground: square tiles in light and dark tones of the surface
// colour, grout between them, each tile a little different, lit by one
// light. Planes publish their pattern scale p as CUSTOMDATA0 = (p, 1/p, 0,
// 0): the tiles repeat 1/p times per unit of the object's own x and z (8
// times when nothing was published).
#include "BodyTechniques.fxh"

glsl {
    vec3 BodyDeform(vec3 position, vec3 normal) { return position; }

    vec4 BodyShade(Surface s, LightSample l) {
        float perUnit = gCustom.y > 0.0 ? gCustom.y : 8.0;
        vec2 tileUv = s.position.xz * perUnit;
        vec2 cell = floor(tileUv);
        vec2 f = fract(tileUv);
        float checker = mod(cell.x + cell.y, 2.0);
        float variation = HashLattice(ivec3(ivec2(cell), 7)) * 0.12;
        vec2 edge = min(f, 1.0 - f);
        float grout = 1.0 - smoothstep(0.02, 0.05, min(edge.x, edge.y));
        vec3 tile = mix(vec3(0.95, 0.93, 0.88), vec3(0.8, 0.77, 0.71), checker) * (0.94 + variation);
        float speckle = NoiseAt(vec3(tileUv * 0.25, 0.5)).b;
        tile *= 0.9 + 0.2 * speckle;
        vec3 albedo = s.albedo.rgb * mix(tile, vec3(0.25, 0.25, 0.23), grout);
        return vec4(DiffuseLit(s, l, albedo), s.albedo.a);
    }
}
