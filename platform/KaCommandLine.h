#ifndef KA_COMMAND_LINE_H
#define KA_COMMAND_LINE_H

#include <string>

// What the program's arguments ask for. The window choices only apply to this
// run: the options file keeps what the player chose in the game.
struct KaCommandLine {
    enum Action { Run, Help, Error };

    Action action = Run;
    // -1: as the options say; 0: in a window; 1: full screen.
    int fullScreen = -1;
    // The window's size with --windowed WIDTHxHEIGHT; 0 keeps the options'.
    int width = 0;
    int height = 0;
    // Why the arguments were refused (Error only), one line.
    std::string error;

    // argv[0] is the program and is skipped. The last of --windowed and
    // --fullscreen wins.
    static KaCommandLine parse(int argc, const char* const* argv);
    // The usage text, several lines, each ended by a newline.
    static std::string usage(const char* program);
};

#endif
