// WebGL.h - what the browser's GL emulation lacks: display lists, and normals given once per
// face inside glBegin/glEnd.
//
// Included by platform/GL.h in the browser build only. The calls a list can hold are routed
// here, so that between glNewList and glEndList they are recorded instead of drawn; outside a
// list they go straight on to GL.
#pragma once

#include <GL/gl.h>

void WebBegin(GLenum mode);
void WebEnd();
void WebTexCoord2f(GLfloat s, GLfloat t);
void WebVertex2i(GLint x, GLint y);
void WebTranslated(GLdouble x, GLdouble y, GLdouble z);
void WebNormal3f(GLfloat x, GLfloat y, GLfloat z);

#define glBegin WebBegin
#define glEnd WebEnd
#define glTexCoord2f WebTexCoord2f
#define glVertex2i WebVertex2i
#define glTranslated WebTranslated
#define glNormal3f WebNormal3f
