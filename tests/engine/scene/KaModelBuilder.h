#ifndef KA_MODEL_BUILDER_H
#define KA_MODEL_BUILDER_H

// Builds small models for the tests: no public operation adds bones, so the
// tests fill the skeleton through the model's arrays.

#include <string>

#include "engine/core/KaStream.h"
#include "engine/graphics/KaMaterial.h"
#include "engine/graphics/KaMesh.h"
#include "engine/maths/KaQuaternion.h"
#include "engine/maths/KaTRS.h"
#include "engine/scene/KaModel.h"

struct KaMeshShape {
    std::string name = "body";
    unsigned int vertices = 3;
    bool uvs = true;
    bool colors = false;
    unsigned int materials = 1;
    // Matrix index of every vertex: the vertex number modulo this many.
    unsigned int matrices = 1;
};

// Appends a bone (parent 65535 for a root) with that bind transform.
inline void KaAddBone(KaModel& model, const char* name, uint16_t parent, const KaTRS& bind,
    const KaMatrix4x4& inverseBind = KaMatrix4x4())
{
    KaModel::bone b;
    b.name = name;
    b.parent = parent;
    b.bindTransform = bind;
    model.bones().pushBack(b);
    model.inverseBindMatrices().pushBack(inverseBind);
}

inline KaTRS KaMakeTRS(const KaVector3f32& translation, const KaQuaternion& rotation = KaQuaternion(0, 0, 0, 1),
    const KaVector3f32& scale = KaVector3f32(1, 1, 1))
{
    return KaTRS(translation, rotation, scale);
}

// A triangle list mesh whose values all differ, with one face per material.
inline KaMesh KaMakeMesh(const KaMeshShape& shape)
{
    KaMesh mesh;
    const unsigned int indexCount = 3 * shape.materials;
    mesh.setConf(shape.vertices, indexCount, KaMesh::TRIANGLES, shape.materials, shape.materials);
    mesh.setName(shape.name.c_str());
    for (unsigned int v = 0; v < shape.vertices; ++v) {
        const float f = static_cast<float>(v);
        mesh.setVertex(v, KaVector3f32(f, 2 * f + 1, -f));
        mesh.setNormal(v, KaVector3f32(0, 0, 1));
        if (shape.uvs)
            mesh.setTextureUV(v, KaVector2f32(f * 0.5f, 1 - f * 0.25f));
        if (shape.colors)
            mesh.setColor(v, KaColor(static_cast<unsigned char>(v), 20, 30, 255));
        mesh.matrixIndex(v, shape.matrices != 0 ? v % shape.matrices : 0);
    }
    for (unsigned int i = 0; i < indexCount; ++i)
        mesh.setIndex(i, shape.vertices != 0 ? i % shape.vertices : 0);
    for (unsigned int m = 0; m < shape.materials; ++m) {
        // No texture: the record carries an empty texture name.
        KaMaterial material;
        material.setDiffuse(KaColor(static_cast<unsigned char>(10 * m), 200, 100, 255));
        material.setShininess(2.5f + static_cast<float>(m));
        mesh.attachMaterial(m, material);
        mesh.facesPerMaterial(m, 1);
    }
    return mesh;
}

inline std::string KaStreamBytes(const KaStream& stream)
{
    return std::string(reinterpret_cast<const char*>(stream.data()), stream.contentLength());
}

inline void KaStreamFromBytes(KaStream& stream, const std::string& bytes)
{
    stream.writeData(bytes.data(), bytes.size());
    stream.seek(0);
}

// The model's file (version 13) as bytes.
inline std::string KaSaveModel(const KaModel& model, unsigned int flags)
{
    KaStream stream;
    model.saveModel(stream, flags);
    return KaStreamBytes(stream);
}

// The same file as version 11: no flags word (flags 0). Dropping 4 bytes
// keeps every padding as it was.
inline std::string KaToVersion11(const std::string& version13)
{
    std::string bytes = version13;
    bytes[4] = 11;
    bytes.erase(20, 4);
    return bytes;
}

#endif
