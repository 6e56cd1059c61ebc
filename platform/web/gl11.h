#pragma once
// OpenGL 1.1 and GLU as the engine draws with them, in the browser: exactly the subset the
// engine, the scenes and the shell call, implemented over WebGL 2 with shaders of our own
// (platform/web/gl11*.cpp). A call outside it does not compile.
//
//   immediate mode  glBegin (GL_TRIANGLES, GL_QUADS) ... glEnd with glVertex3f, glNormal3f,
//                   glColor4f, glTexCoord2f, and glMultiTexCoord2fARB for either unit
//   client arrays   glEnable/DisableClientState of vertices, normals and unit 0's coordinates,
//                   their pointers (packed floats), glDrawElements (triangles, 32-bit indices)
//   matrices        glMatrixMode (modelview, projection), glLoadIdentity, glPush/PopMatrix,
//                   glTranslatef, glRotatef, gluPerspective, gluLookAt
//   lighting        GL_LIGHTING and 8 lights (glLightfv: ambient, diffuse, specular, position,
//                   positional or directional, per vertex), GL_COLOR_MATERIAL (front and back,
//                   ambient and diffuse), glMaterialfv (front and back, ambient, diffuse),
//                   glShadeModel (GL_SMOOTH)
//   textures        two units (glActiveTextureARB), glGenTextures, glDeleteTextures,
//                   glBindTexture, glTexImage2D
//                   (8-bit RGB; internal format 3 is GL_RGB), glTexParameteri, glTexEnvi
//                   (GL_MODULATE, GL_ADD), glTexGeni (GL_SPHERE_MAP; GL_EYE_LINEAR is kept but
//                   generates nothing) with GL_TEXTURE_GEN_S/T
//   fragments       GL_BLEND and glBlendFunc, GL_DEPTH_TEST with glDepthFunc and glDepthMask,
//                   GL_SCISSOR_TEST and glScissor, GL_CULL_FACE (back faces), glPolygonMode
//                   (GL_FILL, GL_LINE: edges drawn as lines)
//   frame           glViewport, glClearColor, glClear
//   queries         glIsEnabled, glGetIntegerv (GL_VIEWPORT, GL_SCISSOR_BOX,
//                   GL_UNPACK_ALIGNMENT), glGetFloatv (GL_MODELVIEW_MATRIX, GL_PROJECTION_MATRIX,
//                   GL_COLOR_CLEAR_VALUE), glGetString (GL_EXTENSIONS: GL_ARB_multitexture)
//
// Material specular, emission and shininess keep their defaults (the engine never sets them), so
// the specular term of the lighting is always zero and is not computed.
#include "platform/web/gl11_api.h"

#define GL_FALSE 0
#define GL_TRUE 1

#define GL_TRIANGLES 0x0004
#define GL_QUADS 0x0007

#define GL_NEVER 0x0200
#define GL_LESS 0x0201
#define GL_EQUAL 0x0202
#define GL_LEQUAL 0x0203
#define GL_GREATER 0x0204
#define GL_NOTEQUAL 0x0205
#define GL_GEQUAL 0x0206
#define GL_ALWAYS 0x0207

#define GL_ZERO 0
#define GL_ONE 1
#define GL_SRC_COLOR 0x0300
#define GL_ONE_MINUS_SRC_COLOR 0x0301
#define GL_SRC_ALPHA 0x0302
#define GL_ONE_MINUS_SRC_ALPHA 0x0303
#define GL_DST_ALPHA 0x0304
#define GL_ONE_MINUS_DST_ALPHA 0x0305
#define GL_DST_COLOR 0x0306
#define GL_ONE_MINUS_DST_COLOR 0x0307

#define GL_FRONT 0x0404
#define GL_BACK 0x0405
#define GL_FRONT_AND_BACK 0x0408

#define GL_CULL_FACE 0x0B44
#define GL_LIGHTING 0x0B50
#define GL_COLOR_MATERIAL 0x0B57
#define GL_DEPTH_TEST 0x0B71
#define GL_BLEND 0x0BE2
#define GL_SCISSOR_TEST 0x0C11
#define GL_TEXTURE_2D 0x0DE1
#define GL_TEXTURE_GEN_S 0x0C60
#define GL_TEXTURE_GEN_T 0x0C61
#define GL_LIGHT0 0x4000
#define GL_LIGHT1 0x4001
#define GL_LIGHT2 0x4002
#define GL_LIGHT3 0x4003
#define GL_LIGHT4 0x4004
#define GL_LIGHT5 0x4005
#define GL_LIGHT6 0x4006
#define GL_LIGHT7 0x4007

#define GL_VIEWPORT 0x0BA2
#define GL_SCISSOR_BOX 0x0C10
#define GL_COLOR_CLEAR_VALUE 0x0C22
#define GL_UNPACK_ALIGNMENT 0x0CF5
#define GL_MODELVIEW_MATRIX 0x0BA6
#define GL_PROJECTION_MATRIX 0x0BA7
#define GL_EXTENSIONS 0x1F03

#define GL_AMBIENT 0x1200
#define GL_DIFFUSE 0x1201
#define GL_SPECULAR 0x1202
#define GL_POSITION 0x1203
#define GL_AMBIENT_AND_DIFFUSE 0x1602
#define GL_FLAT 0x1D00
#define GL_SMOOTH 0x1D01

#define GL_MODELVIEW 0x1700
#define GL_PROJECTION 0x1701

#define GL_LINE 0x1B01
#define GL_FILL 0x1B02

#define GL_BYTE 0x1400
#define GL_UNSIGNED_BYTE 0x1401
#define GL_UNSIGNED_INT 0x1405
#define GL_FLOAT 0x1406
#define GL_RGB 0x1907
#define GL_RGBA 0x1908

#define GL_VERTEX_ARRAY 0x8074
#define GL_NORMAL_ARRAY 0x8075
#define GL_TEXTURE_COORD_ARRAY 0x8078

#define GL_TEXTURE_ENV 0x2300
#define GL_TEXTURE_ENV_MODE 0x2200
#define GL_MODULATE 0x2100
#define GL_ADD 0x0104
#define GL_S 0x2000
#define GL_T 0x2001
#define GL_TEXTURE_GEN_MODE 0x2500
#define GL_EYE_LINEAR 0x2400
#define GL_SPHERE_MAP 0x2402
#define GL_NEAREST 0x2600
#define GL_LINEAR 0x2601
#define GL_TEXTURE_MAG_FILTER 0x2800
#define GL_TEXTURE_MIN_FILTER 0x2801
#define GL_TEXTURE_WRAP_S 0x2802
#define GL_TEXTURE_WRAP_T 0x2803
#define GL_REPEAT 0x2901

#define GL_DEPTH_BUFFER_BIT 0x00000100
#define GL_COLOR_BUFFER_BIT 0x00004000

#define GL_TEXTURE0_ARB 0x84C0
#define GL_TEXTURE1_ARB 0x84C1

#define glBegin ::tav::gl11::begin
#define glEnd ::tav::gl11::end
#define glVertex3f ::tav::gl11::vertex3f
#define glNormal3f ::tav::gl11::normal3f
#define glColor4f ::tav::gl11::color4f
#define glTexCoord2f ::tav::gl11::texCoord2f
#define glEnableClientState ::tav::gl11::enableClientState
#define glDisableClientState ::tav::gl11::disableClientState
#define glVertexPointer ::tav::gl11::vertexPointer
#define glNormalPointer ::tav::gl11::normalPointer
#define glTexCoordPointer ::tav::gl11::texCoordPointer
#define glDrawElements ::tav::gl11::drawElements
#define glMatrixMode ::tav::gl11::matrixMode
#define glLoadIdentity ::tav::gl11::loadIdentity
#define glPushMatrix ::tav::gl11::pushMatrix
#define glPopMatrix ::tav::gl11::popMatrix
#define glTranslatef ::tav::gl11::translatef
#define glRotatef ::tav::gl11::rotatef
#define gluPerspective ::tav::gl11::perspective
#define gluLookAt ::tav::gl11::lookAt
#define glLightfv ::tav::gl11::lightfv
#define glColorMaterial ::tav::gl11::colorMaterial
#define glMaterialfv ::tav::gl11::materialfv
#define glShadeModel ::tav::gl11::shadeModel
#define glGenTextures ::tav::gl11::genTextures
#define glDeleteTextures ::tav::gl11::deleteTextures
#define glBindTexture ::tav::gl11::bindTexture
#define glTexImage2D ::tav::gl11::texImage2D
#define glTexParameteri ::tav::gl11::texParameteri
#define glTexEnvi ::tav::gl11::texEnvi
#define glTexGeni ::tav::gl11::texGeni
#define glEnable ::tav::gl11::enable
#define glDisable ::tav::gl11::disable
#define glIsEnabled ::tav::gl11::isEnabled
#define glBlendFunc ::tav::gl11::blendFunc
#define glDepthFunc ::tav::gl11::depthFunc
#define glDepthMask ::tav::gl11::depthMask
#define glScissor ::tav::gl11::scissor
#define glPolygonMode ::tav::gl11::polygonMode
#define glViewport ::tav::gl11::viewport
#define glClearColor ::tav::gl11::clearColor
#define glClear ::tav::gl11::clear
#define glGetIntegerv ::tav::gl11::getIntegerv
#define glGetFloatv ::tav::gl11::getFloatv
#define glGetString ::tav::gl11::getString
