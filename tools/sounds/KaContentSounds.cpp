// Writes the sample game's dialog voices into <Resources>/sounds/Dialogs/:
// mumbled lines named after their localisation keys, and the silence that
// a line without a voice file plays.
#include <cstdio>
#include <filesystem>
#include <string>

#include "tools/sounds/KaVoiceSynth.h"
#include "tools/sounds/KaVorbisWriter.h"

namespace {

const unsigned int kRate = 22050;
const double kMira = 205.0;
const double kAnsel = 118.0;
// The harbour master, heard over the phone: lower and slower than his clerk.
const double kHarbourMaster = 96.0;

struct Voice {
    const char* key;
    double seconds;
    double pitch;
};

// Every line the scripts launch has its voice: a line without one is a
// missing file ("can't open") on every new game.
const Voice kVoices[] = {
    { "01010_KA_1", 1.0, kMira },
    { "01010_KA_2", 3.2, kAnsel },
    { "01010_KA_3", 2.0, kMira },
    { "01010_KA_4", 2.2, kAnsel },
    { "01010_KA_5", 2.2, kAnsel },
    { "01010_KA_6", 2.8, kAnsel },
    { "01020_MI_1", 2.4, kMira },
    { "01020_MI_2", 2.8, kMira },
    { "01020_CAL_1", 2.8, kMira },
    { "01020_CAL_2", 3.2, kHarbourMaster },
    { "01020_CAL_3", 1.8, kMira },
    { "01020_CAL_4", 2.6, kHarbourMaster },
};

}

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <resources folder>\n", argv[0]);
        return 2;
    }
    const std::filesystem::path folder = std::filesystem::path(argv[1]) / "sounds" / "Dialogs";
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (error) {
        std::fprintf(stderr, "cannot make %s: %s\n", folder.c_str(), error.message().c_str());
        return 1;
    }
    unsigned int seed = 1;
    for (const Voice& voice : kVoices) {
        const std::string path = (folder / (std::string(voice.key) + ".ogg")).string();
        if (!KaWriteVorbisFile(path, KaMumbledLine(voice.seconds, voice.pitch, seed++, kRate), kRate)) {
            std::fprintf(stderr, "cannot write %s\n", path.c_str());
            return 1;
        }
    }
    const std::string silence = (folder / "silence5s.ogg").string();
    if (!KaWriteVorbisFile(silence, KaSilence(5.0, kRate), kRate)) {
        std::fprintf(stderr, "cannot write %s\n", silence.c_str());
        return 1;
    }
    return 0;
}
