#ifndef KA_ANIMATION_FILES_H
#define KA_ANIMATION_FILES_H

#include <cstring>
#include <string>
#include <vector>
#include <zlib.h>

#include "engine/core/KaStream.h"
#include "engine/core/KaString.h"
#include "engine/graphics/KaMaterial.h"

// Builders of "KAAN" and "KAVA" files for the tests, with every count and
// tag under the test's control so that damaged files can be written too.

struct KaTestTranslationKey {
    float frame;
    float x, y, z;
};

struct KaTestRotationKey {
    float frame;
    float x, y, z, w;
};

struct KaTestBone {
    std::string name;
    std::vector<KaTestTranslationKey> translations;
    std::vector<KaTestRotationKey> rotations;
};

struct KaTestSkeletalFile {
    unsigned int version = 3;
    unsigned int type = 1;
    unsigned int frameCount = 10;
    float fps = 30.0f;
    std::vector<KaTestBone> bones;
    // When set, written instead of the real counts.
    long long boneCountOverride = -1;
    long long translationCountOverride = -1;
};

inline std::string KaTestBytes(const KaStream& stream)
{
    return std::string(reinterpret_cast<const char*>(stream.data()), stream.bufferLength());
}

inline std::string KaTestWriteSkeletal(const KaTestSkeletalFile& file)
{
    KaStream out;
    out.setMode(KaStream::Binary);
    out.writeData("KAAN", 4);
    out.write(file.version);
    out.write(file.type);
    out.write(file.frameCount);
    out.write(file.boneCountOverride >= 0 ? static_cast<unsigned int>(file.boneCountOverride)
                                          : static_cast<unsigned int>(file.bones.size()));
    out.write(file.fps);
    for (const KaTestBone& bone : file.bones) {
        out.writeData("BONE", 4);
        KaString::serialize(out, KaString(bone.name.c_str()));
        KaMaterial::saveAlign(out);
        out.writeData("BTRA", 4);
        out.write(file.translationCountOverride >= 0 ? static_cast<unsigned int>(file.translationCountOverride)
                                                     : static_cast<unsigned int>(bone.translations.size()));
        for (const KaTestTranslationKey& k : bone.translations) {
            out.write(k.frame);
            out.write(k.x);
            out.write(k.y);
            out.write(k.z);
        }
        out.writeData("BROT", 4);
        out.write(static_cast<unsigned int>(bone.rotations.size()));
        for (const KaTestRotationKey& k : bone.rotations) {
            out.write(k.frame);
            out.write(k.x);
            out.write(k.y);
            out.write(k.z);
            out.write(k.w);
        }
    }
    return KaTestBytes(out);
}

struct KaTestVertexFile {
    unsigned int version = 2;
    std::string name = "body";
    std::vector<float> times;
    // Per key, per vertex: x, y, z.
    std::vector<std::vector<float>> positions;
    // Version 256: per key, per vertex, 16 floats.
    std::vector<std::vector<float>> matrices;
    long long vertexCountOverride = -1;
    long long keyCountOverride = -1;
};

inline std::string KaTestWriteVertex(const KaTestVertexFile& file)
{
    KaStream out;
    out.setMode(KaStream::Binary);
    out.writeData("KAVA", 4);
    out.write(file.version);
    out.writeData("HEAD", 4);
    KaString::serialize(out, KaString(file.name.c_str()));
    const unsigned int vertices = file.positions.empty() ? 0 : static_cast<unsigned int>(file.positions[0].size() / 3);
    out.write(file.vertexCountOverride >= 0 ? static_cast<unsigned int>(file.vertexCountOverride) : vertices);
    out.write(file.keyCountOverride >= 0 ? static_cast<unsigned int>(file.keyCountOverride)
                                         : static_cast<unsigned int>(file.times.size()));
    out.writeData("TIME", 4);
    for (float t : file.times)
        out.write(t);
    out.writeData("DATA", 4);
    for (size_t k = 0; k < file.positions.size(); ++k) {
        for (unsigned int v = 0; v < vertices; ++v) {
            for (int c = 0; c < 3; ++c)
                out.write(file.positions[k][3 * v + c]);
            if (file.version == 256 && k < file.matrices.size()) {
                for (int c = 0; c < 16; ++c)
                    out.write(file.matrices[k][16 * v + c]);
            }
        }
    }
    return KaTestBytes(out);
}

// "KAZ0" and one zlib block (version 1, packed size, unpacked size, data).
inline std::string KaTestWrapKaz0(const std::string& raw)
{
    uLongf size = compressBound(raw.size());
    std::vector<unsigned char> packed(size);
    compress2(packed.data(), &size, reinterpret_cast<const Bytef*>(raw.data()), raw.size(), 9);
    KaStream out;
    out.setMode(KaStream::Binary);
    out.writeData("KAZ0", 4);
    out.write(static_cast<unsigned char>(1));
    out.write(static_cast<unsigned int>(size));
    out.write(static_cast<unsigned int>(raw.size()));
    out.writeData(packed.data(), size);
    return KaTestBytes(out);
}

inline void KaTestFillStream(KaStream& stream, const std::string& bytes)
{
    stream.setMode(KaStream::Binary);
    stream.writeData(bytes.data(), bytes.size());
    stream.seek(0);
}

#endif
