// printf into a std::string, for the tools' messages.
#pragma once

#include <string>

// The whole text, of any length.
std::string formatted(const char *pattern, ...) __attribute__((format(printf, 1, 2)));
