// Folders of numbered pictures ("seq.anim") as the game plays an animated
// cursor: the folder found through the core's registry, listed and loaded,
// frames decoded forward, back and past the end into reused and fresh
// images, then loaded again. The input names the files and holds their
// bytes: up to kFiles pairs of parts (see KaFuzzParts.h), a file name then
// its content; an empty name leaves that file out.

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <memory>
#include <string>

#include "engine/core/KaCore.h"
#include "engine/graphics/KaImage.h"
#include "engine/graphics/KaImagesSequence.h"
#include "fuzz/support/KaFuzzParts.h"
#include "fuzz/support/KaFuzzSupport.h"

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    KaFuzzSetUp();
    return 0;
}

namespace {

const size_t kFiles = 6;
const size_t kNameLength = 40;

// The folder, emptied of the previous input's pictures.
std::string freshFolder()
{
    const std::string folder = std::string(KaFuzzFolder().c_str()) + "/seq.anim";
    if (mkdir(folder.c_str(), 0700) != 0) {
        if (DIR* dir = opendir(folder.c_str())) {
            while (dirent* entry = readdir(dir)) {
                const std::string name = entry->d_name;
                if (name != "." && name != "..")
                    unlink((folder + "/" + name).c_str());
            }
            closedir(dir);
        }
    }
    return folder;
}

// A name any file system takes; empty when the file is left out.
std::string fileName(const KaFuzzPart& part)
{
    std::string name;
    for (size_t i = 0; i < part.size && name.size() < kNameLength; ++i) {
        const char c = static_cast<char>(part.data[i]);
        const bool plain = (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '.'
            || c == '-' || c == '+' || c == '_' || c == ' ';
        name += plain ? c : '_';
    }
    if (name == "." || name == "..")
        return std::string();
    return name;
}

void play(KaIVideoCodec& codec)
{
    const KaImageFormat format = codec.imageFormat();
    const unsigned int width = codec.width();
    const unsigned int height = codec.height();
    const unsigned long frames = codec.nbFrames();
    KaFuzzCheck(frames >= 1, "a loaded sequence has a frame");
    KaImage image;
    KaIntrusivePtr<KaPalette> noPalette;
    const bool reusable = format != NONE && width && height && image.create(width, height, noPalette, format);
    const unsigned long steps[] = { 0, 1, 2, 1, 0, frames - 1, 3, frames, 0 };
    for (unsigned long frame : steps) {
        if (!reusable)
            continue;
        if (codec.update(frame, image))
            KaFuzzTouch(image.buffer(), image.bufferSize());
        if (frame >= frames)
            KaFuzzCheck(codec.isAtEnd(), "asking past the last frame ends the sequence");
    }
    KaFuzzDecodeFrame(codec, 0, true, true);
    KaFuzzDecodeFrame(codec, frames - 1, false, false);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string folder = freshFolder();
    const std::vector<KaFuzzPart> parts = KaFuzzSplit(data, size, 2 * kFiles);
    for (size_t i = 0; i < kFiles; ++i) {
        const std::string name = fileName(parts[2 * i]);
        if (name.empty())
            continue;
        const KaFuzzPart& content = parts[2 * i + 1];
        const std::string relative = "seq.anim/" + name;
        KaFuzzWriteFile(relative.c_str(), content.data, content.size);
    }

    const KaPath path(folder.c_str());
    std::unique_ptr<KaIVideoCodec> codec(core.get()->createVideoCodec(path));
    KaFuzzCheck(codec && dynamic_cast<KaImagesSequence*>(codec.get()), "an anim folder is an image sequence");
    if (codec->load(path))
        play(*codec);
    // Loading again over the first load starts from scratch.
    if (codec->load(path))
        play(*codec);
    static_cast<KaImagesSequence&>(*codec).unload();
    KaFuzzCheck(!static_cast<KaImagesSequence&>(*codec).isLoaded(), "an unloaded sequence is empty");
    return 0;
}
