// WebLists.h - display lists for the browser, whose GL has none.
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

#define glBegin WebBegin
#define glEnd WebEnd
#define glTexCoord2f WebTexCoord2f
#define glVertex2i WebVertex2i
#define glTranslated WebTranslated
