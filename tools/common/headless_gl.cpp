// The level makers' tools read every file through the game's own loaders,
// which compile models into display lists as they read. The tools have no
// window and so no OpenGL context: linked into them in place of the driver,
// these few entry points hand out list names and draw nothing, so a tool
// never calls a real driver without a context and needs no libGL at all.
#include <GL/gl.h>

static GLuint listsHandedOut = 0;

GLuint glGenLists(GLsizei range) {
    if (range <= 0) return 0;
    GLuint first = listsHandedOut + 1;
    listsHandedOut += static_cast<GLuint>(range);
    return first;
}

// No list holds anything, so there is never one to delete.
GLboolean glIsList(GLuint) { return GL_FALSE; }
void glDeleteLists(GLuint, GLsizei) {}
void glNewList(GLuint, GLenum) {}
void glEndList() {}
void glBegin(GLenum) {}
void glEnd() {}
void glColor3ub(GLubyte, GLubyte, GLubyte) {}
void glVertex3f(GLfloat, GLfloat, GLfloat) {}
