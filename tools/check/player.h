// A simulated player: plays the loaded scene through the game's own event
// handling and frame update, at a fixed frame length, searching for throws
// that clear the pins.
#pragma once

struct Drag {
    int dx, dy;  // pixels, y down the screen
    float seconds;
};

enum PlayOutcome { PLAY_WON, PLAY_PINS_FALL_WITHOUT_THROW, PLAY_NOT_WON };

struct PlayResult {
    PlayOutcome outcome;
    int throws;    // made, won or not
    Drag first;    // the first throw's drag
    int movedPin;  // for PLAY_PINS_FALL_WITHOUT_THROW: the first pin (from 0) that moved
};

// Plays the scene that readScene has loaded, in frames of step seconds; the
// world is left as the play left it.
PlayResult playLoadedScene(int maxThrows, float step);
