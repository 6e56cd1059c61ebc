/* Preloaded into tavrinel by bench/startup.sh: writes the real time of the first presented frame
   to the file named by TAVRINEL_FIRST_FRAME_FILE, then steps aside. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <stdio.h>
#include <stdlib.h>
#include <time.h>

typedef struct SDL_Window SDL_Window;

void SDL_GL_SwapWindow(SDL_Window* window) {
  static void (*next)(SDL_Window*);
  static int presented;
  if (!next) next = (void (*)(SDL_Window*))dlsym(RTLD_NEXT, "SDL_GL_SwapWindow");
  next(window);
  if (!presented) {
    presented = 1;
    struct timespec now;
    clock_gettime(CLOCK_REALTIME, &now);
    const char* path = getenv("TAVRINEL_FIRST_FRAME_FILE");
    FILE* file = path ? fopen(path, "w") : NULL;
    if (file) {
      fprintf(file, "%ld.%06ld\n", (long)now.tv_sec, now.tv_nsec / 1000);
      fclose(file);
    }
  }
}
