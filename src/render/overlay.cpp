#include <GL/gl.h>

#include <cstdarg>
#include <cstdio>

#include "flow/world.h"
#include "render/render.h"

// One message per phase, each visible one 18 cells wide, spaces included, so
// that starting 9 cells left of the centre centres it.
static const char *const PHASE_MESSAGES[] = {
    "Level Introduction",  // PHASE_INTRO
    "  Throw The Ball  ",  // PHASE_AIM
    " ",                   // PHASE_DRAG
    " ",                   // PHASE_ROLL
    "     Game Over    ",  // PHASE_GAME_OVER
};
static const int PHASE_COUNT = sizeof PHASE_MESSAGES / sizeof PHASE_MESSAGES[0];

static void formatText(const char *format, ...) {
    va_list arguments;
    va_start(arguments, format);
    int length = vsnprintf(textBuffer, TEXT_BUFFER_SIZE, format, arguments);
    va_end(arguments);
    if (length < 0) length = 0;
    if (length > TEXT_BUFFER_SIZE - 1) length = TEXT_BUFFER_SIZE - 1;
    textLength = length;
}

static void drawFormatted(float x, float y, int align) {
    glRasterPos2f(x, y);
    setTextAlign(align);
    drawText(textBuffer, textLength);
}

static void drawFrameRate() {
    formatText("%.2f FPS", frameSeconds == 0.0f ? -1.0 : 1.0 / frameSeconds);
    drawFormatted(0.0f, 0.0f, TEXT_ALIGN_BOTTOM);
}

static void drawPinCounter() {
    formatText("%d / %d", pinsStanding, pinCount);
    drawFormatted(0.0f, 1.0f, TEXT_ALIGN_TOP);
}

static void drawRollTimer() {
    formatText("%.2f", rollTimer);
    glRasterPos2f(0.0f, 1.0f);
    moveTextCursor(0.0f, -1.0f);
    setTextAlign(TEXT_ALIGN_TOP);
    drawText(textBuffer, textLength);
}

static void drawPhaseMessage() {
    formatText("%s", gamePhase >= 0 && gamePhase < PHASE_COUNT ? PHASE_MESSAGES[gamePhase] : "");
    glRasterPos2f(0.5f, 1.0f);
    moveTextCursor(-9.0f, 0.0f);
    setTextAlign(TEXT_ALIGN_TOP);
    drawText(textBuffer, textLength);
}

static void drawPauseBanner() {
    glRasterPos2f(0.5f, 0.5f);
    setTextAlign(TEXT_ALIGN_MIDDLE);
    moveTextCursor(-3.0f, 0.0f);
    drawText("PAUSED", 6);
}

void drawOverlay() {
    glLoadIdentity();  // the camera no longer applies
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glOrtho(0.0, 1.0, 0.0, 1.0, 1.0, -1.0);
    glDisable(GL_DEPTH_TEST);
    // Each raster position takes the current colour for the bitmaps drawn from it.
    glColor3f(hudColor.x, hudColor.y, hudColor.z);

    drawFrameRate();
    if (gamePhase != PHASE_GAME_OVER) drawPinCounter();
    if (rollTimer >= 0.0f) drawRollTimer();
    drawPhaseMessage();
    if (paused) drawPauseBanner();
    if (showPointer) drawPointer(mouseX, mouseY);

    glEnable(GL_DEPTH_TEST);
    glPopMatrix();
}
