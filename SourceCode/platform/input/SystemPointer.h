#pragma once
// Where the system's pointer is on the desktop, and putting it elsewhere.
// SDL answers where it last saw the pointer, and in relative mode it sees no
// warp (xdotool's mousemove): on X11 the display server is asked itself.
struct SDL_Window;

namespace plat {

// The pointer's place on the desktop, in pixels, asked now.
void PointerOnDesktop(SDL_Window* window, int* x, int* y);
// Puts the pointer on a desktop pixel.
void PutPointerOnDesktop(int x, int y);

}  // namespace plat
