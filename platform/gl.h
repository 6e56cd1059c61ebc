#pragma once
// OpenGL 1.1 and GLU as the show uses them, with the ARB_multitexture entry point types: the
// system's own on the desktop, the browser build's subset over WebGL 2 (platform/web/gl11.h).
#ifdef __EMSCRIPTEN__
#include "platform/web/gl11.h"
#else
#include <GL/gl.h>
#include <GL/glext.h>
#include <GL/glu.h>
#endif
