// gluLookAt as GLU defines it. Emscripten's own (3.1.6) hands its matrix
// library the current matrix where the eye position belongs, so its result
// lands in a scratch array and the camera is never applied: the scene is
// drawn from the origin looking down -z, where the game has nothing to see.
// Defined here, it takes the place of the emulation's.
#include <GL/gl.h>
#include <GL/glu.h>

#include <cmath>

static void normalize(double *v) {
    double length = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
    if (length == 0.0) return;
    for (int i = 0; i < 3; i++) v[i] /= length;
}

static void cross(const double *a, const double *b, double *out) {
    out[0] = a[1] * b[2] - a[2] * b[1];
    out[1] = a[2] * b[0] - a[0] * b[2];
    out[2] = a[0] * b[1] - a[1] * b[0];
}

extern "C" void gluLookAt(GLdouble eyeX, GLdouble eyeY, GLdouble eyeZ, GLdouble centerX,
                          GLdouble centerY, GLdouble centerZ, GLdouble upX, GLdouble upY,
                          GLdouble upZ) {
    double forward[3] = {centerX - eyeX, centerY - eyeY, centerZ - eyeZ};
    double up[3] = {upX, upY, upZ};
    double side[3], trueUp[3];
    normalize(forward);
    cross(forward, up, side);
    normalize(side);
    cross(side, forward, trueUp);
    // column-major: the rows are side, up and -forward
    GLfloat m[16] = {};
    for (int i = 0; i < 3; i++) {
        m[i * 4 + 0] = (GLfloat)side[i];
        m[i * 4 + 1] = (GLfloat)trueUp[i];
        m[i * 4 + 2] = (GLfloat)-forward[i];
    }
    m[15] = 1.0f;
    glMultMatrixf(m);
    glTranslated(-eyeX, -eyeY, -eyeZ);
}
