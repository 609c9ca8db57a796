// A source whose fragment stage does not compile: the compiler must name
// this file and line 9.
parameter vec4 gColour : DIFFUSECOLOR;

vertex VS { void main() { gl_Position = vec4(0.0); } }

fragment FS {
out vec4 colour;
void main() { colour = gColour * undefinedThing; }
}

technique T { pass P { vertex = VS; fragment = FS; } }
