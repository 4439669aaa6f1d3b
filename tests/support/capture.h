// Runs code with the process's standard output sent to a file, and returns
// exactly what it printed.
#pragma once

#include <functional>
#include <string>

std::string captureStdout(const std::function<void()> &body);
