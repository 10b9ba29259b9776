// Extraction output pinned to reference files: vertices, triangles, their order and every
// coordinate and normal, bit for bit, over the phantom's shapes and random blobs.
// To rewrite the references after a deliberate change of output, run this test with
// STRAVOL_ECRIRE_REFERENCES=1; it then writes the files into tests/extraction/references/.
#include <gtest/gtest.h>

#include <cinttypes>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <unordered_map>
#include <vector>

#include "core/Parallele.h"
#include "extraction/Extraction.h"
#include "helpers/deformation.h"
#include "helpers/mesh_helpers.h"
#include "mesh/CMaillageTriangleChRegion.h"
#include "mesh/MesuresMaillage.h"
#include "mesh/MesuresPlat.h"
#include "volume/CImage3D.h"
#include "volume/CImageTroisD.h"
#include "volume/Phantom.h"

namespace {

const std::string kDossier = std::string(STRAVOL_SOURCE_DIR) + "/tests/extraction/references";
const std::string kEmpreintes = kDossier + "/empreintes.txt";

bool ecrireReferences() { return std::getenv("STRAVOL_ECRIRE_REFERENCES") != nullptr; }

std::uint32_t bits(float f) {
    std::uint32_t b = 0;
    std::memcpy(&b, &f, sizeof b);
    return b;
}

// The mesh as text: one line per vertex (position, vertex normal, as float bit patterns in
// hexadecimal), then one per triangle (corner numbers in list order, orientation, normal).
std::string texteMaillage(const CMaillageTriangleChRegion& m) {
    std::unordered_map<const CSommetChRegion*, int> numeros;
    std::ostringstream o;
    char ligne[160];
    o << "sommets " << m.nbSommets << " triangles " << m.nbTriangles << "\n";
    int n = 0;
    for (const CSommetChRegion* s = m.premierSommet; s != nullptr; s = s->suivant) {
        numeros[s] = n++;
        std::snprintf(ligne, sizeof ligne, "v %08x %08x %08x %08x %08x %08x\n", bits(s->x),
                      bits(s->y), bits(s->z), bits(s->normale.x), bits(s->normale.y),
                      bits(s->normale.z));
        o << ligne;
    }
    for (const CTriangleChRegion* t = m.premierTriangle; t != nullptr; t = t->suivant) {
        const auto numero = [&](const CSommetChRegion* s) {
            const auto i = numeros.find(s);
            return i == numeros.end() ? -1 : i->second;
        };
        std::snprintf(ligne, sizeof ligne, "f %d %d %d %d %08x %08x %08x\n", numero(t->a),
                      numero(t->b), numero(t->c), t->orientation, bits(t->normale[0]),
                      bits(t->normale[1]), bits(t->normale[2]));
        o << ligne;
    }
    return o.str();
}

// 64-bit FNV-1a.
std::uint64_t empreinte(const std::string& texte) {
    std::uint64_t h = 14695981039346656037ull;
    for (unsigned char c : texte) {
        h ^= c;
        h *= 1099511628211ull;
    }
    return h;
}

// Reference file of fingerprints: "name fingerprint vertices triangles" a line.
std::map<std::string, std::string> lireEmpreintes() {
    std::map<std::string, std::string> table;
    std::ifstream f(kEmpreintes);
    std::string nom, reste;
    while (f >> nom && std::getline(f, reste))
        table[nom] = reste.substr(reste.find_first_not_of(' '));
    return table;
}

std::string resume(const CMaillageTriangleChRegion& m) {
    char texte[80];
    std::snprintf(texte, sizeof texte, "%016" PRIx64 " %d %d", empreinte(texteMaillage(m)),
                  m.nbSommets, m.nbTriangles);
    return texte;
}

// Collects the fingerprints of a test, then compares them with (or writes them to) the file.
class Empreintes {
public:
    void ajouter(const std::string& nom, const CMaillageTriangleChRegion& m) {
        obtenues[nom] = resume(m);
    }
    void comparer() const {
        if (ecrireReferences()) {
            std::map<std::string, std::string> table = lireEmpreintes();
            for (const auto& [nom, valeur] : obtenues)
                table[nom] = valeur;
            std::ofstream f(kEmpreintes);
            for (const auto& [nom, valeur] : table)
                f << nom << " " << valeur << "\n";
            return;
        }
        const std::map<std::string, std::string> attendues = lireEmpreintes();
        for (const auto& [nom, valeur] : obtenues) {
            const auto i = attendues.find(nom);
            ASSERT_NE(i, attendues.end()) << "no reference for " << nom;
            EXPECT_EQ(valeur, i->second) << nom << ": fingerprint, vertices, triangles";
        }
    }

private:
    std::map<std::string, std::string> obtenues;
};

// The volume of the given voxels, in label volume layout.
std::unique_ptr<CImageTroisD> volumeDe(int W, int H, int D, const std::vector<unsigned char>& v) {
    auto volume = std::make_unique<CImageTroisD>(W, H, D);
    std::memcpy(volume->image.get(), v.data(), v.size());
    return volume;
}

// The first voxel of that value, scanning z, y, x.
bool premierVoxel(const std::vector<unsigned char>& v, int W, int H, unsigned char valeur, int& x,
                  int& y, int& z) {
    for (std::size_t i = 0; i < v.size(); ++i)
        if (v[i] == valeur) {
            x = static_cast<int>(i % static_cast<std::size_t>(W));
            y = static_cast<int>(i / static_cast<std::size_t>(W) % static_cast<std::size_t>(H));
            z = static_cast<int>(i / (static_cast<std::size_t>(W) * H));
            return true;
        }
    return false;
}

// The phantom of 48 x 44 x 40 voxels whose shapes the references hold.
::testing::AssertionResult fantomeDesReferences(Fantome& f) {
    OptionsFantome options;
    options.largeur = 48;
    options.hauteur = 44;
    options.profondeur = 40;
    std::string erreur;
    if (!creerFantome(options, f, erreur))
        return ::testing::AssertionFailure() << erreur;
    return ::testing::AssertionSuccess();
}

class References : public ::testing::Test {
protected:
    void SetUp() override { deformation::parametresInitiaux(); }
    void TearDown() override { deformation::parametresInitiaux(); }
};

} // namespace

// Every shape of the standard phantom, with the default ten smoothing rounds and without
// smoothing, plus a seed in the grey picture's background noise.
TEST_F(References, PhantomShapes) {
    Fantome f;
    ASSERT_TRUE(fantomeDesReferences(f));
    Empreintes empreintes;
    const unsigned char labels[] = {kLabelBoule, kLabelTore, kLabelBoitesArete, kLabelBoitesCoin,
                                    kLabelTube};
    for (unsigned char label : labels) {
        int x = 0, y = 0, z = 0;
        ASSERT_TRUE(premierVoxel(f.labels, f.largeur, f.hauteur, label, x, y, z));
        for (int lissages : {10, 0}) {
            auto v = volumeDe(f.largeur, f.hauteur, f.profondeur, f.labels);
            v->CroissanceDeRegion(x, y, z, lissages);
            ASSERT_TRUE(v->bilanExtraction.effectuee);
            empreintes.ajouter("fantome-" + std::to_string(label) + "-" + std::to_string(lissages),
                               *v->maillage);
        }
    }
    auto gris = volumeDe(f.largeur, f.hauteur, f.profondeur, f.gris);
    gris->CroissanceDeRegion(f.largeur / 2, f.hauteur / 2, f.profondeur / 2, 10);
    ASSERT_TRUE(gris->bilanExtraction.effectuee);
    empreintes.ajouter("fantome-gris", *gris->maillage);
    empreintes.comparer();
}

// Random blobs of one grey level in random backgrounds of few levels, one of them of
// value 255 (the growth then keeps its own marks), one touching the outer layer.
TEST_F(References, RandomBlobs) {
    Empreintes empreintes;
    const struct {
        std::uint32_t graine;
        int W, H, D, nbGraines;
        unsigned char valeur;
    } cas[] = {{11, 20, 18, 16, 12, 90},
               {12, 24, 20, 22, 30, 255},
               {13, 30, 14, 12, 40, 7},
               {14, 12, 12, 12, 6, 1}};
    for (const auto& c : cas) {
        std::vector<unsigned char> v(static_cast<std::size_t>(c.W) * c.H * c.D);
        std::uint32_t etat = c.graine;
        for (auto& o : v) {
            etat = etat * 1664525u + 1013904223u;
            o = static_cast<unsigned char>((etat >> 24) % 4);
        }
        const std::vector<CTriplet<int>> voxels =
            blobAleatoire(c.graine, c.W, c.H, c.D, c.nbGraines);
        for (const CTriplet<int>& p : voxels)
            v[(static_cast<std::size_t>(p.z) * c.H + p.y) * c.W + p.x] = c.valeur;
        if (c.graine == 14)
            v[0] = v[1] = c.valeur;
        const CTriplet<int> germe = voxels.front();
        auto volume = volumeDe(c.W, c.H, c.D, v);
        volume->CroissanceDeRegion(germe.x, germe.y, germe.z, 10);
        ASSERT_TRUE(volume->bilanExtraction.effectuee);
        const std::string nom = "amas-" + std::to_string(c.graine);
        empreintes.ajouter(nom, *volume->maillage);
        if (c.graine != 11)
            continue;
        // One small mesh kept whole, so that a difference can be read line by line.
        const std::string texte = texteMaillage(*volume->maillage);
        const std::string fichier = kDossier + "/" + nom + ".txt";
        if (ecrireReferences()) {
            std::ofstream(fichier) << texte;
        } else {
            std::ifstream f(fichier);
            ASSERT_TRUE(f.good()) << fichier;
            std::stringstream attendu;
            attendu << f.rdbuf();
            EXPECT_EQ(texte, attendu.str());
        }
    }
    empreintes.comparer();
}

// The evolution after an extraction (splits, merges and skeleton tracking on), on the
// phantom's grey picture.
TEST_F(References, EvolutionAfterExtraction) {
    OptionsFantome options;
    options.largeur = 40;
    options.hauteur = 40;
    options.profondeur = 32;
    options.rayonBoule = 9;
    Fantome f;
    std::string erreur;
    ASSERT_TRUE(creerFantome(options, f, erreur)) << erreur;
    int x = 0, y = 0, z = 0;
    ASSERT_TRUE(premierVoxel(f.labels, f.largeur, f.hauteur, kLabelBoule, x, y, z));
    auto v = volumeDe(f.largeur, f.hauteur, f.profondeur, f.labels);
    v->CroissanceDeRegion(x, y, z, 10);
    ASSERT_TRUE(v->bilanExtraction.effectuee);
    CImage3D gris;
    ASSERT_TRUE(gris.Create(f.largeur, f.hauteur, f.profondeur));
    for (int k = 0; k < f.profondeur; ++k)
        for (int j = 0; j < f.hauteur; ++j)
            for (int i = 0; i < f.largeur; ++i)
                gris.Pixel(i, j, k) =
                    f.gris[(static_cast<std::size_t>(k) * f.hauteur + j) * f.largeur + i];
    CMaillageTriangleChRegion& m = *v->maillage;
    m.initialiserImages(&gris, &gris);
    m.squelette = true;
    m.Evolve(4);
    Empreintes empreintes;
    empreintes.ajouter("evolution-boule", m);
    empreintes.comparer();
}

// A mesh large enough for the parallel loops comes out the same on one, two or three threads.
TEST_F(References, OneTwoOrThreeThreadsGiveTheSameMesh) {
    OptionsFantome options;
    options.largeur = options.hauteur = options.profondeur = 72;
    options.rayonBoule = 32;
    Fantome f;
    std::string erreur;
    ASSERT_TRUE(creerFantome(options, f, erreur)) << erreur;
    int x = 0, y = 0, z = 0;
    ASSERT_TRUE(premierVoxel(f.labels, f.largeur, f.hauteur, kLabelBoule, x, y, z));
    std::string textes[3];
    for (int threads : {1, 2, 3}) {
        Stravol::definirNbThreads(threads);
        auto v = volumeDe(f.largeur, f.hauteur, f.profondeur, f.labels);
        v->CroissanceDeRegion(x, y, z, 10);
        ASSERT_TRUE(v->bilanExtraction.effectuee);
        ASSERT_GT(v->maillage->nbSommets, Stravol::kSeuilParallele);
        textes[threads - 1] = texteMaillage(*v->maillage);
    }
    Stravol::definirNbThreads(0);
    EXPECT_TRUE(textes[0] == textes[1]);
    EXPECT_TRUE(textes[0] == textes[2]);
}

// The extraction straight into flat arrays gives the linked mesh's arrays, figures and measures
// on every shape of the phantom (the irregular rings of the shapes that touch at edges and
// corners are repaired away), with and without smoothing and a grey tolerance.
TEST_F(References, FlatExtractionOfThePhantomIsTheLinkedOneTakenFlat) {
    Fantome f;
    ASSERT_TRUE(fantomeDesReferences(f));
    Stravol::Geometrie monde;
    monde.affine = {{{0.7, 0.1, 0.0, -3.0}, {0.0, -1.1, 0.2, 8.0}, {0.0, 0.0, 2.0, 1.5}}};
    const auto comparer = [&](const std::vector<unsigned char>& voxels, Stravol::Voxel germe,
                              const Stravol::OptionsExtraction& o, const std::string& cas) {
        auto lie = volumeDe(f.largeur, f.hauteur, f.profondeur, voxels);
        auto plat = volumeDe(f.largeur, f.hauteur, f.profondeur, voxels);
        ASSERT_TRUE(Stravol::extraireAuGerme(*lie, germe, o)) << cas;
        const Stravol::Resultat<Stravol::ObjetPlat> p =
            Stravol::extraireAuGermePlat(*plat, germe, o);
        ASSERT_TRUE(p) << cas;
        EXPECT_FALSE(plat->maillage) << cas;
        const Stravol::MaillagePlat attendu = Stravol::versMaillagePlat(*lie->maillage);
        const Stravol::MaillagePlat& m = p.valeur().maillage;
        EXPECT_TRUE(memesBits(m.positions, attendu.positions) &&
                    memesBits(m.normales, attendu.normales) &&
                    memesBits(m.triangles, attendu.triangles) &&
                    memesBits(m.normalesTriangles, attendu.normalesTriangles))
            << cas;
        const Stravol::BilanExtraction& a = lie->bilanExtraction;
        const Stravol::BilanExtraction& b = plat->bilanExtraction;
        EXPECT_TRUE(b.effectuee) << cas;
        EXPECT_EQ(b.valeurGerme, a.valeurGerme) << cas;
        EXPECT_EQ(b.nbVoxelsCroissance, a.nbVoxelsCroissance) << cas;
        EXPECT_EQ(b.nbVoxelsRegion, a.nbVoxelsRegion) << cas;
        EXPECT_EQ(b.nbVoxelsRepares, a.nbVoxelsRepares) << cas;
        const ControleMaillage c = controlerMaillage(*lie->maillage);
        EXPECT_EQ(Stravol::controlerMaillagePlat(m).ferme, c.ferme) << cas;
        EXPECT_EQ(p.valeur().irreguliers, c.irreguliers) << cas;
        const MesuresMaillage wl = mesurerMaillage(*lie->maillage, monde);
        const MesuresMaillage wp = mesurerMaillage(m, monde);
        EXPECT_EQ(wp.volume, wl.volume) << cas;
        EXPECT_EQ(wp.aire, wl.aire) << cas;
        EXPECT_EQ(wp.volumeMm3, wl.volumeMm3) << cas;
        EXPECT_EQ(wp.aireMm2, wl.aireMm2) << cas;
    };
    for (const unsigned char label :
         {kLabelBoule, kLabelTore, kLabelBoitesArete, kLabelBoitesCoin, kLabelTube}) {
        int x = 0, y = 0, z = 0;
        ASSERT_TRUE(premierVoxel(f.labels, f.largeur, f.hauteur, label, x, y, z));
        for (const int lissages : {10, 0}) {
            Stravol::OptionsExtraction o;
            o.nbLissages = lissages;
            comparer(f.labels, {x, y, z}, o, "label " + std::to_string(label));
        }
    }
    Stravol::OptionsExtraction o;
    o.tolerance = 20;
    comparer(f.gris, {f.largeur / 2, f.hauteur / 2, f.profondeur / 2}, o, "grey, tolerance");
    // A seed outside fails as the linked extraction does, and says why.
    auto v = volumeDe(f.largeur, f.hauteur, f.profondeur, f.labels);
    EXPECT_FALSE(Stravol::extraireAuGermePlat(*v, {-1, 0, 0}, Stravol::OptionsExtraction()));
    EXPECT_FALSE(v->bilanExtraction.erreur.empty());
}

// Releasing the voxels early joins the volume's full voxels (255, wherever they lie) to the
// grown ones first: the same region, mesh and figures as when the volume is kept.
TEST_F(References, ReleasingTheVoxelsKeepsTheRegion) {
    constexpr int W = 30, H = 26, D = 22;
    std::vector<unsigned char> v(static_cast<std::size_t>(W) * H * D, 3);
    const std::vector<CTriplet<int>> voxels = blobAleatoire(21, W, H, D, 25);
    for (const CTriplet<int>& p : voxels)
        v[(static_cast<std::size_t>(p.z) * H + p.y) * W + p.x] = 90;
    // Full voxels: one beside the blob, a block far from it, one on the volume's corner.
    std::uint32_t etat = 5;
    for (int k = 0; k < 40; ++k) {
        etat = etat * 1664525u + 1013904223u;
        v[etat % v.size()] = 255;
    }
    for (int z = 16; z < 20; ++z)
        for (int y = 2; y < 6; ++y)
            for (int x = 22; x < 27; ++x)
                v[(static_cast<std::size_t>(z) * H + y) * W + x] = 255;
    v[v.size() - 1] = 255;
    const CTriplet<int> germe = voxels.front();
    for (const int tolerance : {0, 2}) {
        Stravol::OptionsExtraction o;
        o.tolerance = tolerance;
        auto garde = volumeDe(W, H, D, v);
        const Stravol::Resultat<Stravol::ObjetPlat> attendu =
            Stravol::extraireAuGermePlat(*garde, {germe.x, germe.y, germe.z}, o);
        ASSERT_TRUE(attendu);
        o.libererVoxels = true;
        auto libere = volumeDe(W, H, D, v);
        const Stravol::Resultat<Stravol::ObjetPlat> p =
            Stravol::extraireAuGermePlat(*libere, {germe.x, germe.y, germe.z}, o);
        ASSERT_TRUE(p);
        EXPECT_EQ(libere->largeur, 0);
        EXPECT_EQ(libere->bilanExtraction.nbVoxelsRegion, garde->bilanExtraction.nbVoxelsRegion);
        EXPECT_EQ(libere->bilanExtraction.nbVoxelsRepares, garde->bilanExtraction.nbVoxelsRepares);
        EXPECT_EQ(p.valeur().maillage.positions, attendu.valeur().maillage.positions) << tolerance;
        EXPECT_EQ(p.valeur().maillage.triangles, attendu.valeur().maillage.triangles) << tolerance;
        // At the exact level the full voxels join the region.
        if (tolerance == 0) {
            EXPECT_GT(garde->bilanExtraction.nbVoxelsRegion,
                      garde->bilanExtraction.nbVoxelsCroissance);
        }
    }
}
