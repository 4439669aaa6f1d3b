#include "flow/world.h"

int32_t screenWidth = 640;
int32_t screenHeight = 480;
int32_t screenBpp = 16;
SDL_Surface *screenSurface = nullptr;
int32_t isFullscreen = 0;
SDL_Surface *levelSurface = nullptr;

Vec3 backgroundColor = {0.5f, 0.5f, 0.5f};
Vec3 hudColor = {0.5f, 0.5f, 0.5f};
float fallHeight = -100.0f;
uint32_t sceneDisplayList = 0;
CollisionTriangle *collisionMesh = nullptr;
Vec3 cameraStart = {0.0f, 0.0f, 0.0f};
Vec3 cameraPosition = {0.0f, 0.0f, 0.0f};
Body ball = {};
Body *pins = nullptr;
int32_t pinCount = 0;
int32_t pinsStanding = 0;
Vec3 viewDirection = {0.0f, 0.0f, 0.0f};
float cameraFollowRate = 20.0f;

GamePhase gamePhase = PHASE_INTRO;
int32_t paused = 1;
float pauseDebounce = 0.0f;
uint16_t mouseX = 0;
uint16_t mouseY = 0;
int32_t dragX = 0;
int32_t dragY = 0;
float dragSeconds = 0.0f;
float throwScaleX = 0.02f;
float throwScaleY = 0.02f;
float rollTimer = 0.0f;

uint32_t lastTicks = 0;
float frameSeconds = 0.0f;
float stepSeconds = 0.0f;
int32_t frameLimit = 0;

char textBuffer[TEXT_BUFFER_SIZE];
int32_t textLength = 0;
int32_t textScreenWidth = 0;
int32_t textScreenHeight = 0;
float glyphWidth = 8.0f;
float glyphHeight = 16.0f;
float textAlignOffset = 0.0f;
int32_t showPointer = 0;
