// Forced into every game source of the web build (emcc -include), never into
// the native one: what the browser's SDL and OpenGL emulation lack. The game's
// immediate-mode calls are routed through the web layer, which records them
// while a display list is being compiled, and the buffer swap also hands the
// browser its turn.
#pragma once

#include <GL/gl.h>
#include <SDL.h>

// Emscripten's SDL implements the SDL 1.2 call, but its header does not declare it.
extern "C" Uint8 *SDL_GetKeyState(int *numkeys);

void webBegin(GLenum mode);
void webEnd();
void webVertex3f(GLfloat x, GLfloat y, GLfloat z);
void webColor3f(GLfloat red, GLfloat green, GLfloat blue);
void webColor3ub(GLubyte red, GLubyte green, GLubyte blue);
void webSwapBuffers();

#define glBegin webBegin
#define glEnd webEnd
#define glVertex3f webVertex3f
#define glColor3f webColor3f
#define glColor3ub webColor3ub
#define SDL_GL_SwapBuffers webSwapBuffers
