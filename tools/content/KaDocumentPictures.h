#ifndef KA_DOCUMENT_PICTURES_H
#define KA_DOCUMENT_PICTURES_H

#include <filesystem>

// The documents browser's pictures of the sample game, written under root:
// the browser's own widgets, the harbour office's documents' icons and their
// zoomed pages (a PNG page and a JPEG page for the logbook, a PNG page for
// the tide table). False when a file could not be written.
bool KaPaintDocumentPictures(const std::filesystem::path& root);

#endif
