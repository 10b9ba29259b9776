#pragma once
// Pieces shared by the readers of volume files: file names, sizes, byte order and the reading
// of raw or deflate-compressed voxel data into a volume, each checked before it is trusted.

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "volume/LecteursVolume.h"

namespace Stravol {

// Deflate never compresses better than about 1032 to 1: a compressed stream announcing more
// data than that ratio allows cannot hold it, and its header is not trusted with an
// allocation.
constexpr long long kRapportDeflateMax = 1032;
constexpr long long kMargeDeflate = 1 << 16;

// True when nom ends with suffixe (given in lower case), letter case ignored.
bool finitPar(const std::string& nom, const std::string& suffixe);

// A failed reading: the volume emptied, the reason given.
CompteRenduLecture echecLecture(VolumeBrut& volume, const std::string& erreur);

// Size in bytes of a regular file; -1 when it is missing, unreadable or not a regular file.
long long tailleFichier(const std::string& fichier);

struct FermerFichier {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using Fichier = std::unique_ptr<std::FILE, FermerFichier>;
Fichier ouvrirLecture(const std::string& fichier);

// The bytes of the voxels of a volume of these sizes and type; false with a message when the
// sizes are not positive or exceed kVoxelsMax or kOctetsMax.
bool octetsVolume(long long largeur, long long hauteur, long long profondeur, TypeVoxel type,
                  long long& octets, std::string& erreur);

// Sizes and type of v set, its voxels allocated (zeroed); false with a message when the sizes
// are refused by octetsVolume or memory runs out.
bool allouerVolume(VolumeBrut& v, long long largeur, long long hauteur, long long profondeur,
                   TypeVoxel type, std::string& erreur);

// Reverses the byte order of n values of taille bytes each.
void permuterOctets(unsigned char* donnees, std::size_t n, std::size_t taille);

// Reads octets bytes of f from position debut into dest; false when the file ends first.
bool lireOctets(std::FILE* f, long long debut, std::size_t octets, unsigned char* dest);

// The inflated bytes [sauter, sauter + octets) of f's content from debut on, in donnees (empty
// on entry), in one go, when that content is one gzip member whose trailer says it holds them
// and little more (a header, tags): several times faster than a stream, and no more memory
// than the volume and that little more. False, donnees empty and f's position undefined, for
// any other content (several members, a larger or damaged stream), left to the stream.
bool gonflerEnUneFois(std::FILE* f, long long debut, std::size_t sauter, std::size_t octets,
                      std::vector<unsigned char>& donnees);

// Inflates the gzip or zlib stream of f that starts at debut, drops its first sauter bytes and
// puts the next octets bytes into dest. False with a message when the stream is corrupt or
// ends first.
bool lireOctetsCompresses(std::FILE* f, long long debut, long long sauter, std::size_t octets,
                          unsigned char* dest, std::string& erreur);

// texte as a whole decimal integer, with an optional sign and nothing else around it; false
// otherwise.
bool lireEntierTexte(const std::string& texte, long long& valeur);
// texte as a finite decimal number, with nothing else around it; false otherwise.
bool lireReelTexte(const std::string& texte, double& valeur);
// texte without its leading and trailing spaces, tabs and line ends.
std::string sansEspaces(const std::string& texte);

} // namespace Stravol
