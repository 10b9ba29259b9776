#pragma once
// Picture file object: decodes a file into a BTCImageData and writes one back.

#include <vector>

#include "volume/BTCImageData.h"

// Encoder settings for Save; a null pointer means the defaults.
struct BTSaveOptions {
    int qualiteJpeg = 90; // 1 (smallest) to 100 (best)
};

// One object may load file after file: pictures and files of the same sizes reuse the storage
// of the previous ones.
// Load decodes BMP, PNG and JPEG files by their content, whatever the file name says:
// uncompressed 8-bit BMP files keep their palette indices and colour table; grey PNG
// files and JPEG files whose pixels are all grey give 8-bit buffers with the grey
// palette; other pictures give 24-bit (blue, green, red) buffers, or 32-bit ones when
// they carry an alpha channel. Row 0 is the top row of the picture.
// Corrupt or truncated files, and pictures over 65535 per side or 1 GiB, are refused.
class BTCImageObject {
public:
    enum Format : long { kFormatBMP = 0, kFormatJPEG = 6 };

    BTCImageObject() = default;
    BTCImageObject(const BTCImageObject&) = delete;
    BTCImageObject& operator=(const BTCImageObject&) = delete;
    ~BTCImageObject() = default;

    // Decodes the file at path. decoderOptions and p are unused; q is accepted for any
    // value. True when the file was decoded; the picture is then GetObjectDataPtr().
    bool Load(const char* path, const void* decoderOptions = nullptr, void* p = nullptr,
              long q = 2);

    // Whether the last Load failed for want of memory rather than for its file.
    bool MemoireEpuisee() const { return memoireEpuisee_; }

    // The decoded (or attached) picture; an empty buffer before any successful Load.
    BTCImageData* GetObjectDataPtr() { return attache_ ? attache_ : &image_; }

    // Refers to image for saving (not copied: it must outlive the Save). False when the
    // picture has no pixels.
    bool Attach(BTCImageData& image);

    // Writes the current picture: format 0 is BMP (8-bit pictures keep their palette,
    // 24- and 32-bit pictures are written as 24-bit), format 6 is JPEG (8-bit pictures
    // are written as grey JPEG). False for another format, an empty picture or a file
    // that cannot be written.
    bool Save(const char* path, long format, const BTSaveOptions* options = nullptr);

private:
    BTCImageData image_;
    // The bytes of the last file read, kept so that the next one reuses the storage.
    std::vector<unsigned char> fichier_;
    BTCImageData* attache_ = nullptr;
    bool memoireEpuisee_ = false;
};
