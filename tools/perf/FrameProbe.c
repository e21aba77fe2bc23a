// A preload library for measuring the game from outside, with no help from the program: it writes
// to the file named by ZORBEL_PROBE_FILE the moments (CLOCK_REALTIME, nanoseconds) at which SDL's
// video was set up, the window and the renderer were made, and the first frame that is not all
// black reached the screen; and on SIGUSR1 the bytes the C heap holds.
//   LD_PRELOAD=build/tools/perf/libzorbel-frame-probe.so ZORBEL_PROBE_FILE=/tmp/probe tesserine
#define _GNU_SOURCE
#include <SDL.h>
#include <dlfcn.h>
#include <malloc.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>
#include <unistd.h>

static int gSawPicture;
static int gReported;

static void Report(const char* what, long long value) {
    const char* path = getenv("ZORBEL_PROBE_FILE");
    if (!path) return;
    FILE* file = fopen(path, "a");
    if (!file) return;
    fprintf(file, "%s %lld\n", what, value);
    fclose(file);
}

static long long Now(void) {
    struct timespec now;
    clock_gettime(CLOCK_REALTIME, &now);
    return (long long)now.tv_sec * 1000000000LL + now.tv_nsec;
}

static void ReportHeap(int signal) {
    (void)signal;
    struct mallinfo2 info = mallinfo2();
    Report("heap", (long long)(info.uordblks + info.hblkhd));
}

__attribute__((constructor)) static void Install(void) {
    signal(SIGUSR1, ReportHeap);
}

int SDL_UpdateTexture(SDL_Texture* texture, const SDL_Rect* rect, const void* pixels, int pitch) {
    static int (*real)(SDL_Texture*, const SDL_Rect*, const void*, int);
    if (!real) real = (int (*)(SDL_Texture*, const SDL_Rect*, const void*, int))dlsym(RTLD_NEXT, "SDL_UpdateTexture");
    if (!gSawPicture && rect && pixels) {
        // A row in the middle of the upload is enough to tell a picture from the black start.
        const unsigned char* row = (const unsigned char*)pixels + (size_t)pitch * (size_t)(rect->h / 2);
        for (int i = 0; i < rect->w * 2 && !gSawPicture; ++i)
            if (row[i] != 0) gSawPicture = 1;
    }
    return real(texture, rect, pixels, pitch);
}

void SDL_RenderPresent(SDL_Renderer* renderer) {
    static void (*real)(SDL_Renderer*);
    if (!real) real = (void (*)(SDL_Renderer*))dlsym(RTLD_NEXT, "SDL_RenderPresent");
    real(renderer);
    if (gSawPicture && !gReported) {
        gReported = 1;
        Report("first-frame", Now());
    }
}

int SDL_InitSubSystem(Uint32 flags) {
    static int (*real)(Uint32);
    if (!real) real = (int (*)(Uint32))dlsym(RTLD_NEXT, "SDL_InitSubSystem");
    int result = real(flags);
    if (flags & SDL_INIT_VIDEO) Report("video", Now());
    return result;
}

SDL_Window* SDL_CreateWindow(const char* title, int x, int y, int w, int h, Uint32 flags) {
    static SDL_Window* (*real)(const char*, int, int, int, int, Uint32);
    if (!real) real = (SDL_Window * (*)(const char*, int, int, int, int, Uint32)) dlsym(RTLD_NEXT, "SDL_CreateWindow");
    SDL_Window* window = real(title, x, y, w, h, flags);
    Report("window", Now());
    return window;
}

SDL_Renderer* SDL_CreateRenderer(SDL_Window* window, int index, Uint32 flags) {
    static SDL_Renderer* (*real)(SDL_Window*, int, Uint32);
    if (!real) real = (SDL_Renderer * (*)(SDL_Window*, int, Uint32)) dlsym(RTLD_NEXT, "SDL_CreateRenderer");
    SDL_Renderer* renderer = real(window, index, flags);
    Report("renderer", Now());
    return renderer;
}
