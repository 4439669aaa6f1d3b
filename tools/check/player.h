// A simulated player: plays the loaded scene through the game's own level
// start, event handling, clock rule and frame update, at a fixed frame
// length, searching for throws that clear the pins.
#pragma once

struct Drag {
    int dx, dy;  // pixels, y down the screen
    float seconds;
};

enum PlayOutcome {
    PLAY_WON,
    PLAY_PINS_MOVE_WITHOUT_THROW,
    PLAY_NOT_WON,
    PLAY_NO_PIN_MOVES,  // no throw the player tries moves any pin
    PLAY_UNDECIDED,     // the budget ran out first
};

struct PlayResult {
    PlayOutcome outcome;
    int throws;    // made, won or not
    Drag first;    // the first throw's drag
    int movedPin;  // for PLAY_PINS_MOVE_WITHOUT_THROW: the pin (from 0) that moved first
};

// Plays the scene that readScene has loaded, in frames of step seconds,
// for at most budget seconds of the checker's own processor time; the world
// is left as the play left it.
PlayResult playLoadedScene(int maxThrows, float step, double budget);
