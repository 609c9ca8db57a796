// Procedural textures whose sizes the device cannot make, or that hold more
// than an effect's textures may: each is refused with a line naming it; the
// one that fits is made.
parameter sampler2D gWide < string function = "Fill"; string name = "Wide"; int width = 100000; >;
parameter sampler2D gNegative < string function = "Fill"; string name = "Negative"; int height = -3; int format = 0x31545844; >;
parameter sampler3D gDeep < string function = "Fill"; string name = "Deep"; string type = "volume"; int depth = 4096; >;
parameter samplerCube gCube < string function = "Fill"; string name = "Cube"; string type = "cube"; int width = 8193; >;
parameter samplerCube gHuge < string function = "Fill"; string name = "Huge"; string type = "cube"; int width = 8192; >;
parameter sampler3D gThick < string function = "Fill"; string name = "Thick"; string type = "volume";
                             int width = 1024; int height = 1024; int depth = 512; >;
parameter sampler2D gFits < string function = "Fill"; string name = "Fits"; int width = 8; int height = 4; >;

glsl {
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
