#include "extraction/Extraction.h"

#include <algorithm>
#include <chrono>
#include <filesystem>

#include "extraction/Pipeline.h"
#include "mesh/CMaillageTriangleChRegion.h"
#include "region/CRegion3D.h"

namespace Stravol {

Resultat<Voxel> trouverValeur(const CImageTroisD& volume, std::uint32_t valeur, bool exacte) {
    const int W = volume.largeur, H = volume.hauteur, D = volume.profondeur;
    const bool parEtiquette = exacte && !volume.etiquettes.empty();
    const Echec absente{"no voxel of label " + std::to_string(valeur) + " inside the volume"};
    // The stored label of the value: itself, or its place in the sorted table of values.
    std::uint32_t cherchee = valeur;
    if (parEtiquette && !volume.valeursEtiquettes.empty()) {
        const auto& t = volume.valeursEtiquettes;
        const auto it = std::lower_bound(t.begin(), t.end(), valeur);
        if (it == t.end() || *it != valeur)
            return absente;
        cherchee = static_cast<std::uint32_t>(it - t.begin());
    }
    for (int k = 1; k < D - 1; ++k)
        for (int j = 1; j < H - 1; ++j)
            for (int i = 1; i < W - 1; ++i)
                if ((parEtiquette ? volume.etiquettes[(static_cast<std::size_t>(k) * H + j) * W + i]
                                  : volume.getVoxelImage(i, j, k)) == cherchee)
                    return Voxel{i, j, k};
    return absente;
}

Resultat<std::shared_ptr<CMaillageTriangleChRegion>>
extraireAuGerme(CImageTroisD& volume, const Voxel& germe, const OptionsExtraction& options) {
    volume.CroissanceDeRegion(germe[0], germe[1], germe[2], options);
    const BilanExtraction& b = volume.bilanExtraction;
    if (!b.effectuee || !volume.maillage)
        return Echec{b.erreur.empty() ? "the extraction failed" : b.erreur};
    return volume.maillage;
}

Resultat<ObjetPlat> extraireAuGermePlat(CImageTroisD& volume, const Voxel& germe,
                                        const OptionsExtraction& options) {
    ObjetPlat objet;
    const bool fait = volume.extraireRegion(
        germe[0], germe[1], germe[2], options, [&](CRegion3D& region, BilanExtraction& bilan) {
            EtapesMaillage etapes;
            objet.maillage = maillerRegionPlat(region, options, etapes, objet.irreguliers);
            noterEtapes(etapes, bilan);
        });
    if (!fait)
        return Echec{volume.bilanExtraction.erreur.empty() ? "the extraction failed"
                                                           : volume.bilanExtraction.erreur};
    return objet;
}

Resultat<CarteEtiquettes> carteEtiquettes(CImageTroisD& volume, const std::string& entree) {
    std::error_code erreur;
    // A label file opened as the volume is its own segmentation: its values as the opening
    // kept them where it did (a window made its grey levels), else as read again.
    if (volume.etiquettes.empty() && volume.imageSegmente == nullptr &&
        std::filesystem::is_regular_file(entree, erreur) &&
        !volume.prendreValeursPourEtiquettes() && !volume.ChargerSegFichier(entree, nullptr))
        return Echec{"the values of " + entree + " are no labels"};
    const int W = volume.largeur, H = volume.hauteur, D = volume.profondeur;
    if (!volume.etiquettes.empty())
        return CarteEtiquettes{volume.etiquettes.data(), {}, W, H, D, volume.valeursEtiquettes};
    if (volume.imageSegmente == nullptr)
        return Echec{"--all-labels needs a segmentation: none was read from " + entree};
    const std::size_t n = static_cast<std::size_t>(W) * H * D;
    return CarteEtiquettes{
        nullptr,
        std::vector<std::uint16_t>(volume.imageSegmente.get(), volume.imageSegmente.get() + n),
        W,
        H,
        D,
        {}};
}

void maillerBoites(const std::vector<BoiteEtiquette>& boites,
                   const std::function<void(std::size_t, EtiquetteMaillee&)>& mailler,
                   const std::function<void(std::size_t, EtiquetteMaillee&)>& traiter) {
    pourChaqueEnParallele(
        boites.size(),
        [&](std::size_t i) {
            const BoiteEtiquette& b = boites[i];
            return double(b.x1 - b.x0 + 1) * (b.y1 - b.y0 + 1) * (b.z1 - b.z0 + 1);
        },
        [&](std::size_t i) {
            const auto debut = std::chrono::steady_clock::now();
            EtiquetteMaillee resultat;
            resultat.boite = boites[i];
            mailler(i, resultat);
            resultat.secondes =
                std::chrono::duration<double>(std::chrono::steady_clock::now() - debut).count();
            traiter(i, resultat);
        });
}

void maillerEtiquettes(const CarteEtiquettes& carte, const std::vector<BoiteEtiquette>& boites,
                       const OptionsExtraction& options,
                       const std::function<void(std::size_t, EtiquetteMaillee&)>& traiter) {
    maillerBoites(
        boites,
        [&](std::size_t, EtiquetteMaillee& resultat) {
            resultat.maillage = maillerEtiquette(carte.valeurs(), carte.W, carte.H, carte.D,
                                                 resultat.boite, options, resultat.erreur);
        },
        traiter);
}

void maillerEtiquettesPlates(const CarteEtiquettes& carte,
                             const std::vector<BoiteEtiquette>& boites,
                             const OptionsExtraction& options,
                             const std::function<void(std::size_t, EtiquetteMaillee&)>& traiter) {
    maillerBoites(
        boites,
        [&](std::size_t, EtiquetteMaillee& resultat) {
            const BoiteEtiquette& b = resultat.boite;
            MaillagePlat m;
            if (maillerEtiquettePlat(rangeesEtiquette(carte.valeurs(), carte.W, carte.H, b),
                                     carte.W, carte.H, carte.D, b, options, m, resultat.irreguliers,
                                     resultat.erreur))
                resultat.plat = std::move(m);
        },
        traiter);
}

} // namespace Stravol
