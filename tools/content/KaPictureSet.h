#ifndef KA_PICTURE_SET_H
#define KA_PICTURE_SET_H

#include <cstddef>
#include <cstdio>
#include <filesystem>
#include <system_error>

#include "tools/content/KaCanvas.h"

// A picture of the sample game and the function that paints it; its path
// is relative to the Resources folder.
struct KaPicture {
    const char* path;
    KaCanvas (*paint)();
};

// Paints every picture of the set under root, making the folders it needs;
// the number of pictures that could not be written.
template <std::size_t N> int KaPaintPictures(const std::filesystem::path& root, const KaPicture (&pictures)[N])
{
    int failures = 0;
    for (const KaPicture& picture : pictures) {
        const std::filesystem::path file = root / picture.path;
        std::error_code error;
        std::filesystem::create_directories(file.parent_path(), error);
        if (!picture.paint().savePng(KaString(file.string().c_str()))) {
            std::fprintf(stderr, "cannot write %s\n", file.string().c_str());
            ++failures;
        }
    }
    return failures;
}

#endif
