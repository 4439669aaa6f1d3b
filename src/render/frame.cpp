#include <GL/gl.h>
#include <GL/glu.h>
#include <SDL.h>

#include "flow/world.h"
#include "physics/vec.h"
#include "render/render.h"

static void lookAlongViewDirection() {
    gluLookAt(cameraStart.x, cameraStart.y, cameraStart.z, (double)cameraStart.x + viewDirection.x,
              (double)cameraStart.y + viewDirection.y, (double)cameraStart.z + viewDirection.z, 0.0,
              0.0, 1.0);
}

// Blends the aim toward the ball for the next frame: the pull toward the ball
// against the hold on the previous aim. Only the direction matters to the
// camera, so the result is kept unnormalised; with no time step the aim
// keeps its direction.
static void turnCameraTowardBall() {
    Vec3 toBall = vecFromTo(cameraStart, ball.position);
    vecNormalize(&toBall);
    vecNormalize(&viewDirection);
    float pull = (float)((double)cameraFollowRate * stepSeconds);
    float hold = (float)((1.0 - stepSeconds) / cameraFollowRate);
    viewDirection = vecAdd(vecScale(toBall, pull), vecScale(viewDirection, hold));
}

// Models of bodies are written around their centres; nothing ever rotates them.
static void drawBody(const Body *body) {
    glPushMatrix();
    glTranslatef(body->position.x, body->position.y, body->position.z);
    glCallList(body->displayList);
    glPopMatrix();
}

void renderFrame() {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    lookAlongViewDirection();
    turnCameraTowardBall();  // takes effect from the next frame
    glCallList(sceneDisplayList);
    drawBody(&ball);  // even while inactive: the physics has just put it back at its start
    for (int32_t i = 0; i < pinCount; i++)
        if (pins[i].active == 1) drawBody(&pins[i]);
    drawOverlay();
    SDL_GL_SwapBuffers();
}
