#pragma once
// A lost display ends the game with status 1 and one line that says so. Were
// the connection to the X server lost (the server ended, or a script closed
// every descriptor), Xlib would write a line of its own and exit, whose
// destructors meet the game's threads still running (an abort); the game
// has no display left to end in order on.
namespace plat {

// Once SDL's video runs on X11 (libX11 is loaded): the next call that finds
// the connection gone writes "Error: The display went away ..." to the
// error stream after what the log held (err.txt is opened again by its
// path when its descriptor is gone), ends the game's child processes and
// exits with 1. Nothing where libX11 is not loaded.
void EndTheGameWhenTheDisplayGoes();

}  // namespace plat
