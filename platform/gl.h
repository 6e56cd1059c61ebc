#pragma once
// OpenGL 1.1 and GLU as the show uses them, with the ARB_multitexture entry point types.
#include <GL/gl.h>
#include <GL/glext.h>
#include <GL/glu.h>
