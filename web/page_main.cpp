// The page's entry point: the game's own main, compiled as playGame, and then
// word to the page that the game is over, however it ended, so that the page
// lets the pointer go and offers a new game.
#include <emscripten.h>

int playGame(int argc, char **argv);

// clang-format off
EM_JS(void, tellPageGameEnded, (), {
    if (Module.onGameEnd) Module.onGameEnd();
});
// clang-format on

int main(int argc, char **argv) {
    int status = playGame(argc, argv);
    tellPageGameEnded();
    return status;
}
