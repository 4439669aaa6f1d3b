// The level checker against the game, in one process: a level folder is made
// from the input, the checker reads it, and the game's loaders read every
// file the checker read. The two must agree on whether each file is accepted.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// The input is the four files of a level, parted by zero bytes: scenelist.txt,
// scene.txt, model.txt and collision.txt; a file the input does not reach is
// left out. They are written into the working folder.
void writeLevelFolder(const uint8_t *data, size_t size);
// Checks the level in the working folder; empty when the checker and the
// game agree on every file and the checker errs on every level the game's
// physics cannot start, else what they disagree on.
std::string disagreement();
