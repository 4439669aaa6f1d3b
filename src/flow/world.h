// The game's shared state: the records every subsystem passes around and the
// program-wide variables they all read and write. One thread runs the whole
// game, so nothing here is guarded.
#pragma once

#include <SDL.h>
#include <cstdint>

// Up is +z everywhere: the camera's up vector, gravity and the fall-out test.
struct Vec3 {
    float x, y, z;
};

// The ball and every pin: a sphere with no orientation and no spin.
struct Body {
    Vec3 position;
    Vec3 startPosition;
    Vec3 velocity;
    float radius;
    float mass;
    uint32_t displayList;  // 0 while no list has been made for the body
    int32_t active;        // 0 freezes the body and hides a pin
};

// One node of the collision mesh, a singly linked list in file order.
struct CollisionTriangle {
    Vec3 vertex[3];
    Vec3 normal;          // unit length
    float planeDistance;  // vecDot(normal, vertex[0])
    CollisionTriangle *next;
};

enum GamePhase : int32_t {
    PHASE_INTRO = 0,
    PHASE_AIM = 1,
    PHASE_DRAG = 2,
    PHASE_ROLL = 3,
    PHASE_GAME_OVER = 4,
};

enum LevelResult : int32_t {
    LEVEL_QUIT = 0,
    LEVEL_NEXT = 1,
    LEVEL_RETRY = 2,
};

// Gives every variable below its initial value: main calls it first, and
// every test fixture, so that each starts from the state of a fresh game.
// It frees nothing: whatever a loaded scene owns must be unloaded first.
void resetWorld();

// Display and video.
extern int32_t screenWidth;
extern int32_t screenHeight;
extern int32_t screenBpp;
extern SDL_Surface *screenSurface;
extern int32_t isFullscreen;
extern SDL_Surface *levelSurface;

// The loaded scene.
extern Vec3 backgroundColor;
extern Vec3 hudColor;
extern float fallHeight;
extern uint32_t sceneDisplayList;
extern CollisionTriangle *collisionMesh;
extern Vec3 cameraStart;
extern Vec3 cameraPosition;
extern Body ball;
extern Body *pins;
extern int32_t pinCount;
extern int32_t pinsStanding;
extern Vec3 viewDirection;
extern float cameraFollowRate;

// Level, input and throw.
extern GamePhase gamePhase;
extern int32_t paused;
extern float pauseDebounce;
extern uint16_t mouseX;
extern uint16_t mouseY;
extern int32_t dragX;
extern int32_t dragY;
extern float dragSeconds;
extern float throwScaleX;
extern float throwScaleY;
extern float rollTimer;
// 1 while F12 (or F5) is held after it has ended a level, until a frame finds
// the key released: one press ends one level, however long it is held.
extern int32_t nextKeyLatched;
extern int32_t retryKeyLatched;

// Frame clock.
extern uint32_t lastTicks;
extern float frameSeconds;
extern float stepSeconds;
extern int32_t frameLimit;

// Overlay and text.
enum { TEXT_BUFFER_SIZE = 400 };
extern char textBuffer[TEXT_BUFFER_SIZE];
extern int32_t textLength;
extern int32_t textScreenWidth;
extern int32_t textScreenHeight;
extern float glyphWidth;
extern float glyphHeight;
// A glyph cell of the font, in pixels: what initText gives the two above.
const float GLYPH_CELL_WIDTH = 8.0f;
const float GLYPH_CELL_HEIGHT = 16.0f;
extern float textAlignOffset;
extern int32_t showPointer;

// 96 glyphs of 16 rows by 4 bytes, indexed backward from '~' (entry 0).
enum { GLYPH_COUNT = 96, GLYPH_BYTES = 64 };
extern const unsigned char fontGlyphs[GLYPH_COUNT][GLYPH_BYTES];
