// What every fuzz target shares: the loaders open their files by name
// relative to the working directory and print their log on standard output,
// so each target runs in a private folder of its own with standard output
// thrown away (libFuzzer reports on standard error).
#pragma once

#include <cstddef>
#include <cstdint>

// Called from LLVMFuzzerInitialize with its arguments, which libFuzzer reads
// only afterwards. Makes a fresh folder under TMPDIR (or /tmp), changes into
// it, sends standard output to /dev/null, and removes the folder with the
// files named by writeWorkFile when the process exits normally. So that
// paths given on the command line still mean what they meant where the
// target was started, relative corpus, input and artifact paths are made
// absolute, and crash files go to that starting folder unless
// -artifact_prefix says otherwise. Ends the process with a message on
// standard error when any of it fails.
void enterWorkFolder(const char *targetName, int *argc, char ***argv);

// Writes the bytes to the named file in the work folder, replacing it.
// Ends the process with a message when the file cannot be written.
void writeWorkFile(const char *name, const uint8_t *data, size_t size);
void writeWorkText(const char *name, const char *text);
