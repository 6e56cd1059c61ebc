#pragma once
// OpenGL 1.1 and GLU as the show uses them, with the ARB_multitexture entry point types: the
// system's own on the desktop, the browser build's subset over WebGL 2 (platform/web/gl11.h).
#ifdef __EMSCRIPTEN__
#include "platform/web/gl11.h"
#else
#if defined(_WIN32) && !defined(APIENTRY)
// Declared here so that <GL/gl.h> need not pull in all of <windows.h> (whose `near` and `far`
// macros would break ordinary code); plain, not imported, so a test's stand-in can define them.
// Files that need <windows.h> include it first.
#define APIENTRY __stdcall
#define CALLBACK __stdcall
#define WINGDIAPI
#endif
#include <GL/gl.h>
#include <GL/glext.h>
#include <GL/glu.h>
#endif
