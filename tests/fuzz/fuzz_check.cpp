// The level checker against the game's loaders on one fuzzed level folder of
// four files: a list, a scene, a model and a collision file. A disagreement
// on whether a file is accepted ends the run with the input kept.
#include <cstdio>
#include <cstdlib>

#include "fuzz/check_differential.h"
#include "fuzz/fuzz_support.h"
#include "support/gl_window.h"

extern "C" int LLVMFuzzerInitialize(int *, char ***) {
    openTestWindow();  // without SDL's parachute: crash signals go to the sanitizers
    enterWorkFolder("fuzz_check");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    writeLevelFolder(data, size);
    std::string found = disagreement();
    if (!found.empty()) {
        fprintf(stderr, "the checker and the game disagree:\n%s", found.c_str());
        abort();
    }
    return 0;
}
