glsl { vec4 Colour() { return vec4(1.0, 0.5, 0.25, 1.0); } }
