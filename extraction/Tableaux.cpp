#include "extraction/Tableaux.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <new>
#include <string>
#include <type_traits>
#include <unordered_map>

#include "extraction/Croissance.h"
#include "extraction/MaillageDual.h"
#include "mesh/CMaillageTriangleChRegion.h"
#include "region/CRegion3D.h"
#include "volume/CImageTroisD.h"
#include "volume/LecteursVolume.h"

namespace Stravol {

namespace {

std::string taille(const VueVolume& v) {
    return std::to_string(v.W) + " x " + std::to_string(v.H) + " x " + std::to_string(v.D);
}

// Why the view cannot be read, or nothing.
std::string defautVue(const VueVolume& v) {
    if (v.donnees == nullptr)
        return "the volume holds no values";
    if (v.W <= 0 || v.H <= 0 || v.D <= 0)
        return "the volume of " + taille(v) + " voxels is empty";
    if (static_cast<long long>(v.nbVoxels()) > kVoxelsMax)
        return "the volume of " + taille(v) + " voxels is larger than the " +
               std::to_string(kVoxelsMax) + " voxels read";
    return {};
}

// The shortest text that reads back as v ("200", "0.5").
std::string texteNombre(double v) {
    char texte[32];
    const auto fin = std::to_chars(texte, texte + sizeof texte, v).ptr;
    return std::string(texte, fin);
}

std::string texteVoxel(int x, int y, int z) {
    std::string texte = "(";
    texte += std::to_string(x) + ", " + std::to_string(y) + ", " + std::to_string(z) + ")";
    return texte;
}

// The voxels of the object, marked 1 in order x fastest within boite, from marks of the
// same volume in order z fastest (the growth of a z-fastest view runs with x and z swapped).
// Tiles of the (x, z) plane keep both sides within few pages.
void transposerMarques(const unsigned char* zRapide, unsigned char* xRapide, int W, int H, int D,
                       const BoiteVoxels& b) {
    constexpr int kTuile = 32;
    for (int y = b.y0; y <= b.y1; ++y)
        for (int z0 = b.z0; z0 <= b.z1; z0 += kTuile)
            for (int x0 = b.x0; x0 <= b.x1; x0 += kTuile) {
                const int z1 = std::min(z0 + kTuile - 1, b.z1),
                          x1 = std::min(x0 + kTuile - 1, b.x1);
                for (int x = x0; x <= x1; ++x) {
                    const unsigned char* source =
                        zRapide + (static_cast<std::size_t>(x) * H + y) * D;
                    for (int z = z0; z <= z1; ++z)
                        if (source[z] != 0)
                            xRapide[(static_cast<std::size_t>(z) * H + y) * W + x] = 1;
                }
            }
}

// The growth of the object into marks x fastest; the marked box in boite. Null when memory
// runs out.
MarquesVoxels croitre(const VueVolume& vue, const Voxel& g, double tolerance, BoiteVoxels& boite,
                      int& nbAtteints) {
    const std::size_t n = vue.nbVoxels();
    MarquesVoxels marques = marquesVides(n);
    if (!marques)
        return marques;
    if (!vue.zRapide) {
        nbAtteints = croissance26MarquesTypee(vue.donnees, vue.type, marques.get(), vue.W, vue.H,
                                              vue.D, g[0], g[1], g[2], boite, tolerance);
        return marques;
    }
    MarquesVoxels echangees = marquesVides(n);
    if (!echangees)
        return MarquesVoxels(nullptr, &std::free);
    BoiteVoxels b{};
    nbAtteints = croissance26MarquesTypee(vue.donnees, vue.type, echangees.get(), vue.D, vue.H,
                                          vue.W, g[2], g[1], g[0], b, tolerance);
    boite = BoiteVoxels{b.z0, b.z1, b.y0, b.y1, b.x0, b.x1};
    transposerMarques(echangees.get(), marques.get(), vue.W, vue.H, vue.D, boite);
    return marques;
}

// Calls f(x, y, z, value) on every voxel in the view's storage order.
template <class T, class F> void parcourir(const VueVolume& v, F&& f) {
    const T* p = static_cast<const T*>(v.donnees);
    if (v.zRapide) {
        for (int x = 0; x < v.W; ++x)
            for (int y = 0; y < v.H; ++y)
                for (int z = 0; z < v.D; ++z)
                    f(x, y, z, *p++);
        return;
    }
    for (int z = 0; z < v.D; ++z)
        for (int y = 0; y < v.H; ++y)
            for (int x = 0; x < v.W; ++x)
                f(x, y, z, *p++);
}

} // namespace

std::size_t VueVolume::nbVoxels() const {
    if (W <= 0 || H <= 0 || D <= 0)
        return 0;
    return static_cast<std::size_t>(W) * static_cast<std::size_t>(H) * static_cast<std::size_t>(D);
}

std::size_t VueVolume::indice(int x, int y, int z) const {
    if (zRapide)
        return (static_cast<std::size_t>(x) * H + y) * D + z;
    return (static_cast<std::size_t>(z) * H + y) * W + x;
}

double VueVolume::valeur(int x, int y, int z) const {
    return selonType(type, [&](auto t) {
        using T = decltype(t);
        return static_cast<double>(static_cast<const T*>(donnees)[indice(x, y, z)]);
    });
}

Resultat<Voxel> trouverValeur(const VueVolume& vue, double valeur) {
    if (const std::string defaut = defautVue(vue); !defaut.empty())
        return Echec{defaut};
    const Echec absente{"no voxel of label " + texteNombre(valeur) + " inside the volume"};
    return selonType(vue.type, [&](auto t) -> Resultat<Voxel> {
        using T = decltype(t);
        // A value the type cannot hold is found nowhere.
        const T cible = static_cast<T>(valeur);
        if (!(std::isfinite(valeur) && static_cast<double>(cible) == valeur))
            return absente;
        const T* p = static_cast<const T*>(vue.donnees);
        const int W = vue.W, H = vue.H, D = vue.D;
        if (!vue.zRapide) {
            for (int z = 1; z < D - 1; ++z)
                for (int y = 1; y < H - 1; ++y) {
                    const T* ligne = p + vue.indice(0, y, z);
                    for (int x = 1; x < W - 1; ++x)
                        if (ligne[x] == cible)
                            return Voxel{x, y, z};
                }
            return absente;
        }
        // Columns along z are read in storage order, each only up to the best slice so far;
        // the order x fastest, then y, then z decides between the voxels found.
        Voxel meilleur{-1, -1, D - 1};
        const auto avant = [](const Voxel& a, const Voxel& b) {
            return a[2] != b[2] ? a[2] < b[2] : (a[1] != b[1] ? a[1] < b[1] : a[0] < b[0]);
        };
        for (int x = 1; x < W - 1; ++x)
            for (int y = 1; y < H - 1; ++y) {
                const T* colonne = p + vue.indice(x, y, 0);
                const int fin = std::min(meilleur[2], D - 2);
                for (int z = 1; z <= fin; ++z)
                    if (colonne[z] == cible) {
                        const Voxel v{x, y, z};
                        if (meilleur[0] < 0 || avant(v, meilleur))
                            meilleur = v;
                        break;
                    }
            }
        if (meilleur[0] < 0)
            return absente;
        return meilleur;
    });
}

namespace {

// Why an object cannot be grown from that seed, or nothing.
std::string defautGerme(const VueVolume& vue, const Voxel& germe, double tolerance) {
    if (std::string defaut = defautVue(vue); !defaut.empty())
        return defaut;
    const int x = germe[0], y = germe[1], z = germe[2];
    if (x < 0 || x >= vue.W || y < 0 || y >= vue.H || z < 0 || z >= vue.D)
        return "the seed " + texteVoxel(x, y, z) + " lies outside the volume of " + taille(vue) +
               " voxels";
    if (std::isnan(vue.valeur(x, y, z)))
        return "the seed " + texteVoxel(x, y, z) + " holds no number (NaN)";
    if (!(tolerance >= 0 && std::isfinite(tolerance)))
        return "the tolerance must be a finite number, 0 or more";
    return {};
}

Echec memoireObjet(const VueVolume& vue) {
    return Echec{
        "not enough memory to extract the object of a volume of " + taille(vue) + " voxels", true};
}

} // namespace

namespace {

// The region of the voxels grown from the seed (checked by defautGerme), and their count;
// false when memory runs out.
bool regionAuGerme(const VueVolume& vue, const Voxel& germe, double tolerance, CRegion3D& region,
                   int& nbVoxelsCroissance) {
    BoiteVoxels boite{};
    MarquesVoxels marques = croitre(vue, germe, tolerance, boite, nbVoxelsCroissance);
    // The region is the marks alone (0 or 1): no voxel of the view joins it by its value.
    return marques && region.creerRegionBinaire(marques.get(), marques.get(), vue.W, vue.H, vue.D,
                                                CCouple<int>(boite.x0, boite.x1),
                                                CCouple<int>(boite.y0, boite.y1),
                                                CCouple<int>(boite.z0, boite.z1));
}

// The object of the seed (checked first) as mailler(region, objet) meshes it into an Objet; memory
// running out fails.
template <class Objet, class Mailler>
Resultat<Objet> extraireVue(const VueVolume& vue, const Voxel& germe, double tolerance,
                            Mailler&& mailler) {
    if (const std::string defaut = defautGerme(vue, germe, tolerance); !defaut.empty())
        return Echec{defaut};
    const Echec memoire = memoireObjet(vue);
    try {
        Objet objet;
        CRegion3D region;
        if (!regionAuGerme(vue, germe, tolerance, region, objet.nbVoxelsCroissance))
            return memoire;
        mailler(region, objet);
        return objet;
    } catch (const std::bad_alloc&) {
        return memoire;
    }
}

} // namespace

Resultat<ObjetExtrait> extraireAuGerme(const VueVolume& vue, const Voxel& germe, double tolerance,
                                       const OptionsExtraction& options) {
    return extraireVue<ObjetExtrait>(
        vue, germe, tolerance, [&](CRegion3D& region, ObjetExtrait& objet) {
            objet.maillage = maillerRegion(region, options, objet.etapes);
        });
}

Resultat<ObjetExtraitPlat> extraireAuGermePlat(const VueVolume& vue, const Voxel& germe,
                                               double tolerance, const OptionsExtraction& options) {
    return extraireVue<ObjetExtraitPlat>(
        vue, germe, tolerance, [&](CRegion3D& region, ObjetExtraitPlat& objet) {
            objet.maillage = maillerRegionPlat(region, options, objet.etapes, objet.irreguliers);
        });
}

Resultat<MaillagePlat> extraireAuGermeDual(const VueVolume& vue, const Voxel& germe,
                                           double tolerance, const OptionsExtraction& options) {
    if (const std::string defaut = defautGerme(vue, germe, tolerance); !defaut.empty())
        return Echec{defaut};
    try {
        BoiteVoxels boite{};
        int nbAtteints = 0;
        MarquesVoxels marques = croitre(vue, germe, tolerance, boite, nbAtteints);
        if (!marques)
            return memoireObjet(vue);
        double tempsSurface = 0.0, tempsLissage = 0.0;
        Resultat<MaillagePlat> m =
            maillerMarquesDuales(std::move(marques), vue.W, vue.H, vue.D, boite, options.nbLissages,
                                 tempsSurface, tempsLissage);
        if (!m)
            return Echec{m.raison(), true};
        return m;
    } catch (const std::bad_alloc&) {
        return memoireObjet(vue);
    }
}

namespace {

void etendre(BoiteEtiquette& b, int x, int y, int z) {
    if (b.voxels++ == 0) {
        b.x0 = b.x1 = x;
        b.y0 = b.y1 = y;
        b.z0 = b.z1 = z;
        return;
    }
    b.x0 = std::min(b.x0, x);
    b.x1 = std::max(b.x1, x);
    b.y0 = std::min(b.y0, y);
    b.y1 = std::max(b.y1, y);
    b.z0 = std::min(b.z0, z);
    b.z1 = std::max(b.z1, z);
}

} // namespace

Resultat<EtiquettesVue> etiquettesVue(const VueVolume& vue) {
    if (const std::string defaut = defautVue(vue); !defaut.empty())
        return Echec{defaut};
    EtiquettesVue r;
    if (vue.type == TypeVoxel::EntierNonSigne16 && !vue.zRapide) {
        r.boites =
            boitesEtiquettes(static_cast<const std::uint16_t*>(vue.donnees), vue.W, vue.H, vue.D);
        for (const BoiteEtiquette& b : r.boites)
            r.valeurs.push_back(b.valeur);
        return r;
    }
    // Values of 16 bits in a table indexed by value, wider ones in a map (runs of one value
    // looked up once).
    std::vector<BoiteEtiquette> boites(static_cast<std::size_t>(kEtiquetteMax) + 1);
    std::unordered_map<std::uint32_t, BoiteEtiquette> larges;
    BoiteEtiquette* derniere = nullptr;
    std::uint32_t valeurDerniere = 0;
    std::string raison;
    selonType(vue.type, [&](auto t) {
        using T = decltype(t);
        parcourir<T>(vue, [&](int x, int y, int z, T valeur) {
            if (!raison.empty() || valeur == T{})
                return;
            const double v = static_cast<double>(valeur);
            if (!(v >= 0 && v <= kValeurEtiquetteMax && v == std::floor(v))) {
                raison = "the value " + texteNombre(v) + " of voxel " + texteVoxel(x, y, z) +
                         " is no label (whole numbers from 0 to " +
                         std::to_string(kValeurEtiquetteMax) + ")";
                return;
            }
            const auto u = static_cast<std::uint32_t>(v);
            if (u <= static_cast<std::uint32_t>(kEtiquetteMax)) {
                etendre(boites[u], x, y, z);
                return;
            }
            if (derniere == nullptr || valeurDerniere != u) {
                derniere = &larges[u];
                valeurDerniere = u;
            }
            etendre(*derniere, x, y, z);
        });
    });
    if (!raison.empty())
        return Echec{raison};
    for (std::size_t v = 0; v < boites.size(); ++v)
        if (boites[v].voxels > 0) {
            boites[v].valeur = static_cast<std::uint16_t>(v);
            r.boites.push_back(boites[v]);
            r.valeurs.push_back(static_cast<std::uint32_t>(v));
        }
    if (larges.empty())
        return r;
    std::vector<std::pair<std::uint32_t, BoiteEtiquette>> suite(larges.begin(), larges.end());
    std::sort(suite.begin(), suite.end(),
              [](const auto& a, const auto& b) { return a.first < b.first; });
    if (r.boites.size() + suite.size() > static_cast<std::size_t>(kEtiquetteMax))
        return Echec{"the volume holds more than " + std::to_string(kEtiquetteMax) + " labels"};
    for (const auto& [valeur, boite] : suite) {
        r.boites.push_back(boite);
        r.valeurs.push_back(valeur);
    }
    for (std::size_t i = 0; i < r.boites.size(); ++i)
        r.boites[i].valeur = static_cast<std::uint16_t>(i + 1);
    r.rangs = true;
    return r;
}

void maillerEtiquettes(const VueVolume& vue, const EtiquettesVue& etiquettes,
                       const OptionsExtraction& options,
                       const std::function<void(std::size_t, EtiquetteMaillee&)>& traiter,
                       bool plates) {
    const std::vector<BoiteEtiquette>& boites = etiquettes.boites;
    if (vue.type == TypeVoxel::EntierNonSigne16 && !vue.zRapide) {
        CarteEtiquettes carte;
        carte.externe = static_cast<const std::uint16_t*>(vue.donnees);
        carte.W = vue.W, carte.H = vue.H, carte.D = vue.D;
        if (plates)
            maillerEtiquettesPlates(carte, boites, options, traiter);
        else
            maillerEtiquettes(carte, boites, options, traiter);
        return;
    }
    maillerBoites(
        boites,
        [&](std::size_t i, EtiquetteMaillee& resultat) {
            const BoiteEtiquette& b = resultat.boite;
            selonType(vue.type, [&](auto t) {
                using T = decltype(t);
                const T* p = static_cast<const T*>(vue.donnees);
                const T cible = static_cast<T>(etiquettes.valeurs[i]);
                const RemplirRangee remplir = [&](int y, int z, unsigned char* ligne) {
                    for (int x = b.x0; x <= b.x1; ++x)
                        ligne[x - b.x0] = p[vue.indice(x, y, z)] == cible ? 255 : 0;
                };
                if (!plates) {
                    resultat.maillage =
                        maillerEtiquette(remplir, vue.W, vue.H, vue.D, b, options, resultat.erreur);
                    return;
                }
                MaillagePlat m;
                if (maillerEtiquettePlat(remplir, vue.W, vue.H, vue.D, b, options, m,
                                         resultat.irreguliers, resultat.erreur))
                    resultat.plat = std::move(m);
            });
        },
        traiter);
}

Resultat<CarteEtiquettes> carteEtiquettes(const VueVolume& vue, const EtiquettesVue& etiquettes) {
    CarteEtiquettes carte;
    carte.W = vue.W, carte.H = vue.H, carte.D = vue.D;
    const bool rangs = etiquettes.rangs;
    if (vue.type == TypeVoxel::EntierNonSigne16 && !vue.zRapide) {
        carte.externe = static_cast<const std::uint16_t*>(vue.donnees);
        return carte;
    }
    try {
        carte.copie.assign(vue.nbVoxels(), 0);
        if (rangs) {
            carte.valeursVraies.push_back(0);
            carte.valeursVraies.insert(carte.valeursVraies.end(), etiquettes.valeurs.begin(),
                                       etiquettes.valeurs.end());
        }
    } catch (const std::bad_alloc&) {
        return Echec{"not enough memory for the labels of a volume of " + taille(vue) + " voxels",
                     true};
    }
    selonType(vue.type, [&](auto t) {
        using T = decltype(t);
        std::uint16_t* sortie = carte.copie.data();
        parcourir<T>(vue, [&](int x, int y, int z, T valeur) {
            if (valeur == T{})
                return;
            auto u = static_cast<std::uint32_t>(valeur);
            if (rangs)
                u = static_cast<std::uint32_t>(
                    std::lower_bound(etiquettes.valeurs.begin(), etiquettes.valeurs.end(), u) -
                    etiquettes.valeurs.begin() + 1);
            sortie[(static_cast<std::size_t>(z) * vue.H + y) * vue.W + x] =
                static_cast<std::uint16_t>(u);
        });
    });
    return carte;
}

Resultat<Geometrie> geometrieAffine(const std::array<std::array<double, 4>, 4>& matrice) {
    for (const auto& ligne : matrice)
        for (double c : ligne)
            if (!std::isfinite(c))
                return Echec{"the affine holds a value that is not a finite number"};
    if (matrice[3] != std::array<double, 4>{0.0, 0.0, 0.0, 1.0})
        return Echec{"the last row of the affine must be 0 0 0 1"};
    Geometrie g;
    g.origine = OrigineGeometrie::SForm;
    for (int i = 0; i < 3; ++i)
        for (int j = 0; j < 4; ++j)
            g.affine[i][j] = matrice[i][j];
    for (int j = 0; j < 3; ++j)
        g.espacement[j] = std::sqrt(matrice[0][j] * matrice[0][j] + matrice[1][j] * matrice[1][j] +
                                    matrice[2][j] * matrice[2][j]);
    std::string pourquoi;
    if (!g.valide(pourquoi))
        return Echec{"the affine cannot be inverted"};
    return g;
}

namespace {

// Keeps the remarks the loaders tell.
class Remarques : public MessageSink {
public:
    void afficher(const std::string& texte) override { textes.push_back(texte); }
    std::vector<std::string> textes;
};

TableauVolume tableauOctets(VolumeOctets octets, int W, int H, int D) {
    TableauVolume t;
    t.vue = VueVolume{octets.get(), TypeVoxel::Octet, W, H, D, false};
    t.stockage = std::shared_ptr<unsigned char[]>(std::move(octets));
    return t;
}

TableauVolume tableauBrut(VolumeBrut brut) {
    auto garde = std::make_shared<VolumeBrut>(std::move(brut));
    TableauVolume t;
    t.vue = VueVolume{garde->donnees.data(), garde->type,       garde->largeur,
                      garde->hauteur,        garde->profondeur, false};
    t.stockage = std::move(garde);
    return t;
}

} // namespace

Resultat<VolumeOuvert> ouvrirTableaux(const DemandeOuverture& demande,
                                      const std::string& cheminConfig) {
    Remarques remarques;
    SuiviOuverture suivi;
    suivi.messages = &remarques;
    Resultat<std::unique_ptr<CImageTroisD>> ouvert = ouvrirEntree(demande, cheminConfig, suivi);
    if (!ouvert)
        return Echec{ouvert.raison()};
    VolumeOuvert r;
    {
        const std::unique_ptr<CImageTroisD> volume = std::move(ouvert.valeur());
        CImageTroisD& v = *volume;
        r.geometrie = v.geometrie;
        r.table = v.tableEtiquettes;
        std::error_code erreur;
        if (std::filesystem::is_directory(demande.entree, erreur)) {
            const int W = v.largeur, H = v.hauteur, D = v.profondeur;
            const Resultat<std::vector<std::string>> dossiers = dossiersEntree(demande.entree);
            const std::size_t n = dossiers ? dossiers.valeur().size() : 0;
            // A DICOM series is read again in its own type, pictures are the bytes loaded.
            if (n > 0 && dossierDicom(dossiers.valeur()[0])) {
                VolumeBrut brut;
                const CompteRenduLecture cr = lireSerieDicom(dossiers.valeur()[0], brut);
                if (!cr.reussi)
                    return Echec{"cannot read " + dossiers.valeur()[0] + ": " + cr.erreur};
                r.volume = tableauBrut(std::move(brut));
            } else {
                r.volume = tableauOctets(
                    v.imageOriginal ? std::move(v.imageOriginal) : std::move(v.image), W, H, D);
            }
            // The opening keeps the last segmentation read: the others are read again.
            VolumeOctets derniere;
            if (demande.segmentations.empty() && n > 1)
                derniere = std::move(v.imageSegmente);
            for (std::size_t i = 1; i < n; ++i) {
                if (i + 1 == n && derniere) {
                    r.segmentations.push_back(tableauOctets(std::move(derniere), W, H, D));
                    continue;
                }
                v.imageSegmente.reset();
                if (v.ChargerSeg(dossiers.valeur()[i], nullptr) && v.imageSegmente)
                    r.segmentations.push_back(tableauOctets(std::move(v.imageSegmente), W, H, D));
            }
        }
    }
    // Files are read again in their own types once the loaded volume is released.
    std::vector<std::string> fichiers;
    if (r.volume.stockage == nullptr)
        fichiers.push_back(demande.entree);
    fichiers.insert(fichiers.end(), demande.segmentations.begin(), demande.segmentations.end());
    for (const std::string& f : fichiers) {
        VolumeBrut brut;
        const CompteRenduLecture cr = lireVolumeFichier(f, brut);
        if (!cr.reussi)
            return Echec{"cannot read " + f + ": " + cr.erreur};
        TableauVolume t = tableauBrut(std::move(brut));
        if (r.volume.stockage == nullptr)
            r.volume = std::move(t);
        else
            r.segmentations.push_back(std::move(t));
    }
    r.remarques = std::move(remarques.textes);
    return r;
}

} // namespace Stravol
