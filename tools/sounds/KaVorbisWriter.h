#ifndef KA_VORBIS_WRITER_H
#define KA_VORBIS_WRITER_H

#include <string>
#include <vector>

// Writes mono float samples (-1..1) as an Ogg Vorbis file (VBR at the given
// quality). False, with the file possibly half written, when the encoder
// refuses the rate or the file cannot be written.
bool KaWriteVorbisFile(const std::string& path, const std::vector<float>& samples, unsigned int rate,
    float quality = 0.4f);

#endif
