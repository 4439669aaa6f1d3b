// Runs the game binary as a black box: its own working directory and
// environment, its output read while it runs, its exit status checked, and
// stopped by its pid if it hangs.
#pragma once

#include <sys/types.h>

#include <map>
#include <string>

struct GameProcess {
    pid_t pid = -1;
    int outputFd = -1;  // standard output (a pseudo-terminal when asked for)
    int errorFd = -1;   // standard error, when it is not the terminal
    std::string output;
    std::string errors;
};

// Environment entries mapped to nullptr are removed.
struct Launch {
    std::string directory;
    std::string arguments[4];
    int argumentCount = 0;
    std::map<std::string, const char *> environment;
    bool pseudoTerminal = false;
};

GameProcess startGame(const Launch &launch);
// Reads output until it contains needle after position from; false on timeout.
bool waitForOutput(GameProcess &game, const std::string &needle, int timeoutMs, size_t from = 0);
// Exit status, or -1 if the game had to be killed after the timeout.
int waitForExit(GameProcess &game, int timeoutMs);

// An Xvfb server on a free display number, 640x480x24.
struct XServer {
    pid_t pid = -1;
    std::string display;
};
XServer startXServer();
void stopXServer(XServer &server);
// Runs xdotool with the given arguments against the server.
void xdotool(const XServer &server, const std::string &arguments);
