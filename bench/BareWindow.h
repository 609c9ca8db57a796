#pragma once
// The reference loop of the frame-rate figures: a bare SDL2 + OpenGL window
// with the engine window's pixel format (OpenGL 3.3 core, double-buffered,
// 24-bit depth, 8-bit stencil) that clears to the engine's default colour and
// swaps, without vertical sync.
#include <SDL.h>
#include <epoxy/gl.h>

class BareWindow {
public:
    // waitEachFrame: each frame waits for the GL to finish (for callers that
    // do not wait themselves), so that deferred work is measured.
    BareWindow(int width, int height, bool waitEachFrame) : waitEachFrame(waitEachFrame) {
        SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
        SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 3);
        SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
        SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
        SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 24);
        SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, 8);
        window = SDL_CreateWindow("bare", SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, width, height,
                                  SDL_WINDOW_OPENGL | SDL_WINDOW_SHOWN);
        if (window) context = SDL_GL_CreateContext(window);
        if (!context) return;
        SDL_GL_MakeCurrent(window, context);
        SDL_GL_SetSwapInterval(0);
        glViewport(0, 0, width, height);
        glClearColor(0.0f, 6.0f / 255.0f, 102.0f / 255.0f, 1.0f);
    }
    ~BareWindow() {
        if (context) SDL_GL_DeleteContext(context);
        if (window) SDL_DestroyWindow(window);
    }
    BareWindow(const BareWindow&) = delete;
    BareWindow& operator=(const BareWindow&) = delete;

    bool ok() const { return context != nullptr; }
    void MakeCurrent() { SDL_GL_MakeCurrent(window, context); }
    void Frame() {
        SDL_PumpEvents();
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
        SDL_GL_SwapWindow(window);
        if (waitEachFrame) glFinish();
    }

private:
    SDL_Window* window = nullptr;
    SDL_GLContext context = nullptr;
    bool waitEachFrame;
};
