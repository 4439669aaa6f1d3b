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
    PLAY_MOVES_WITHOUT_THROW,  // a body moved while the player only aimed
    PLAY_NOT_WON,
    PLAY_NO_PIN_MOVES,  // no throw the player tries moves any pin
    PLAY_UNDECIDED,     // the budget ran out first
};

// Which body: the ball, or a pin from 0.
enum { THE_BALL = -1, NO_BODY = -2 };

struct PlayResult {
    PlayOutcome outcome;
    int throws;     // made, won or not
    Drag first;     // the first throw's drag
    float frame;    // the frame length of the play that won, in seconds
    int standing;   // pins still standing at the end of the play at the frame length asked for
    int movedBody;  // the body that moved first while the player aimed, or NO_BODY
    // With no input: the game's seconds until it wins the level, 0 when it
    // does not, and the first pin (from 0) to fall out and when; -1 for none.
    float wonAfter;
    int fellPin;
    float fellAfter;
};

// Plays the scene that readScene has loaded, in frames of step seconds,
// for at most budget seconds of the checker's own processor time. A level
// the search cannot win at step seconds is played again with a straight
// throw at frames of other lengths. The world is left as a play left it.
PlayResult playLoadedScene(int maxThrows, float step, double budget);
