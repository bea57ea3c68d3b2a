#include "platform/KaCommandLine.h"

#include <cstring>

namespace {

// Larger than any screen and small enough that width * height stays an int.
const long maxSide = 16384;

// "WIDTHxHEIGHT", each side 1 to maxSide in plain decimal digits.
bool parseSize(const char* text, int& width, int& height)
{
    long sides[2] = { 0, 0 };
    const char* at = text;
    for (int side = 0; side < 2; ++side) {
        const char* start = at;
        while (*at >= '0' && *at <= '9') {
            sides[side] = sides[side] * 10 + (*at - '0');
            if (sides[side] > maxSide)
                return false;
            ++at;
        }
        if (at == start || sides[side] < 1)
            return false;
        if (side == 0 && *at++ != 'x')
            return false;
    }
    if (*at != '\0')
        return false;
    width = static_cast<int>(sides[0]);
    height = static_cast<int>(sides[1]);
    return true;
}

KaCommandLine refuse(const std::string& why)
{
    KaCommandLine line;
    line.action = KaCommandLine::Error;
    line.error = why;
    return line;
}

}

KaCommandLine KaCommandLine::parse(int argc, const char* const* argv)
{
    KaCommandLine line;
    for (int i = 1; i < argc; ++i) {
        const char* argument = argv[i] ? argv[i] : "";
        if (std::strcmp(argument, "--help") == 0 || std::strcmp(argument, "-h") == 0) {
            line.action = Help;
            return line;
        }
        if (std::strcmp(argument, "--fullscreen") == 0) {
            line.fullScreen = 1;
            continue;
        }
        const char* size = nullptr;
        if (std::strncmp(argument, "--windowed=", 11) == 0)
            size = argument + 11;
        else if (std::strcmp(argument, "--windowed") == 0) {
            // The size is optional: the next word is one unless it is an
            // option itself.
            if (i + 1 < argc && argv[i + 1] && argv[i + 1][0] != '-')
                size = argv[++i];
        } else
            return refuse(argument[0] == '-' ? "unknown option '" + std::string(argument) + "'"
                                             : "unexpected argument '" + std::string(argument) + "'");
        line.fullScreen = 0;
        line.width = 0;
        line.height = 0;
        if (size && !parseSize(size, line.width, line.height))
            return refuse("bad window size '" + std::string(size) + "': WIDTHxHEIGHT, each from 1 to 16384, as 1024x768");
    }
    return line;
}

std::string KaCommandLine::usage(const char* program)
{
    const std::string name = program && program[0] ? program : "kagame";
    return "Usage: " + name + " [--windowed [WIDTHxHEIGHT]] [--fullscreen] [--help]\n"
        + "  --windowed [WIDTHxHEIGHT]  play in a window, of that size when given (as 1024x768)\n"
        + "  --fullscreen               play full screen\n"
        + "  --help                     show this text and end\n"
        + "Without these the game plays as it was last left: full screen at first.\n"
        + "Alt+Enter or F11 switches between full screen and a window; the game keeps the choice.\n";
}
