// TEMPORARY stand-in for the driver until the platform layer lands: a GL
// window made with SDL directly, coremain run on the main thread.
#include <GL/glew.h>
#include <SDL2/SDL.h>
#include <stdint.h>
#include <stdio.h>
#include <time.h>

#include "krv/video_opengl_extended.h"

int coremain(int argc, char** argv);

static SDL_Window* window;
static SDL_GLContext context;

void krv_initwindow(int width, int height, int flags) {
    (void)flags;
    SDL_Init(SDL_INIT_VIDEO);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 24);
    window = SDL_CreateWindow("KRV Application", 10, 10, width, height, SDL_WINDOW_OPENGL | SDL_WINDOW_SHOWN);
    context = SDL_GL_CreateContext(window);
    SDL_GL_MakeCurrent(window, context);
    puts("[KRV] Init Glew");
    glewExperimental = GL_TRUE;
    if (glewInit() != GLEW_OK) puts("\nError Initing Glew");
    puts("\nReady for GLSL");
    if (glCreateShader) KRV_shaders_enabled = 1;
}
void krv_closewindow(void) { SDL_GL_DeleteContext(context); }
void krv_swapbuffers(void) { SDL_GL_SwapWindow(window); }
uint32_t KRV_GetMillis(void) {
    struct timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return (uint32_t)((uint64_t)ts.tv_sec * 1000u + ts.tv_nsec / 1000000);
}
int main(int argc, char** argv) { return coremain(argc, argv); }
