#include <cstdio>

#include "tools/characters/KaCharacterCast.h"

// Writes the sample game's characters (models, pictures, animations) under
// the Resources folder given on the command line.
int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s RESOURCES_FOLDER\n", argv[0]);
        return 2;
    }
    if (!KaCharacterCast::write(argv[1])) {
        std::fprintf(stderr, "%s: could not write the characters under %s\n", argv[0], argv[1]);
        return 1;
    }
    return 0;
}
