// Shared code of the test effect, read through the include handler.
glsl {
    // 1 for any power above zero, so a missing value shows as black.
    float Unit(int power) { return power > 0 ? 1.0 : 0.0; }

    vec4 Ramp(vec3 position, vec3 texelSize) {
        return vec4(position.x, position.y, position.z * 0.5 + 0.25, 1.0);
    }
}
