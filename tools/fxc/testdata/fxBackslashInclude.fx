// Includes a file by a name written with a backslash, as sources from
// Windows do: the compiler must find include/Colour.fxh.
#include "include\Colour.fxh"

vertex VS { void main() { gl_Position = vec4(0.0); } }

fragment FS {
out vec4 colour;
void main() { colour = Colour(); }
}

technique T { pass P { vertex = VS; fragment = FS; } }
