// Loading of the slice folders, configuration, sizes and conversions of the loaded volume.

#include <algorithm>
#include <atomic>
#include <cstring>
#include <filesystem>
#include <memory>
#include <new>
#include <system_error>
#include <thread>
#include <vector>

#include <omp.h>

#include "core/Message.h"
#include "core/Parallele.h"
#include "volume/BTCImageObject.h"
#include "volume/CImage3D.h"
#include "volume/CImageTroisD.h"
#include "volume/Dossiers.h"
#include "volume/LecteursVolume.h"
#include "volume/NiveauxGris.h"

namespace Stravol {

namespace {

constexpr const char* const* kMotifs = kMotifsCoupes;
constexpr int kNbMotifs = kNbMotifsCoupes;
constexpr int kPremierMotifTiff = 4;

bool decoder(const std::string& fichier, BTCImageObject& objet, std::string& erreur) {
    if (!objet.Load(fichier.c_str()) || objet.GetObjectDataPtr()->GetBits() == nullptr) {
        erreur = (objet.MemoireEpuisee() ? "Mémoire insuffisante pour décoder l'image : "
                                         : "Fichier illisible ou image corrompue : ") +
                 fichier;
        return false;
    }
    return true;
}

// A picture narrower or shorter than the volume's slices cannot fill one.
bool tropPetite(const BTCImageData& img, int largeur, int hauteur) {
    return img.GetWidth() < largeur || img.GetHeight() < hauteur;
}

std::string descriptionTaille(const std::string& fichier, long w, long h, int largeur,
                              int hauteur) {
    return "L'image \"" + fichier + "\" mesure " + std::to_string(w) + " x " + std::to_string(h) +
           " au lieu de " + std::to_string(largeur) + " x " + std::to_string(hauteur) + ".";
}

// Converts the top-left largeur x hauteur part of a decoded picture into one slice of
// grey levels (and of colour planes when r, g, b are given). Pixels the picture does not
// cover are left as they are.
void convertirCoupe(const BTCImageData& img, int largeur, int hauteur, unsigned char* gris,
                    unsigned char* r, unsigned char* g, unsigned char* b) {
    const int w = static_cast<int>(std::min<long>(img.GetWidth(), largeur));
    const int h = static_cast<int>(std::min<long>(img.GetHeight(), hauteur));
    // 24-bit rows are read where they lie; others through a row of blue, green, red.
    const bool bgr = img.GetBitsPerPixel() == 24;
    std::vector<unsigned char> ligne(bgr ? 0 : 3 * static_cast<std::size_t>(img.GetWidth()));
    for (int y = 0; y < h; ++y) {
        if (!bgr)
            img.CopyRowBGR(y, ligne.data());
        const unsigned char* rangee = bgr ? img.GetBits(0, y) : ligne.data();
        const std::size_t debut = static_cast<std::size_t>(y) * largeur;
        niveauxGrisBGR(rangee, w, gris + debut);
        if (r != nullptr) {
            const unsigned char* p = rangee;
            for (int x = 0; x < w; ++x, p += 3) {
                r[debut + x] = p[2];
                g[debut + x] = p[1];
                b[debut + x] = p[0];
            }
        }
    }
}

// Decodes files 0 .. n - 1 on the threads, decoder(k, objet) with the thread's own decoder
// object, and hands them in order to consommer(k) on the calling thread (thread 0), each as
// soon as it and those before it are decoded, until consommer returns false or every file is
// handed over. Files are claimed in order, so that no more than one per thread is decoded past
// the one refused. Returns the number of files decoded (claimed ones finish before returning).
template <class Decoder, class Consommer>
int decoderEnOrdre(int n, std::vector<BTCImageObject>& decodeurs, Decoder&& decoder,
                   Consommer&& consommer) {
    std::atomic<int> prochain{0};
    std::atomic<bool> arret{false};
    const std::unique_ptr<std::atomic<bool>[]> prets(
        new std::atomic<bool>[static_cast<std::size_t>(n)]);
    for (int k = 0; k < n; ++k)
        prets[k].store(false, std::memory_order_relaxed);
    const auto reclamer = [&]() -> int {
        const int k = arret.load(std::memory_order_acquire) ? n : prochain.fetch_add(1);
        return k < n ? k : n;
    };
    const int threads = static_cast<int>(decodeurs.size());
#pragma omp parallel num_threads(threads) if (n > 1)
    {
        BTCImageObject& objet = decodeurs[static_cast<std::size_t>(omp_get_thread_num())];
        if (omp_get_thread_num() == 0) {
            int suivant = 0; // next file to hand over
            while (suivant < n) {
                if (prets[suivant].load(std::memory_order_acquire)) {
                    if (!consommer(suivant++))
                        break;
                    continue;
                }
                const int k = reclamer();
                if (k < n) {
                    decoder(k, objet);
                    prets[k].store(true, std::memory_order_release);
                } else {
                    std::this_thread::yield();
                }
            }
            arret.store(true, std::memory_order_release);
        } else {
            for (int k = reclamer(); k < n; k = reclamer()) {
                decoder(k, objet);
                prets[k].store(true, std::memory_order_release);
            }
        }
    }
    return std::min(prochain.load(), n);
}

VolumeOctets allouer(std::size_t n) { return VolumeOctets(new (std::nothrow) unsigned char[n]()); }

// For a volume that is written whole before it is read: no zero fill.
VolumeOctets allouerSansZeros(std::size_t n) {
    return VolumeOctets(new (std::nothrow) unsigned char[n]);
}

} // namespace

CImageTroisD::CImageTroisD(const std::string& chemin_, const std::string& path, ProgressSink* barre,
                           MessageSink* fenetre_)
    : chemin(chemin_), fenetre(fenetre_) {
    LireConfig();
    // The parallel stages' threads start now, before the volume takes its memory.
    if (ParamNbThreads >= 0)
        definirNbThreads(ParamNbThreads);
    else
        preparerThreads();
    OriginPath = path + "/";

    // Both passes use one listing per pattern, so that the count and the slices agree.
    std::vector<std::string> listes[kNbMotifs];
    for (int m = 0; m < kNbMotifs; ++m) {
        std::string erreur;
        if (!listerDossier(path, GenreEntree::Fichier, kMotifs[m], listes[m], erreur)) {
            signaler(std::string("Comptage des images \"") + kMotifs[m] + "\" a échoué !\n" +
                     erreur);
            listes[m].clear();
        }
        profondeur += static_cast<int>(listes[m].size());
    }
    if (barre)
        barre->setMaximum(profondeur);

    // A folder without any picture may hold a DICOM series: one typed volume with its geometry.
    if (profondeur == 0 && dossierDicom(path)) {
        chargerSerieDicom(path);
        if (barre)
            barre->setValue(profondeur);
        return;
    }

    // A folder of TIFF slices alone is one typed volume, with one window for all its slices.
    std::vector<std::string> tiff;
    for (int m = 0; m < kNbMotifs; ++m)
        for (const std::string& nom : listes[m])
            if (m >= kPremierMotifTiff)
                tiff.push_back(path + "/" + nom);
    if (!tiff.empty() && static_cast<int>(tiff.size()) == profondeur) {
        chargerCoupesTiff(tiff);
        if (barre)
            barre->setValue(largeur > 0 ? profondeur : 0);
        return;
    }

    // Once the first picture has given the sizes, the slices are decoded on the threads, each
    // into its own slice, and taken in file order, so that the messages, the progress and the
    // stop at a pattern's first failure are those of a reading one file after the other
    // (slices decoded past a failure are cleared again).
    std::vector<BTCImageObject> decodeurs(static_cast<std::size_t>(nbThreads()));
    indZ = 0;
    for (int m = 0; m < kNbMotifs; ++m)
        if (!chargerCoupesMotif(path, kMotifs[m], listes[m], decodeurs, barre))
            break;
    if (largeur == 0) {
        // No picture could be decoded: there is no size to give the volume.
        reinitialiserTaille();
        return;
    }
}

bool CImageTroisD::chargerCoupesMotif(const std::string& path, const char* motif,
                                      const std::vector<std::string>& liste,
                                      std::vector<BTCImageObject>& decodeurs, ProgressSink* barre) {
    const int nbFichiers = static_cast<int>(liste.size());
    bool echec = false;
    bool memoireEpuisee = false;
    // Handles the outcome of a file; false when the pattern (or the loading) stops there.
    const auto suivre = [&](int etat, const std::string& erreur) {
        if (etat == kMemoireEpuisee) {
            memoireEpuisee = true; // already reported, with the sizes asked for
            return false;
        }
        if (etat != kChargementReussi) {
            signaler(std::string("Le chargement des images \"") + motif + "\" a échoué !\n" +
                     erreur);
            echec = true;
            return false;
        }
        ++indZ;
        if (barre)
            barre->setValue(indZ);
        return true;
    };
    int premier = 0;
    for (; premier < nbFichiers && largeur == 0 && !echec && !memoireEpuisee; ++premier) {
        std::string erreur;
        const int etat = ChargerImage(path + "/" + liste[static_cast<std::size_t>(premier)],
                                      decodeurs[0], erreur);
        suivre(etat, erreur);
    }
    if (premier == nbFichiers || echec || memoireEpuisee)
        return !memoireEpuisee;
    const int z0 = indZ;
    std::vector<ResultatCoupe> resultats(static_cast<std::size_t>(nbFichiers - premier));
    const int decodes = decoderEnOrdre(
        nbFichiers - premier, decodeurs,
        [&](int k, BTCImageObject& objet) {
            resultats[static_cast<std::size_t>(k)] = decoderCoupe(
                path + "/" + liste[static_cast<std::size_t>(premier + k)], objet, z0 + k);
        },
        [&](int k) {
            ResultatCoupe& r = resultats[static_cast<std::size_t>(k)];
            std::string erreur = std::move(r.erreur);
            int etat = r.etat;
            if (r.tiff)
                etat = ChargerImage(path + "/" + liste[static_cast<std::size_t>(premier + k)],
                                    decodeurs[0], erreur);
            else if (!r.note.empty())
                Message(r.note.c_str());
            return suivre(etat, erreur);
        });
    if (echec || memoireEpuisee)
        effacerCoupes(indZ, z0 + decodes);
    return !memoireEpuisee;
}

CImageTroisD::CImageTroisD(int largeur_, int hauteur_, int profondeur_) {
    if (largeur_ > 0 && hauteur_ > 0 && profondeur_ > 0 &&
        allouerVolumes(largeur_, hauteur_, profondeur_, true)) {
        imageOriginal = allouer(nbVoxels());
        if (!imageOriginal)
            reinitialiserTaille();
    }
}

CImageTroisD::~CImageTroisD() = default;

bool CImageTroisD::LireConfig() { return ::LireConfig(chemin, tableConfigVolume(*this)); }

std::string CImageTroisD::LireLigne(const char* ligne, char delimiteur) {
    return ::LireLigne(ligne, delimiteur);
}

void CImageTroisD::RemplirParametre(FILE* r, short identifiant) {
    ::RemplirParametre(r, identifiant, tableConfigVolume(*this));
}

std::size_t CImageTroisD::nbVoxels() const {
    return static_cast<std::size_t>(largeur) * static_cast<std::size_t>(hauteur) *
           static_cast<std::size_t>(profondeur);
}

void CImageTroisD::signaler(const std::string& texte) const {
    Message(texte.c_str());
    if (fenetre)
        fenetre->afficher(texte);
}

void CImageTroisD::libererVoxels() {
    largeur = hauteur = profondeur = 0;
    for (VolumeOctets* v :
         {&image, &imageOriginal, &imageSegmente, &imageNiBlack, &imageAutocorrelation, &imageFFT,
          &imagePhase, &imR, &imG, &imB, &imageOpenGlZ, &imageOpenGlX, &imageOpenGlY})
        v->reset();
    std::vector<std::uint16_t>().swap(etiquettes);
    valeursFichier = VolumeBrut();
    imgTemp = ImageRGB();
}

void CImageTroisD::reinitialiserTaille() {
    libererVoxels();
    etiquetteMax = 0;
    valeursEtiquettes.clear();
    tableEtiquettes = TableEtiquettes();
    majPalette();
}

bool CImageTroisD::allouerVolumes(int l, int h, int p, bool couleurs) {
    std::size_t n = 0;
    const bool tropGrand =
        __builtin_mul_overflow(static_cast<std::size_t>(l), static_cast<std::size_t>(h), &n) ||
        __builtin_mul_overflow(n, static_cast<std::size_t>(p), &n);
    largeur = l;
    hauteur = h;
    profondeur = p;
    bool alloue = false;
    if (!tropGrand) {
        image = allouer(n);
        if (couleurs && image) {
            imR = allouer(n);
            imG = allouer(n);
            imB = allouer(n);
        }
        alloue = image && (!couleurs || (imR && imG && imB));
    }
    if (alloue) {
        // The blank cut picture, as large as a slice in colour.
        try {
            imgTemp.pixels.assign(3 * static_cast<std::size_t>(l) * h, 0);
        } catch (const std::bad_alloc&) {
            alloue = false;
        }
    }
    if (!alloue) {
        signaler("Mémoire insuffisante pour un volume de " + std::to_string(l) + " x " +
                 std::to_string(h) + " x " + std::to_string(p) + " voxels.");
        reinitialiserTaille();
        return false;
    }
    imgTemp.largeur = l;
    imgTemp.hauteur = h;
    return true;
}

CImageTroisD::ResultatCoupe CImageTroisD::decoderCoupe(const std::string& fichier,
                                                       BTCImageObject& objet, int z) {
    ResultatCoupe r;
    if (formatParContenu(fichier) == FormatVolume::Tiff) {
        r.tiff = true;
        return r;
    }
    if (!decoder(fichier, objet, r.erreur)) {
        r.etat = kFichierIllisible;
        return r;
    }
    const BTCImageData& img = *objet.GetObjectDataPtr();
    if (tropPetite(img, largeur, hauteur)) {
        r.erreur = descriptionTaille(fichier, img.GetWidth(), img.GetHeight(), largeur, hauteur);
        r.etat = kFichierIllisible;
        return r;
    }
    if (img.GetWidth() != largeur || img.GetHeight() != hauteur)
        r.note = descriptionTaille(fichier, img.GetWidth(), img.GetHeight(), largeur, hauteur);
    const std::size_t debut = static_cast<std::size_t>(z) * largeur * hauteur;
    const bool couleurs = rgb == 1 && imR != nullptr;
    convertirCoupe(img, largeur, hauteur, image.get() + debut,
                   couleurs ? imR.get() + debut : nullptr, couleurs ? imG.get() + debut : nullptr,
                   couleurs ? imB.get() + debut : nullptr);
    r.etat = kChargementReussi;
    return r;
}

void CImageTroisD::effacerCoupes(int debut, int fin) {
    if (fin <= debut)
        return;
    const std::size_t coupe = static_cast<std::size_t>(largeur) * hauteur;
    const std::size_t d = static_cast<std::size_t>(debut) * coupe;
    const std::size_t n = static_cast<std::size_t>(fin - debut) * coupe;
    for (VolumeOctets* v : {&image, &imR, &imG, &imB})
        if (*v)
            std::memset(v->get() + d, 0, n);
}

int CImageTroisD::ChargerImage(const std::string& fichier, BTCImageObject& objet,
                               std::string& erreur) {
    if (formatParContenu(fichier) == FormatVolume::Tiff)
        return ChargerImageTiff(fichier, erreur);
    if (!decoder(fichier, objet, erreur))
        return kFichierIllisible;
    const BTCImageData& img = *objet.GetObjectDataPtr();
    if (largeur == 0) {
        if (!allouerVolumes(static_cast<int>(img.GetWidth()), static_cast<int>(img.GetHeight()),
                            profondeur, rgb == 1))
            return kMemoireEpuisee;
    } else if (tropPetite(img, largeur, hauteur)) {
        // Nothing of it is stored: the slice stays free for the next picture read.
        erreur = descriptionTaille(fichier, img.GetWidth(), img.GetHeight(), largeur, hauteur);
        return kFichierIllisible;
    } else if (img.GetWidth() != largeur || img.GetHeight() != hauteur) {
        // A larger picture contributes its top-left largeur x hauteur pixels.
        Message(
            descriptionTaille(fichier, img.GetWidth(), img.GetHeight(), largeur, hauteur).c_str());
    }
    const std::size_t debut = static_cast<std::size_t>(indZ) * largeur * hauteur;
    const bool couleurs = rgb == 1 && imR != nullptr;
    convertirCoupe(img, largeur, hauteur, image.get() + debut,
                   couleurs ? imR.get() + debut : nullptr, couleurs ? imG.get() + debut : nullptr,
                   couleurs ? imB.get() + debut : nullptr);
    return kChargementReussi;
}

bool CImageTroisD::ChargerSeg(const std::string& path, ProgressSink* barre) {
    if (nbVoxels() == 0)
        return false;
    std::vector<std::string> noms;
    std::string erreur;
    if (!listerDossier(path, GenreEntree::Fichier, "*.bmp", noms, erreur)) {
        signaler("Le chargement de la segmentation \"" + path + "\" a échoué !\n" + erreur);
        return false;
    }
    // Each slice is cleared by the thread that decodes into it, the others after: the volume is
    // first touched on the threads, once.
    VolumeOctets seg = allouerSansZeros(nbVoxels());
    if (!seg) {
        signaler("Mémoire insuffisante pour la segmentation \"" + path + "\".");
        return false;
    }
    if (static_cast<long long>(noms.size()) > profondeur) {
        signaler("La segmentation \"" + path + "\" compte " + std::to_string(noms.size()) +
                 " images \".bmp\" pour " + std::to_string(profondeur) + " coupes : les " +
                 std::to_string(noms.size() - profondeur) + " dernières sont ignorées.");
        noms.resize(profondeur);
    }
    indZ = 0;
    if (barre)
        barre->setMaximum(profondeur);
    const std::size_t tailleCoupe = static_cast<std::size_t>(largeur) * hauteur;
    // The slices are decoded on the threads, each into its own slice; the messages and the
    // progress follow in file order.
    std::vector<BTCImageObject> decodeurs(static_cast<std::size_t>(nbThreads()));
    // For each file: the message for the user, then the diagnostic.
    std::vector<std::pair<std::string, std::string>> rapports(noms.size());
    decoderEnOrdre(
        static_cast<int>(noms.size()), decodeurs,
        [&](int k, BTCImageObject& objet) {
            const std::string fichier = path + "/" + noms[static_cast<std::size_t>(k)];
            auto& [pourUtilisateur, diagnostic] = rapports[static_cast<std::size_t>(k)];
            std::fill_n(seg.get() + static_cast<std::size_t>(k) * tailleCoupe, tailleCoupe, 0);
            std::string echec;
            if (decoder(fichier, objet, echec)) {
                const BTCImageData& img = *objet.GetObjectDataPtr();
                // Only the part common to both sizes is read; a smaller picture leaves the rest
                // of its slice 0 and is reported, a larger one is cut silently.
                const std::string taille =
                    descriptionTaille(fichier, img.GetWidth(), img.GetHeight(), largeur, hauteur);
                if (tropPetite(img, largeur, hauteur))
                    pourUtilisateur = taille + " Seule la partie commune est lue.";
                else if (img.GetWidth() != largeur || img.GetHeight() != hauteur)
                    diagnostic = taille;
                convertirCoupe(img, largeur, hauteur,
                               seg.get() + static_cast<std::size_t>(k) * tailleCoupe, nullptr,
                               nullptr, nullptr);
            } else {
                // The slice stays 0 and keeps its place, so later files still meet their
                // slices.
                pourUtilisateur =
                    "Le chargement de la segmentation \"" + fichier + "\" a échoué !\n" + echec;
            }
        },
        [&](int k) {
            const auto& [pourUtilisateur, diagnostic] = rapports[static_cast<std::size_t>(k)];
            if (!pourUtilisateur.empty())
                signaler(pourUtilisateur);
            if (!diagnostic.empty())
                Message(diagnostic.c_str());
            ++indZ;
            if (barre)
                barre->setValue(indZ);
            return true;
        });
    // Slices without a picture stay 0.
    std::fill(seg.get() + noms.size() * tailleCoupe, seg.get() + nbVoxels(), 0);
    if (barre)
        barre->setValue(0);
    imageSegmente = std::move(seg);
    // Labels of a file read before are replaced by these pictures' grey levels.
    etiquettes.clear();
    etiquetteMax = 0;
    valeursEtiquettes.clear();
    tableEtiquettes = TableEtiquettes();
    majPalette();
    return true;
}

bool CImageTroisD::separerOriginal() {
    if (imageOriginal || !image)
        return true;
    VolumeOctets copie = allouerSansZeros(nbVoxels());
    if (!copie) {
        signaler("Mémoire insuffisante pour garder le volume chargé à côté du mode affiché.");
        return false;
    }
    std::memcpy(copie.get(), image.get(), nbVoxels());
    imageOriginal = std::move(copie);
    return true;
}

unsigned char CImageTroisD::getVoxelImage(int x, int y, int z) const {
    return image[(static_cast<std::size_t>(z) * hauteur + y) * largeur + x];
}

void CImageTroisD::setVoxelImage(int x, int y, int z, unsigned char valeur) {
    if (!separerOriginal())
        return;
    image[(static_cast<std::size_t>(z) * hauteur + y) * largeur + x] = valeur;
}

void CImageTroisD::Cimage3DtoCimageTroisD(const CImage3D& im) {
    const int l = im.GetWidth(), h = im.GetHeight(), p = im.GetDepth();
    if (l <= 0 || h <= 0 || p <= 0) {
        reinitialiserTaille();
        return;
    }
    const std::size_t n = static_cast<std::size_t>(l) * h * p;
    VolumeOctets nouvelle = allouer(n);
    if (!nouvelle) {
        signaler("Mémoire insuffisante pour un volume de " + std::to_string(l) + " x " +
                 std::to_string(h) + " x " + std::to_string(p) + " voxels.");
        return;
    }
    if (l != largeur || h != hauteur || p != profondeur) {
        // The other buffers describe the old sizes and could be read past their ends.
        reinitialiserTaille();
        largeur = l;
        hauteur = h;
        profondeur = p;
    } else if (!imageOriginal) {
        // image held the loaded volume: it stays as the original.
        imageOriginal = std::move(image);
    }
    for (int z = 0; z < p; ++z)
        for (int y = 0; y < h; ++y)
            std::memcpy(nouvelle.get() + (static_cast<std::size_t>(z) * h + y) * l, im.GetRow(y, z),
                        l);
    image = std::move(nouvelle);
}

void CImageTroisD::CimageTroisDtoCimage3D(CImage3D& target) const {
    if (!image)
        return;
    const int l = std::min(largeur, target.GetWidth());
    const int h = std::min(hauteur, target.GetHeight());
    const int p = std::min(profondeur, target.GetDepth());
    if (l != largeur || h != hauteur || p != profondeur || l != target.GetWidth() ||
        h != target.GetHeight() || p != target.GetDepth())
        Message("CimageTroisDtoCimage3D : tailles différentes, seule la partie commune est copiée");
    for (int z = 0; z < p; ++z)
        for (int y = 0; y < h; ++y)
            std::memcpy(target.GetRow(y, z),
                        image.get() + (static_cast<std::size_t>(z) * hauteur + y) * largeur, l);
}

} // namespace Stravol
