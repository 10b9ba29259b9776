// The picture codecs: the one translation unit that holds the stb implementations.

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
// The JPEG decoder reads tables that a crafted file never defines (a scan naming an undefined
// Huffman table) from its freshly allocated state: zeroed allocations make such files decode
// the same way every time instead of depending on what the heap held before.
#define STBI_MALLOC(taille) calloc(1, taille)
#define STBI_REALLOC(p, taille) realloc(p, taille)
#define STBI_FREE(p) free(p)
#include <stb_image.h>
#define STB_IMAGE_WRITE_IMPLEMENTATION
#include <stb_image_write.h>
#pragma GCC diagnostic pop
