#include "extraction/MaillageDual.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <memory>
#include <new>
#include <numeric>

#include "core/ComptesParThread.h"
#include "core/Parallele.h"
#include "extraction/Croissance.h"

namespace Stravol {

namespace {

using Horloge = std::chrono::steady_clock;

double secondes(Horloge::time_point debut, Horloge::time_point fin) {
    return std::chrono::duration<double>(fin - debut).count();
}

// Calls faire(k, travail) for k in the order given, on all threads, each thread with its own
// working memory of the label meshes.
void pourChaque(const std::vector<std::size_t>& ordre,
                const std::function<void(std::size_t, TravailEtiquette&)>& faire) {
    const auto n = static_cast<long>(ordre.size());
#pragma omp parallel num_threads(nbThreads())
    {
        TravailEtiquette travail;
#pragma omp for schedule(dynamic, 1)
        for (long i = 0; i < n; ++i)
            faire(ordre[static_cast<std::size_t>(i)], travail);
    }
}

// 0 .. n-1, larger taille first.
std::vector<std::size_t> ordreDecroissant(std::size_t n,
                                          const std::function<std::size_t(std::size_t)>& taille) {
    std::vector<std::size_t> ordre(n);
    std::iota(ordre.begin(), ordre.end(), std::size_t{0});
    std::stable_sort(ordre.begin(), ordre.end(),
                     [&](std::size_t a, std::size_t b) { return taille(a) > taille(b); });
    return ordre;
}

} // namespace

Resultat<CarteDuale> maillerCarteDuale(const CarteEtiquettes& carte,
                                       const OptionsExtraction& options, const Geometrie& monde,
                                       const std::function<void()>& lue) {
    CarteDuale r;
    try {
        const Horloge::time_point t0 = Horloge::now();
        std::string erreur;
        if (!construireSurfaceDuale(carte.valeurs(), carte.W, carte.H, carte.D, {}, r.surface,
                                    erreur))
            return Echec{erreur};
        const Horloge::time_point t1 = Horloge::now();
        r.index = indexerEtiquettes(r.surface);
        // The voxels of each value of the map: the map's last reading.
        constexpr std::size_t kNbValeurs = 65536;
        const std::uint16_t* v = carte.valeurs();
        const std::vector<std::size_t> parValeur =
            compterParThread(static_cast<std::size_t>(carte.W) * carte.H * carte.D, kNbValeurs,
                             [v](std::size_t i) { return std::size_t{v[i]}; });
        for (const std::uint16_t e : r.index.valeurs)
            r.voxels.push_back(static_cast<long long>(parValeur[e]));
        if (lue)
            lue();
        lisserSurfaceDuale(r.surface, options.nbLissages, r.index);
        const Horloge::time_point t2 = Horloge::now();
        r.tempsSurface = secondes(t0, t1);
        r.tempsLissage = secondes(t1, t2);
        r.interfaces = interfacesDuales(r.surface, monde);
    } catch (const std::bad_alloc&) {
        return Echec{"not enough memory for the surface of the labels"};
    }
    return r;
}

std::vector<std::vector<Voisin>> voisinsEtiquettes(const CarteDuale& carte) {
    const std::vector<std::uint16_t>& valeurs = carte.index.valeurs;
    std::vector<std::vector<Voisin>> voisins(valeurs.size());
    const auto rang = [&](std::uint16_t e) {
        return static_cast<std::size_t>(std::lower_bound(valeurs.begin(), valeurs.end(), e) -
                                        valeurs.begin());
    };
    // Interfaces come by increasing (a, b): each label's neighbours come in order.
    for (const InterfaceDuale& i : carte.interfaces.paires) {
        if (i.a != 0)
            voisins[rang(i.a)].push_back({i.b, i.aireMm2});
        voisins[rang(i.b)].push_back({i.a, i.aireMm2});
    }
    for (std::vector<Voisin>& v : voisins)
        std::sort(v.begin(), v.end(),
                  [](const Voisin& a, const Voisin& b) { return a.etiquette < b.etiquette; });
    return voisins;
}

void maillerEtiquettesDuales(const CarteDuale& carte,
                             const std::function<void(std::size_t, MaillagePlat&)>& traiter,
                             NormalesSommets normales) {
    const IndexEtiquettesDuales& index = carte.index;
    pourChaque(
        ordreDecroissant(index.valeurs.size(),
                         [&](std::size_t k) { return index.debuts[k + 1] - index.debuts[k]; }),
        [&](std::size_t k, TravailEtiquette& travail) {
            MaillagePlat m = maillageEtiquette(carte.surface, index, k, travail, normales);
            traiter(k, m);
        });
}

void maillerInterfacesDuales(const CarteDuale& carte,
                             const std::function<void(std::size_t, MaillagePlat&)>& traiter) {
    const InterfacesDuales& interfaces = carte.interfaces;
    pourChaque(ordreDecroissant(interfaces.paires.size(),
                                [&](std::size_t k) { return interfaces.paires[k].nbTriangles; }),
               [&](std::size_t k, TravailEtiquette&) {
                   MaillagePlat m = maillageInterface(carte.surface, interfaces, k);
                   traiter(k, m);
               });
}

Resultat<MaillagePlat> maillerMarquesDuales(MarquesVoxels marques, int W, int H, int D,
                                            const BoiteVoxels& boite, int nbLissages,
                                            double& tempsSurface, double& tempsLissage) {
    const Horloge::time_point t0 = Horloge::now();
    // The marks are the object's voxels; the box of the growth cuts nothing.
    SelectionDuale selection;
    selection.avecBoite = true;
    selection.coupe = false;
    selection.x0 = boite.x0, selection.x1 = boite.x1;
    selection.y0 = boite.y0, selection.y1 = boite.y1;
    selection.z0 = boite.z0, selection.z1 = boite.z1;
    SurfaceDuale surface;
    std::string erreur;
    if (!construireSurfaceDuale(marques.get(), W, H, D, selection, surface, erreur))
        return Echec{erreur};
    marques.reset();
    const Horloge::time_point t1 = Horloge::now();
    lisserSurfaceDuale(surface, nbLissages);
    MaillagePlat maillage = maillageEtiquette(surface, 1);
    tempsSurface = secondes(t0, t1);
    tempsLissage = secondes(t1, Horloge::now());
    return maillage;
}

Resultat<ObjetDual> extraireAuGermeDual(const CImageTroisD& volume, const Voxel& germe,
                                        const OptionsExtraction& options) {
    const int W = volume.largeur, H = volume.hauteur, D = volume.profondeur;
    const int x = germe[0], y = germe[1], z = germe[2];
    if (!volume.image || W <= 0 || H <= 0 || D <= 0 || x < 0 || x >= W || y < 0 || y >= H ||
        z < 0 || z >= D)
        return Echec{"the seed lies outside the volume"};
    ObjetDual r;
    try {
        const Horloge::time_point t0 = Horloge::now();
        const std::size_t nb = static_cast<std::size_t>(W) * H * D;
        MarquesVoxels marques = marquesVides(nb);
        if (!marques)
            throw std::bad_alloc();
        const std::size_t indiceGerme = (static_cast<std::size_t>(z) * H + y) * W + x;
        // Labels above 255 have no grey level of their own: they grow on their true value.
        const bool parEtiquette = volume.modeCourant == ModeAffichage::Segmentee &&
                                  volume.etiquetteMax > 255 && volume.etiquettes.size() == nb;
        // In the segmented mode the seed's value is its label as the file gives it.
        r.valeurGerme =
            volume.modeCourant == ModeAffichage::Segmentee && volume.etiquettes.size() == nb
                ? volume.valeurEtiquette(volume.etiquettes[indiceGerme])
                : volume.image[indiceGerme];
        BoiteVoxels boite{};
        r.nbVoxels = parEtiquette ? croissance26Etiquettes(volume.etiquettes.data(), marques.get(),
                                                           W, H, D, x, y, z, boite)
                                  : croissance26Marques(volume.image.get(), marques.get(), W, H, D,
                                                        x, y, z, boite, options.tolerance);
        const Horloge::time_point t1 = Horloge::now();
        r.tempsCroissance = secondes(t0, t1);
        Resultat<MaillagePlat> maillage = maillerMarquesDuales(
            std::move(marques), W, H, D, boite, options.nbLissages, r.tempsSurface, r.tempsLissage);
        if (!maillage)
            return Echec{maillage.raison()};
        r.maillage = std::move(maillage.valeur());
    } catch (const std::bad_alloc&) {
        return Echec{"not enough memory to extract the object of a volume of " + std::to_string(W) +
                     " x " + std::to_string(H) + " x " + std::to_string(D) + " voxels"};
    }
    return r;
}

} // namespace Stravol
