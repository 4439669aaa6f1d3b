#include "support/process.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/wait.h>
#include <termios.h>
#include <time.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <vector>

static long nowMs() {
    timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return t.tv_sec * 1000L + t.tv_nsec / 1000000L;
}

static void makePipe(int fds[2]) {
    if (pipe(fds) != 0) throw std::runtime_error("pipe failed");
}

static void runChild(const Launch &launch) {
    if (chdir(launch.directory.c_str()) != 0) _exit(126);
    for (const auto &entry : launch.environment) {
        if (entry.second)
            setenv(entry.first.c_str(), entry.second, 1);
        else
            unsetenv(entry.first.c_str());
    }
    std::vector<char *> argv;
    argv.push_back(const_cast<char *>(SKORVEL_BINARY));
    for (int i = 0; i < launch.argumentCount; i++)
        argv.push_back(const_cast<char *>(launch.arguments[i].c_str()));
    argv.push_back(nullptr);
    execv(SKORVEL_BINARY, argv.data());
    _exit(127);
}

GameProcess startGame(const Launch &launch) {
    GameProcess game;
    int errorPipe[2];
    makePipe(errorPipe);
    int outputPipe[2] = {-1, -1};
    int master = -1, slave = -1;
    if (launch.pseudoTerminal) {
        termios raw;
        memset(&raw, 0, sizeof raw);
        cfmakeraw(&raw);
        if (openpty(&master, &slave, nullptr, &raw, nullptr) != 0)
            throw std::runtime_error("openpty failed");
    } else {
        makePipe(outputPipe);
    }
    game.pid = fork();
    if (game.pid < 0) throw std::runtime_error("fork failed");
    if (game.pid == 0) {
        setsid();
        dup2(launch.pseudoTerminal ? slave : outputPipe[1], STDOUT_FILENO);
        dup2(errorPipe[1], STDERR_FILENO);
        runChild(launch);
    }
    close(errorPipe[1]);
    game.errorFd = errorPipe[0];
    if (launch.pseudoTerminal) {
        close(slave);
        game.outputFd = master;
    } else {
        close(outputPipe[1]);
        game.outputFd = outputPipe[0];
    }
    return game;
}

// Reads whatever is ready within timeoutMs into the game's buffers.
static void pump(GameProcess &game, int timeoutMs) {
    pollfd fds[2] = {{game.outputFd, POLLIN, 0}, {game.errorFd, POLLIN, 0}};
    if (poll(fds, 2, timeoutMs) <= 0) return;
    char chunk[4096];
    std::string *sinks[2] = {&game.output, &game.errors};
    int *owners[2] = {&game.outputFd, &game.errorFd};
    for (int i = 0; i < 2; i++) {
        if (fds[i].fd < 0 || !(fds[i].revents & (POLLIN | POLLHUP | POLLERR))) continue;
        ssize_t n = read(fds[i].fd, chunk, sizeof chunk);
        if (n > 0) {
            sinks[i]->append(chunk, static_cast<size_t>(n));
        } else {
            close(fds[i].fd);
            *owners[i] = -1;
        }
    }
}

bool waitForOutput(GameProcess &game, const std::string &needle, int timeoutMs, size_t from) {
    long deadline = nowMs() + timeoutMs;
    while (game.output.find(needle, from) == std::string::npos) {
        long left = deadline - nowMs();
        if (left <= 0 || (game.outputFd < 0 && game.errorFd < 0)) return false;
        pump(game, static_cast<int>(left < 50 ? left : 50));
    }
    return true;
}

int waitForExit(GameProcess &game, int timeoutMs) {
    long deadline = nowMs() + timeoutMs;
    int status = 0;
    for (;;) {
        pid_t done = waitpid(game.pid, &status, WNOHANG);
        if (done == game.pid) break;
        if (nowMs() > deadline) {
            kill(game.pid, SIGKILL);
            waitpid(game.pid, &status, 0);
            status = -1;
            break;
        }
        if (game.outputFd >= 0 || game.errorFd >= 0)
            pump(game, 20);
        else
            usleep(20000);
    }
    while (game.outputFd >= 0 || game.errorFd >= 0) pump(game, 200);
    if (status == -1) return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

XServer startXServer() {
    int numberPipe[2];
    makePipe(numberPipe);
    XServer server;
    server.pid = fork();
    if (server.pid == 0) {
        close(numberPipe[0]);
        int null = open("/dev/null", O_WRONLY);
        dup2(null, STDOUT_FILENO);
        dup2(null, STDERR_FILENO);
        std::string fd = std::to_string(numberPipe[1]);
        // Without -noreset the server resets whenever its last client leaves,
        // turning away a client that connects meanwhile.
        execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-noreset", "-screen", "0", "640x480x24",
               "-nolisten", "tcp", static_cast<char *>(nullptr));
        _exit(127);
    }
    close(numberPipe[1]);
    char number[32] = {0};
    size_t got = 0;
    while (got < sizeof number - 1) {
        ssize_t n = read(numberPipe[0], number + got, sizeof number - 1 - got);
        if (n <= 0 || strchr(number, '\n')) break;
        got += static_cast<size_t>(n);
    }
    close(numberPipe[0]);
    if (!strchr(number, '\n')) {
        stopXServer(server);
        throw std::runtime_error("Xvfb did not start");
    }
    server.display = ":" + std::string(number, strcspn(number, "\n"));
    return server;
}

void stopXServer(XServer &server) {
    if (server.pid <= 0) return;
    kill(server.pid, SIGTERM);
    waitpid(server.pid, nullptr, 0);
    server.pid = -1;
}

void xdotool(const XServer &server, const std::string &arguments) {
    std::string command = "DISPLAY=" + server.display + " xdotool " + arguments;
    if (system(command.c_str()) != 0) throw std::runtime_error("xdotool failed: " + arguments);
}
