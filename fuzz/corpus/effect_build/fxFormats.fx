// Procedural textures in formats the device cannot render into (L8, A8L8,
// G16R16, DXT1, an L8 volume, an A8 cube) and in formats it does not know
// (R8G8B8, a number that is no format), all filled by the same function.
parameter sampler2D gL8 < string function = "Fill"; string name = "L8"; int width = 8; int height = 4; int format = 50; >;
parameter sampler2D gA8L8 < string function = "Fill"; string name = "A8L8"; int width = 8; int height = 4; int format = 51; >;
parameter sampler2D gG16R16 < string function = "Fill"; string name = "G16R16"; int width = 8; int height = 4; int format = 34; >;
parameter sampler2D gDxt1 < string function = "Fill"; string name = "DXT1"; int width = 8; int height = 8; int format = 0x31545844; >;
parameter sampler3D gVolume < string function = "Fill"; string name = "L8Volume"; string type = "volume";
                              int width = 4; int height = 4; int depth = 4; int format = 50; >;
parameter samplerCube gCube < string function = "Fill"; string name = "A8Cube"; string type = "cube"; int width = 4; int format = 28; >;
parameter sampler2D gRgb < string function = "Fill"; string name = "R8G8B8"; int width = 8; int height = 4; int format = 20; >;
parameter sampler2D gOdd < string function = "Fill"; string name = "Odd"; int width = 8; int height = 4; int format = 0x7FFF; >;

glsl {
    // Red follows u; green, blue and alpha are constants.
    vec4 Fill(vec3 position, vec3 texelSize) { return vec4(position.x, 0.5, 0.25, 0.75); }
}

vertex VS {
    layout(location = TM_POSITION) in vec4 position;
    void main() { gl_Position = tmClip(position); }
}
fragment FS {
    out vec4 colour;
    void main() { colour = vec4(1.0); tmAlphaTest(colour.a); }
}
technique T { pass P0 { vertex = VS; fragment = FS; } }
