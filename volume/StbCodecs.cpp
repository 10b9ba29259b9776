// The picture codecs: the one translation unit that holds the stb implementations.

#include "volume/StbCodecs.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

// Largest single allocation the decoder may make while it decodes one file (bytes). A
// compressed stream that inflates far beyond what its picture needs (a few bytes of deflate
// unfold into gigabytes) then fails at that bound instead of taking the memory first.
thread_local std::size_t plafondDecodeur = SIZE_MAX;
// Set when the system refused an allocation that the bound allowed.
thread_local bool memoireRefusee = false;

void* noterRefus(void* p) {
    memoireRefusee = memoireRefusee || p == nullptr;
    return p;
}

// The decoder reads tables that a crafted file never defines (a scan naming an undefined
// Huffman table) from its freshly allocated state: zeroed allocations make such files decode
// the same way every time instead of depending on what the heap held before.
void* allouerDecodeur(std::size_t taille) {
    return taille <= plafondDecodeur ? noterRefus(std::calloc(1, taille)) : nullptr;
}

void* reallouerDecodeur(void* p, std::size_t taille) {
    return taille <= plafondDecodeur ? noterRefus(std::realloc(p, taille)) : nullptr;
}

} // namespace

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wall"
#pragma GCC diagnostic ignored "-Wextra"
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#pragma GCC diagnostic ignored "-Wunused-function"
#pragma GCC diagnostic ignored "-Wsign-compare"
#pragma GCC diagnostic ignored "-Wunused-but-set-variable"
#define STB_IMAGE_IMPLEMENTATION
#define STBI_ONLY_BMP
#define STBI_ONLY_PNG
#define STBI_ONLY_JPEG
#define STBI_NO_STDIO
#define STBI_MAX_DIMENSIONS 65535
#define STBI_MALLOC(taille) allouerDecodeur(taille)
#define STBI_REALLOC(p, taille) reallouerDecodeur(p, taille)
#define STBI_FREE(p) std::free(p)
#include <stb_image.h>
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb_image_write.h>
#pragma GCC diagnostic pop

PlafondDecodeur::PlafondDecodeur(std::size_t octets)
    : precedent_(plafondDecodeur), epuiseePrecedent_(memoireRefusee) {
    plafondDecodeur = octets;
    memoireRefusee = false;
}

PlafondDecodeur::~PlafondDecodeur() {
    plafondDecodeur = precedent_;
    memoireRefusee = epuiseePrecedent_;
}

bool PlafondDecodeur::memoireEpuisee() const { return memoireRefusee; }
