// What every fuzz target shares: the loaders open their files by name
// relative to the working directory and print their log on standard output,
// so each target works in a private folder of its own with standard output
// thrown away (libFuzzer reports on standard error). Since the working
// directory changes, give the targets absolute corpus and artifact paths, as
// scripts/fuzz does.
#pragma once

#include <cstddef>
#include <cstdint>

// Gives the game's state its initial values, makes a fresh folder under TMPDIR (or /tmp), changes
// into it and sends standard output to /dev/null. Ends the process with a message on failure.
void enterWorkFolder(const char *targetName);

// Writes the bytes to the named file in the work folder, replacing it.
void writeWorkFile(const char *name, const uint8_t *data, size_t size);
