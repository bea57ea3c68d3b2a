#ifndef KA_VOICE_SYNTH_H
#define KA_VOICE_SYNTH_H

#include <vector>

// A mumbled line: syllables of a buzzing voice (a fundamental and its
// harmonics shaped by two vowel formants), with a falling intonation and
// short breaths between words, filling about `seconds`. The same seed
// gives the same line. pitch is the speaker's fundamental in Hz.
std::vector<float> KaMumbledLine(double seconds, double pitch, unsigned int seed, unsigned int rate);

// That many seconds of silence.
std::vector<float> KaSilence(double seconds, unsigned int rate);

#endif
