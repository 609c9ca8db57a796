// Noise of our own, built on an integer hash: GLSL's noise functions return
// 0 on some drivers. Value noise is smooth, periodic when asked (so that a
// texture filled with it tiles), and summed into fractal noise. The two
// lookup textures that materials bind by name are filled from here:
// "NoiseLookUp" (a tiling volume of noise at four frequencies) and
// "FresnelLookUp" (reflectance and rim terms by the cosine of the view angle).
glsl {
    uint HashUint(uint x) {
        x ^= x >> 16;
        x *= 0x7feb352du;
        x ^= x >> 15;
        x *= 0x846ca68bu;
        x ^= x >> 16;
        return x;
    }

    // A value in 0..1 for each lattice point.
    float HashLattice(ivec3 p) {
        uint h = HashUint(uint(p.x) + HashUint(uint(p.y) + HashUint(uint(p.z))));
        return float(h & 0xFFFFFFu) / 16777215.0;
    }

    // Smoothly interpolated lattice values; the lattice repeats every
    // `period` cells along each axis (period 0: never).
    float PeriodicValueNoise(vec3 p, int period) {
        vec3 cell = floor(p);
        vec3 f = p - cell;
        vec3 w = f * f * (3.0 - 2.0 * f);
        ivec3 c0 = ivec3(cell);
        float corner[8];
        for (int i = 0; i < 8; ++i) {
            ivec3 c = c0 + ivec3(i & 1, (i >> 1) & 1, (i >> 2) & 1);
            if (period > 0) c = ((c % period) + period) % period;
            corner[i] = HashLattice(c);
        }
        float x00 = mix(corner[0], corner[1], w.x);
        float x10 = mix(corner[2], corner[3], w.x);
        float x01 = mix(corner[4], corner[5], w.x);
        float x11 = mix(corner[6], corner[7], w.x);
        return mix(mix(x00, x10, w.y), mix(x01, x11, w.y), w.z);
    }

    float ValueNoise(vec3 p) { return PeriodicValueNoise(p, 0); }

    // Four octaves, each twice the frequency and half the weight; 0..1.
    float FractalNoise(vec3 p) {
        float sum = 0.0;
        float weight = 0.5;
        for (int i = 0; i < 4; ++i) {
            sum += weight * ValueNoise(p);
            p = p * 2.03 + vec3(17.1, 5.7, 11.3);
            weight *= 0.5;
        }
        return sum / 0.9375;
    }

    // Fills "NoiseLookUp": r, g, b noise of 4, 8 and 16 cells across, a
    // their fractal sum; every channel tiles.
    vec4 NoiseLookUpFill(vec3 position, vec3 texelSize) {
        float r = PeriodicValueNoise(position * 4.0, 4);
        float g = PeriodicValueNoise(position * 8.0 + 31.0, 8);
        float b = PeriodicValueNoise(position * 16.0 + 57.0, 16);
        return vec4(r, g, b, 0.5 * r + 0.3 * g + 0.2 * b);
    }

    // Fills "FresnelLookUp" along u = cosine of the angle between normal and
    // eye: luminance a Schlick reflectance (from 4% head-on), alpha a soft
    // rim term.
    vec4 FresnelLookUpFill(vec3 position, vec3 texelSize) {
        float c = clamp(position.x, 0.0, 1.0);
        float fresnel = 0.04 + 0.96 * pow(1.0 - c, 5.0);
        float rim = pow(1.0 - c, 2.0);
        return vec4(fresnel, fresnel, fresnel, rim);
    }
}
