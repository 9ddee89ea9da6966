// batchrun SCRIPT: runs one of the wizard's scripts line by line (see interpreter.h).

#include <cstdio>

#include "batchrun/interpreter.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: batchrun SCRIPT\n");
        return 1;
    }
    return corvane::batchrun::RunScriptFile(argv[1]);
}
