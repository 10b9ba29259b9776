#include <algorithm>
#include <array>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <iterator>
#include <new>
#include <string>
#include <vector>

#include <omp.h>

#include "core/Message.h"
#include "core/Parallele.h"
#include "mesh/CMaillageTriangleChRegion.h"
#include "mesh/TreillisCoins.h"
#include "region/CRegion3D.h"

namespace {

using TreillisSommets = Stravol::Treillis<CSommetChRegion*, nullptr>;

void ajouterSansDoublon(CListeSimple<CSommetChRegion*>& anneau, CSommetChRegion* s) {
    if (anneau.indice(s) < 0)
        anneau.ajouter(s);
}

// The two triangles of face d of the voxel p of the region (lattice cell c), normals along the
// face's direction; their corners are taken from the lattice, made there when new (at the
// voxel's corner scaled by echelle, less half a voxel), and linked in rings.
std::array<CTriangleChRegion*, 2> trianglesFace(TreillisSommets& treillis, const CTriplet<int>& p,
                                                const std::array<int, 3>& c, int d, int echelle) {
    CSommetChRegion* q[4];
    for (int n = 0; n < 4; ++n) {
        const int* decalage = Stravol::kCoinsCube[Stravol::kCoinsFace[d][n]];
        const int ci = c[0] + decalage[0], cj = c[1] + decalage[1], ck = c[2] + decalage[2];
        CSommetChRegion*& cellule = treillis.cellule(ci, cj, ck);
        if (cellule == nullptr) {
            cellule = new CSommetChRegion();
            cellule->x =
                static_cast<float>(static_cast<double>((p.x + decalage[0]) * echelle) - 0.5);
            cellule->y =
                static_cast<float>(static_cast<double>((p.y + decalage[1]) * echelle) - 0.5);
            cellule->z =
                static_cast<float>(static_cast<double>((p.z + decalage[2]) * echelle) - 0.5);
            treillis.occuper(ci, cj, ck);
        }
        q[n] = cellule;
    }
    for (int n = 0; n < 4; ++n) {
        ajouterSansDoublon(q[n]->voisins, q[(n + 1) % 4]);
        ajouterSansDoublon(q[(n + 1) % 4]->voisins, q[n]);
    }
    // A diagonal belongs to one face only.
    q[0]->voisins.ajouter(q[2]);
    q[2]->voisins.ajouter(q[0]);

    const CTriplet<int>& o = CRegion3D::voisinage[d];
    CTriangleChRegion* t1 = new CTriangleChRegion(q[0], q[1], q[2]);
    CTriangleChRegion* t2 = new CTriangleChRegion(q[0], q[2], q[3]);
    for (CTriangleChRegion* t : {t1, t2}) {
        t->normale[0] = static_cast<float>(o.x);
        t->normale[1] = static_cast<float>(o.y);
        t->normale[2] = static_cast<float>(o.z);
    }
    q[0]->triangles.ajouter(t1);
    q[0]->triangles.ajouter(t2);
    q[1]->triangles.ajouter(t1);
    q[2]->triangles.ajouter(t1);
    q[2]->triangles.ajouter(t2);
    q[3]->triangles.ajouter(t2);
    return {t1, t2};
}

} // namespace

FacesRegion facesAuBord(const CRegion3D& region) {
    FacesRegion faces;
    const CListeVoxels& bord = region.voxelsBord;
    const int nbBord = region.nbVoxels > 0 ? bord.longueur() : 0;
    faces.masques.resize(static_cast<std::size_t>(nbBord));
    const int X = region.dimX, Y = region.dimY, Z = region.dimZ;
#pragma omp parallel for num_threads(Stravol::nbThreads()) if (nbBord >= Stravol::kSeuilParallele) \
    schedule(static)
    for (int n = 0; n < nbBord; ++n) {
        const CTriplet<int> p = bord[n];
        // A listed voxel outside the bounding box or the grid cannot be a region voxel.
        if (p.x < region.boiteX.x || p.x > region.boiteX.y || p.y < region.boiteY.x ||
            p.y > region.boiteY.y || p.z < region.boiteZ.x || p.z > region.boiteZ.y || p.x >= X ||
            p.y >= Y || p.z >= Z || p.x < 0 || p.y < 0 || p.z < 0)
            continue;
        std::uint8_t masque = FacesRegion::kDansBoite;
        for (int d = 0; d < 6; ++d) {
            const CTriplet<int>& o = CRegion3D::voisinage[d];
            const int qx = p.x + o.x, qy = p.y + o.y, qz = p.z + o.z;
            if (!(qx >= 0 && qx < X && qy >= 0 && qy < Y && qz >= 0 && qz < Z &&
                  region.Voxel(qx, qy, qz).dansRegion))
                masque = static_cast<std::uint8_t>(masque | 1u << d);
        }
        faces.masques[static_cast<std::size_t>(n)] = masque;
    }
    return faces;
}

bool CMaillageTriangleChRegion::creerMaillageTriangleChRegion2(const CRegion3D& regionVoxels,
                                                               int echelle) {
    return creerMaillageTriangleChRegion2(regionVoxels, facesAuBord(regionVoxels), echelle);
}

bool CMaillageTriangleChRegion::creerMaillageTriangleChRegion2(const CRegion3D& regionVoxels,
                                                               const FacesRegion& faces,
                                                               int echelle) {
    detruireSommetsTriangles();
    const auto debut = std::chrono::steady_clock::now();

    const Stravol::ParcoursFaces parcours(regionVoxels, faces);
    TreillisSommets treillis(parcours.lx, parcours.ly, parcours.lz, parcours.enOrdre);

    // Vertices join the list, the active list (reactiverSommets) and sommets together, in
    // lattice order (x outermost, then y, then z); indice is their position there.
    std::vector<CSommetChRegion*> sommets;
    const auto lister = [this, &sommets](CSommetChRegion* s) {
        s->indice = static_cast<int>(sommets.size());
        sommets.push_back(s);
        ajouterSommetFin(s);
        activerEnFin(s);
    };
    // Triangles in list order: two a face on the surface.
    std::vector<CTriangleChRegion*> triangles;
    triangles.reserve(2 * parcours.nbFaces);
    parcours.parcourir(treillis, lister, [&](const CTriplet<int>& p, const int* c, int d) {
        for (CTriangleChRegion* t : trianglesFace(treillis, p, {c[0], c[1], c[2]}, d, echelle)) {
            ajouterTriangleFin(t);
            triangles.push_back(t);
        }
    });

    const double duree =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - debut).count();
    char texte[200];
    std::snprintf(texte, sizeof texte,
                  "CMaillageTriangleChRegion::creerMaillageTriangleChRegion2(const CRegion3D &) : "
                  "création de %d "
                  "sommets : %f",
                  nbSommets, duree);
    Message(texte);

    ordonnerAnneauxEtNormales(sommets);
    sommetsConstruits = std::move(sommets);
    trianglesConstruits = std::move(triangles);
    calculerNormales2();
    if (image != nullptr) {
        recalculerHistogrammes();
        recalculerHistogrammesBandes();
        calculerMoyenneEcarttype();
    }
    return true;
}

namespace {

// What the orderings have to say, gathered when they run on several threads: each remark with
// its vertex (position in the list).
struct Remarque {
    std::size_t sommet;
    std::string texte;
};
// Where a remark goes: straight to Message without a list.
struct Remarques {
    std::vector<Remarque>* liste = nullptr;
    std::size_t sommet = 0;
};

void remarquer(const Remarques& r, const char* texte) {
    if (r.liste != nullptr)
        r.liste->push_back({r.sommet, texte});
    else
        Message(texte);
}

// ordonnerAnneaux, its remarks to r. Writes the rings of v alone, within their capacity.
void ordonner(CSommetChRegion* v, const Remarques& r) {
    char texte[200];
    CSommetChRegion** voisins = v->voisins.tab;
    const int n = v->voisins.longueur();
    if (n == 0) {
        remarquer(r, "ERREUR");
        return;
    }
    // Entry 0 stays; each following entry is the first remaining neighbour of the previous one.
    for (int i = 1; i <= n - 2; ++i) {
        const CListeSimple<CSommetChRegion*>& anneauPrecedent = voisins[i - 1]->voisins;
        int j = i;
        while (j < n && anneauPrecedent.indice(voisins[j]) < 0)
            ++j;
        if (j == n) {
            const CTriplet<float> position(v->x - 0.5f, v->y - 0.5f, v->z - 0.5f);
            std::snprintf(texte, sizeof texte,
                          "Ré-organisation sommet %x %s, pas de voisin commun avec le voisin %d",
                          adresse(v), toChaine(position).c_str(), i - 1);
            remarquer(r, texte);
        } else if (j != i) {
            std::swap(voisins[i], voisins[j]);
        }
    }
    if (v->triangles.longueur() != n) {
        std::snprintf(texte, sizeof texte, "Sommet %x. Nb voisins : %d, Nb triangles voisins : %d",
                      adresse(v), n, v->triangles.longueur());
        remarquer(r, texte);
    }

    CTriangleChRegion* anneau[CSommetChRegion::CAPACITE_ANNEAU];
    int nbAnneau = 0;
    const int nbIncidents = v->triangles.longueur();
    for (int k = 0; k < n; ++k) {
        const CSommetChRegion* u = voisins[k];
        const CSommetChRegion* w = voisins[(k + 1) % n];
        bool trouve = false;
        for (int s = 0; s < nbIncidents && !trouve; ++s) {
            CTriangleChRegion* t = v->triangles.tab[s];
            const CSommetChRegion *o1, *o2;
            if (t->a == v) {
                o1 = t->b;
                o2 = t->c;
            } else if (t->b == v) {
                o1 = t->a;
                o2 = t->c;
            } else if (t->c == v) {
                o1 = t->a;
                o2 = t->b;
            } else {
                std::snprintf(texte, sizeof texte,
                              "Ré-organisation sommet %x. ERREUR pas de triangle voisin %d %d",
                              adresse(v), k, s);
                remarquer(r, texte);
                continue;
            }
            if ((o1 == u && o2 == w) || (o1 == w && o2 == u)) {
                if (nbAnneau < CSommetChRegion::CAPACITE_ANNEAU)
                    anneau[nbAnneau++] = t;
                trouve = true;
            }
        }
        if (!trouve) {
            std::snprintf(texte, sizeof texte,
                          "Ré-organisation sommet %x, pas de triangle voisin %d", adresse(v), k);
            remarquer(r, texte);
        }
    }
    v->triangles.vider();
    for (int k = 0; k < nbAnneau; ++k)
        v->triangles.ajouter(anneau[k]);
}

} // namespace

void CMaillageTriangleChRegion::ordonnerAnneaux(CSommetChRegion* v) { ordonner(v, Remarques{}); }

void CMaillageTriangleChRegion::ordonnerAnneauxEtNormales(
    const std::vector<CSommetChRegion*>& sommets) {
    // The list is cut into one run of vertices a thread. A vertex whose neighbours all lie in
    // its run is ordered by that run's thread: its rings are read by its neighbours alone,
    // which that thread handles too, and an order reads the neighbours' rings as sets, which
    // the ordering leaves unchanged; so the runs give what a walk of the list gives. Vertices
    // with a neighbour in another run are ordered afterwards, on the calling thread. What the
    // orderings say is told at the end, vertex by vertex in list order.
    const std::size_t nb = sommets.size();
    const int threads =
        nb >= static_cast<std::size_t>(Stravol::kSeuilParallele) ? Stravol::nbThreads() : 1;
    std::vector<std::vector<Remarque>> parThread(static_cast<std::size_t>(threads));
    std::vector<std::vector<std::size_t>> reportes(static_cast<std::size_t>(threads));
    // The vertex normals follow from the construction's face normals, axis vectors whose sums
    // are exact in any order: each is taken as soon as its rings are ordered (its triangle ring
    // then holds no null entry, so the normal has nothing to say).
    const auto traiter = [this](CSommetChRegion* v, const Remarques& r) {
        ordonner(v, r);
        calculerNormaleSommet(v);
    };
    // Memory running out on a thread is rethrown once the threads have met.
    bool memoireEpuisee = false;
#pragma omp parallel num_threads(threads) reduction(|| : memoireEpuisee)
    try {
        const int t = omp_get_thread_num(), nt = omp_get_num_threads();
        const std::size_t debut = nb * static_cast<std::size_t>(t) / static_cast<std::size_t>(nt);
        const std::size_t fin = nb * static_cast<std::size_t>(t + 1) / static_cast<std::size_t>(nt);
        Remarques r{&parThread[static_cast<std::size_t>(t)], 0};
        std::vector<std::size_t>& aReporter = reportes[static_cast<std::size_t>(t)];
        for (std::size_t i = debut; i < fin; ++i) {
            CSommetChRegion* v = sommets[i];
            bool interieur = true;
            for (int k = 0; k < v->voisins.longueur() && interieur; ++k) {
                const auto j = static_cast<std::size_t>(v->voisins.tab[k]->indice);
                interieur = j >= debut && j < fin;
            }
            if (interieur) {
                r.sommet = i;
                traiter(v, r);
            } else {
                aReporter.push_back(i);
            }
        }
    } catch (const std::bad_alloc&) {
        memoireEpuisee = true;
    }
    if (memoireEpuisee)
        throw std::bad_alloc();
    std::vector<Remarque> remarques;
    for (std::vector<Remarque>& liste : parThread)
        remarques.insert(remarques.end(), std::make_move_iterator(liste.begin()),
                         std::make_move_iterator(liste.end()));
    Remarques r{&remarques, 0};
    for (const std::vector<std::size_t>& liste : reportes)
        for (std::size_t i : liste) {
            r.sommet = i;
            traiter(sommets[i], r);
        }
    // The cursor ends past the last node, as a walk of calculerNormalesSommets leaves it.
    sommetsActifs.forcerCourant(nullptr);
    std::stable_sort(remarques.begin(), remarques.end(),
                     [](const Remarque& a, const Remarque& b) { return a.sommet < b.sommet; });
    for (const Remarque& remarque : remarques)
        Message(remarque.texte.c_str());
}
