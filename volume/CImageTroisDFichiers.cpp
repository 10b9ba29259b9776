// Volume files (NIfTI, TIFF, NRRD, MGH, DICOM) and label files as the loaded volume: window,
// geometry, labels.

#include <algorithm>
#include <cstring>
#include <new>
#include <sstream>

#include "core/Message.h"
#include "core/Parallele.h"
#include "volume/CImage3D.h"
#include "volume/CImageTroisD.h"
#include "volume/LecteursVolume.h"

namespace Stravol {

namespace {

// Voxel centres of a label file further than this from the volume's (in voxels) are not
// the same voxels; closer than the negligible gap, the two transforms are the same up to the
// precision of the headers.
constexpr double kEcartGrilleMax = 0.5;
constexpr double kEcartGrilleNegligeable = 1e-3;

VolumeOctets allouerOctets(std::size_t n) {
    return VolumeOctets(new (std::nothrow) unsigned char[n]());
}

// A grey of a label whose value does not fit a byte: the brightness of its default colour,
// so that neighbouring labels differ.
unsigned char grisEtiquette(std::uint32_t etiquette) {
    const CouleurRVB c = couleurParDefaut(etiquette);
    return static_cast<unsigned char>(0.587 * c[1] + 0.299 * c[0] + 0.114 * c[2]);
}

} // namespace

std::unique_ptr<CImageTroisD> CImageTroisD::ouvrirFichier(const std::string& chemin,
                                                          const std::string& fichier,
                                                          const OptionsVolume& options,
                                                          ProgressSink* barre,
                                                          MessageSink* fenetre) {
    std::unique_ptr<CImageTroisD> v(new CImageTroisD());
    v->chemin = chemin;
    v->fenetre = fenetre;
    v->LireConfig();
    // The parallel stages' threads start now, before the volume takes its memory.
    preparerThreads();
    v->OriginPath = fichier;
    if (barre)
        barre->setMaximum(1);
    VolumeBrut brut;
    const CompteRenduLecture cr = lireVolumeFichier(fichier, brut);
    if (!cr.reussi) {
        v->signaler("Le chargement du volume \"" + fichier + "\" a échoué !\n" + cr.erreur);
        return v;
    }
    for (const std::string& r : cr.remarques)
        v->signaler(fichier + " : " + r);
    if (v->chargerVolumeBrut(brut, options)) {
        v->tableEtiquettes = std::move(brut.tableEtiquettes);
        if (v->fenetreAppliquee)
            v->valeursFichier = std::move(brut);
    }
    if (barre)
        barre->setValue(1);
    return v;
}

bool CImageTroisD::grilleCompatible(const std::string& fichier, const Geometrie& grille) const {
    if (!transformationMonde(geometrie) || !transformationMonde(grille))
        return true;
    const double ecart = ecartGrilles(geometrie, grille, largeur, hauteur, profondeur);
    if (ecart <= kEcartGrilleNegligeable)
        return true;
    std::ostringstream texte;
    texte.precision(3);
    if (ecart > kEcartGrilleMax) {
        texte << "La segmentation \"" << fichier
              << "\" est refusée : sa transformation vers le monde place ses voxels jusqu'à "
              << ecart << " voxel(s) de ceux du volume, plus d'un demi-voxel.";
        signaler(texte.str());
        return false;
    }
    texte << "La segmentation \"" << fichier
          << "\" a une transformation vers le monde un peu différente de celle du volume (ses "
             "voxels à "
          << ecart << " voxel au plus de ceux du volume) : elle est lue sur la grille du volume.";
    signaler(texte.str());
    return true;
}

double CImageTroisD::valeurVoxel(int x, int y, int z) const {
    const std::size_t i = (static_cast<std::size_t>(z) * hauteur + y) * largeur + x;
    if (!valeursFichier.vide())
        return valeursFichier.valeur(i);
    const unsigned char* original = volumeOriginal();
    return original != nullptr ? original[i] : 0.0;
}

bool CImageTroisD::chargerVolumeBrut(const VolumeBrut& brut, const OptionsVolume& options) {
    if (!allouerVolumes(brut.largeur, brut.hauteur, brut.profondeur, false))
        return false;
    geometrie = brut.geometrie;
    if (options.avecEspacement)
        geometrie.imposerEspacement(options.espacement);
    fenetreAppliquee = brut.type != TypeVoxel::Octet;
    if (options.avecFenetre)
        fenetreGris = options.fenetre;
    else if (fenetreMax > fenetreMin)
        fenetreGris = Fenetre{fenetreMin, fenetreMax};
    else if (fenetreAppliquee)
        fenetreGris = fenetreParDefaut(brut);
    // Straight into the volume (allocated above): no third 8-bit copy at the peak.
    versOctets(brut, fenetreGris, image.get());
    if (fenetreAppliquee)
        Message(("Fenêtre des niveaux de gris : " + std::to_string(fenetreGris.mini) + " à " +
                 std::to_string(fenetreGris.maxi))
                    .c_str());
    return true;
}

bool CImageTroisD::chargerCoupesTiff(const std::vector<std::string>& fichiers) {
    VolumeBrut brut;
    const CompteRenduLecture cr = lireCoupesTiff(fichiers, brut);
    if (!cr.reussi) {
        signaler(std::string("Le chargement des images \"*.tif\" a échoué !\n") + cr.erreur);
        reinitialiserTaille();
        return false;
    }
    // Slices of a folder carry no geometry: spacing 1, origin 0.
    brut.geometrie = Geometrie();
    if (!chargerVolumeBrut(brut, OptionsVolume()))
        return false;
    if (fenetreAppliquee)
        valeursFichier = std::move(brut);
    indZ = profondeur;
    return true;
}

bool CImageTroisD::chargerSerieDicom(const std::string& dossier) {
    VolumeBrut brut;
    const CompteRenduLecture cr = lireSerieDicom(dossier, brut);
    if (!cr.reussi) {
        signaler("Le chargement de la série DICOM \"" + dossier + "\" a échoué !\n" + cr.erreur);
        reinitialiserTaille();
        return false;
    }
    for (const std::string& r : cr.remarques)
        signaler(dossier + " : " + r);
    if (!chargerVolumeBrut(brut, OptionsVolume()))
        return false;
    indZ = profondeur;
    return true;
}

int CImageTroisD::ChargerImageTiff(const std::string& fichier, std::string& erreur) {
    VolumeBrut brut;
    const CompteRenduLecture cr = lireTiff(fichier, brut);
    if (!cr.reussi) {
        erreur = cr.erreur;
        return kFichierIllisible;
    }
    if (brut.profondeur != 1) {
        erreur = "L'image \"" + fichier + "\" compte " + std::to_string(brut.profondeur) +
                 " pages au lieu d'une.";
        return kFichierIllisible;
    }
    // Among pictures of other formats, a wide slice gets a window of its own.
    const Fenetre f =
        fenetreMax > fenetreMin ? Fenetre{fenetreMin, fenetreMax} : fenetreParDefaut(brut);
    std::vector<unsigned char> gris;
    if (!versOctets(brut, f, gris, erreur))
        return kMemoireEpuisee;
    if (largeur == 0) {
        if (!allouerVolumes(brut.largeur, brut.hauteur, profondeur, rgb == 1))
            return kMemoireEpuisee;
    } else if (brut.largeur < largeur || brut.hauteur < hauteur) {
        erreur = "L'image \"" + fichier + "\" mesure " + std::to_string(brut.largeur) + " x " +
                 std::to_string(brut.hauteur) + " au lieu de " + std::to_string(largeur) + " x " +
                 std::to_string(hauteur) + ".";
        return kFichierIllisible;
    }
    const std::size_t debut = static_cast<std::size_t>(indZ) * largeur * hauteur;
    for (int y = 0; y < hauteur; ++y) {
        const unsigned char* ligne = gris.data() + static_cast<std::size_t>(y) * brut.largeur;
        const std::size_t d = debut + static_cast<std::size_t>(y) * largeur;
        std::memcpy(image.get() + d, ligne, static_cast<std::size_t>(largeur));
        if (rgb == 1 && imR)
            for (VolumeOctets* plan : {&imR, &imG, &imB})
                std::memcpy(plan->get() + d, ligne, static_cast<std::size_t>(largeur));
    }
    return kChargementReussi;
}

bool CImageTroisD::ChargerSegFichier(const std::string& fichier, ProgressSink* barre) {
    if (nbVoxels() == 0)
        return false;
    VolumeBrut brut;
    const CompteRenduLecture cr = lireVolumeFichier(fichier, brut);
    if (!cr.reussi) {
        signaler("Le chargement de la segmentation \"" + fichier + "\" a échoué !\n" + cr.erreur);
        return false;
    }
    if (brut.largeur != largeur || brut.hauteur != hauteur || brut.profondeur != profondeur) {
        signaler("La segmentation \"" + fichier + "\" mesure " + std::to_string(brut.largeur) +
                 " x " + std::to_string(brut.hauteur) + " x " + std::to_string(brut.profondeur) +
                 " voxels au lieu de " + std::to_string(largeur) + " x " + std::to_string(hauteur) +
                 " x " + std::to_string(profondeur) + ".");
        return false;
    }
    if (!grilleCompatible(fichier, brut.geometrie))
        return false;
    std::vector<std::uint16_t> lues;
    std::vector<std::uint32_t> valeurs;
    std::string erreur;
    if (!versEtiquettes(brut, lues, valeurs, erreur)) {
        signaler("La segmentation \"" + fichier + "\" est refusée : " + erreur);
        return false;
    }
    TableEtiquettes table = std::move(brut.tableEtiquettes);
    brut = VolumeBrut();
    if (!poserSegmentation(std::move(lues), std::move(valeurs), std::move(table), fichier))
        return false;
    if (barre)
        barre->setValue(0);
    return true;
}

bool CImageTroisD::prendreValeursPourEtiquettes() {
    if (imageSegmente != nullptr || !etiquettes.empty() || valeursFichier.vide() ||
        valeursFichier.nbVoxels() != nbVoxels())
        return false;
    // Memory running out is not a file of grey levels: it throws rather than answer false.
    std::vector<std::uint16_t> lues(nbVoxels());
    std::vector<std::uint32_t> valeurs;
    std::string erreur;
    if (!versEtiquettes(valeursFichier, lues, valeurs, erreur))
        return false;
    if (!poserSegmentation(std::move(lues), std::move(valeurs), tableEtiquettes, OriginPath))
        throw std::bad_alloc();
    return true;
}

bool CImageTroisD::poserSegmentation(std::vector<std::uint16_t> lues,
                                     std::vector<std::uint32_t> valeurs, TableEtiquettes table,
                                     const std::string& fichier) {
    const std::size_t n = nbVoxels();
    VolumeOctets seg = allouerOctets(n);
    if (!seg) {
        signaler("Mémoire insuffisante pour la segmentation \"" + fichier + "\".");
        return false;
    }
    const auto nb = static_cast<std::ptrdiff_t>(std::min(n, lues.size()));
    const int threads = nbThreadsPour(static_cast<std::size_t>(nb));
    int maxi = 0;
#pragma omp parallel for num_threads(threads) schedule(static) reduction(max : maxi)
    for (std::ptrdiff_t i = 0; i < nb; ++i)
        maxi = std::max(maxi, int{lues[static_cast<std::size_t>(i)]});
    // The grey of every label, then a look-up a voxel.
    std::vector<unsigned char> gris(static_cast<std::size_t>(maxi) + 1);
    for (int e = 0; e <= maxi; ++e)
        gris[static_cast<std::size_t>(e)] =
            maxi <= 255 ? static_cast<unsigned char>(e)
                        : grisEtiquette(valeurs.empty() ? static_cast<std::uint32_t>(e)
                                                        : valeurs[static_cast<std::size_t>(e)]);
#pragma omp parallel for num_threads(threads) schedule(static)
    for (std::ptrdiff_t i = 0; i < nb; ++i)
        seg[i] = gris[lues[static_cast<std::size_t>(i)]];
    imageSegmente = std::move(seg);
    etiquettes = std::move(lues);
    etiquetteMax = maxi;
    valeursEtiquettes = std::move(valeurs);
    tableEtiquettes = std::move(table);
    majPalette();
    return true;
}

void CImageTroisD::imposerEspacement(const std::array<double, 3>& espacement) {
    geometrie.imposerEspacement(espacement);
}

} // namespace Stravol
