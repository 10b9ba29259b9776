// The glTF reader and writer of tinygltf, compiled once for the whole program, without its
// image codecs (the scenes hold no images).
#define TINYGLTF_IMPLEMENTATION
#include <tiny_gltf.h>
