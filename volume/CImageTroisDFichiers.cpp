// Volume files (NIfTI, TIFF, NRRD, MGH, DICOM) and label files as the loaded volume: window,
// geometry, labels.

#include <algorithm>
#include <cstring>
#include <new>

#include "core/Message.h"
#include "core/Parallele.h"
#include "volume/CImage3D.h"
#include "volume/CImageTroisD.h"
#include "volume/LecteursVolume.h"

namespace Stravol {

namespace {

VolumeOctets allouerOctets(std::size_t n) {
    return VolumeOctets(new (std::nothrow) unsigned char[n]());
}

// Colour of a label in the fixed table of the segmented display: neighbouring values get far
// apart hues (a multiplicative hash), never black, label 0 stays black.
void couleurEtiquette(std::uint32_t etiquette, unsigned char& r, unsigned char& g,
                      unsigned char& b) {
    if (etiquette == 0) {
        r = g = b = 0;
        return;
    }
    constexpr std::uint32_t kMelange = 2654435761u; // Knuth's multiplicative constant
    constexpr unsigned kClairMin = 64;
    const std::uint32_t h = etiquette * kMelange;
    r = static_cast<unsigned char>(kClairMin + (h >> 8) % (256 - kClairMin));
    g = static_cast<unsigned char>(kClairMin + (h >> 16) % (256 - kClairMin));
    b = static_cast<unsigned char>(kClairMin + (h >> 24) % (256 - kClairMin));
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
    if (v->chargerVolumeBrut(brut, options))
        v->tableEtiquettes = std::move(brut.tableEtiquettes);
    if (barre)
        barre->setValue(1);
    return v;
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
    std::vector<std::uint16_t> lues;
    std::vector<std::uint32_t> valeurs;
    std::string erreur;
    if (!versEtiquettes(brut, lues, valeurs, erreur)) {
        signaler("La segmentation \"" + fichier + "\" est refusée : " + erreur);
        return false;
    }
    TableEtiquettes table = std::move(brut.tableEtiquettes);
    brut = VolumeBrut();
    const std::size_t n = nbVoxels();
    VolumeOctets seg = allouerOctets(n);
    if (!seg) {
        signaler("Mémoire insuffisante pour la segmentation \"" + fichier + "\".");
        return false;
    }
    const int maxi = lues.empty() ? 0 : *std::max_element(lues.begin(), lues.end());
    VolumeOctets r, g, b;
    if (maxi <= 255) {
        for (std::size_t i = 0; i < n; ++i)
            seg[i] = static_cast<unsigned char>(lues[i]);
    } else {
        r = allouerOctets(n);
        g = allouerOctets(n);
        b = allouerOctets(n);
        if (!r || !g || !b) {
            signaler("Mémoire insuffisante pour la segmentation \"" + fichier + "\".");
            return false;
        }
        // The grey display cannot tell the labels apart: a colour each, and a grey of the
        // same brightness.
        for (std::size_t i = 0; i < n; ++i) {
            couleurEtiquette(valeurs.empty() ? lues[i] : valeurs[lues[i]], r[i], g[i], b[i]);
            seg[i] = static_cast<unsigned char>(0.587 * g[i] + 0.299 * r[i] + 0.114 * b[i]);
        }
    }
    imageSegmente = std::move(seg);
    segR = std::move(r);
    segG = std::move(g);
    segB = std::move(b);
    etiquettes = std::move(lues);
    etiquetteMax = maxi;
    valeursEtiquettes = std::move(valeurs);
    tableEtiquettes = std::move(table);
    if (barre)
        barre->setValue(0);
    return true;
}

void CImageTroisD::imposerEspacement(const std::array<double, 3>& espacement) {
    geometrie.imposerEspacement(espacement);
}

} // namespace Stravol
