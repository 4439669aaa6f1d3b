#include "flow/world.h"

// Every variable below starts zero or null; resetWorld gives those with
// another initial value theirs, so that the values live in one place.
int32_t screenWidth;
int32_t screenHeight;
int32_t screenBpp;
SDL_Surface *screenSurface;
int32_t isFullscreen;
SDL_Surface *levelSurface;

Vec3 backgroundColor;
Vec3 hudColor;
float fallHeight;
uint32_t sceneDisplayList;
CollisionTriangle *collisionMesh;
Vec3 cameraStart;
Vec3 cameraPosition;
Body ball;
Body *pins;
int32_t pinCount;
int32_t pinsStanding;
Vec3 viewDirection;
float cameraFollowRate;

GamePhase gamePhase;
int32_t paused;
float pauseDebounce;
uint16_t mouseX;
uint16_t mouseY;
int32_t dragX;
int32_t dragY;
float dragSeconds;
float throwScaleX;
float throwScaleY;
float rollTimer;
int32_t nextKeyLatched;
int32_t retryKeyLatched;

uint32_t lastTicks;
float frameSeconds;
float stepSeconds;
int32_t frameLimit;

char textBuffer[TEXT_BUFFER_SIZE];
int32_t textLength;
int32_t textScreenWidth;
int32_t textScreenHeight;
float glyphWidth;
float glyphHeight;
float textAlignOffset;
int32_t showPointer;

void resetWorld() {
    screenWidth = 640;
    screenHeight = 480;
    screenBpp = 16;
    screenSurface = nullptr;
    isFullscreen = 0;
    levelSurface = nullptr;

    backgroundColor = {0.5f, 0.5f, 0.5f};
    hudColor = {0.5f, 0.5f, 0.5f};
    fallHeight = -100.0f;
    sceneDisplayList = 0;
    collisionMesh = nullptr;
    cameraStart = {0.0f, 0.0f, 0.0f};
    cameraPosition = {0.0f, 0.0f, 0.0f};
    ball = {};
    pins = nullptr;
    pinCount = 0;
    pinsStanding = 0;
    viewDirection = {0.0f, 0.0f, 0.0f};
    cameraFollowRate = 20.0f;

    gamePhase = PHASE_INTRO;
    paused = 1;
    pauseDebounce = 0.0f;
    mouseX = 0;
    mouseY = 0;
    dragX = 0;
    dragY = 0;
    dragSeconds = 0.0f;
    throwScaleX = 0.02f;
    throwScaleY = 0.02f;
    rollTimer = 0.0f;
    nextKeyLatched = 0;
    retryKeyLatched = 0;

    lastTicks = 0;
    frameSeconds = 0.0f;
    stepSeconds = 0.0f;
    frameLimit = 0;

    textBuffer[0] = '\0';
    textLength = 0;
    textScreenWidth = 0;
    textScreenHeight = 0;
    glyphWidth = GLYPH_CELL_WIDTH;
    glyphHeight = GLYPH_CELL_HEIGHT;
    textAlignOffset = 0.0f;
    showPointer = 0;
}
