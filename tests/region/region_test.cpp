#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <random>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "core/Parallele.h"
#include "region/CRegion3D.h"
#include "volume/CImage3D.h"

namespace {

using T = CTriplet<int>;
using Cle = std::tuple<int, int, int>;

// A region of the given grid extents holding exactly the given voxels, border list built.
void remplir(CRegion3D& r, int X, int Y, int Z, const std::vector<T>& voxels) {
    CRegion3D::initialiserVoisinages();
    ASSERT_TRUE(r.init(X, Y, Z));
    for (const T& v : voxels)
        r.ajouter(v);
    r.calculerVoxelsBord();
}

std::set<Cle> contenu(CRegion3D& r) {
    std::set<Cle> s;
    for (int x = 0; x < r.dimX; ++x)
        for (int y = 0; y < r.dimY; ++y)
            for (int z = 0; z < r.dimZ; ++z)
                if (r.Voxel(x, y, z).dansRegion)
                    s.insert({x, y, z});
    return s;
}

std::vector<Cle> bord(const CRegion3D& r) {
    std::vector<Cle> l;
    for (int i = 0; i < r.voxelsBord.longueur(); ++i)
        l.push_back({r.voxelsBord[i].x, r.voxelsBord[i].y, r.voxelsBord[i].z});
    return l;
}

// Straightforward model of the repair: plain flags, full rescans of the grid and an ordered
// std::set per pass, every decision taken on the region as it stood at the start of the pass.
struct Modele {
    int X, Y, Z;
    std::vector<char> dans;

    bool grille(int x, int y, int z) const {
        return x >= 0 && x < X && y >= 0 && y < Y && z >= 0 && z < Z;
    }
    bool in(int x, int y, int z) const {
        return grille(x, y, z) && dans[(static_cast<std::size_t>(x) * Y + y) * Z + z];
    }
    void mettre(const Cle& c) {
        dans[(static_cast<std::size_t>(std::get<0>(c)) * Y + std::get<1>(c)) * Z + std::get<2>(c)] =
            1;
    }
    bool estBord(int x, int y, int z) const {
        return in(x, y, z) && (!in(x - 1, y, z) || !in(x + 1, y, z) || !in(x, y - 1, z) ||
                               !in(x, y + 1, z) || !in(x, y, z - 1) || !in(x, y, z + 1));
    }
    std::vector<Cle> bordure() const {
        std::vector<Cle> l;
        for (int x = 0; x < X; ++x)
            for (int y = 0; y < Y; ++y)
                for (int z = 0; z < Z; ++z)
                    if (estBord(x, y, z))
                        l.push_back({x, y, z});
        return l;
    }
    // Inside the 2x2x2 cube of p and p + c, the six voxels other than p and p + c.
    static std::vector<Cle> chemin(int x, int y, int z, int cx, int cy, int cz) {
        return {{x, y + cy, z + cz}, {x + cx, y, z + cz}, {x + cx, y + cy, z},
                {x, y, z + cz},      {x, y + cy, z},      {x + cx, y, z}};
    }
    int regles12() {
        int passes = 0;
        for (;;) {
            std::set<Cle> s;
            for (const Cle& p : bordure()) {
                const auto [x, y, z] = p;
                bool arete = false;
                for (int ex = -1; ex <= 1; ++ex)
                    for (int ey = -1; ey <= 1; ++ey)
                        for (int ez = -1; ez <= 1; ++ez) {
                            if ((ex != 0) + (ey != 0) + (ez != 0) != 2 ||
                                !estBord(x + ex, y + ey, z + ez))
                                continue;
                            Cle a, b;
                            if (ex == 0)
                                a = {x, y + ey, z}, b = {x, y, z + ez};
                            else if (ey == 0)
                                a = {x + ex, y, z}, b = {x, y, z + ez};
                            else
                                a = {x + ex, y, z}, b = {x, y + ey, z};
                            if (!in(std::get<0>(a), std::get<1>(a), std::get<2>(a)) &&
                                !in(std::get<0>(b), std::get<1>(b), std::get<2>(b))) {
                                s.insert(a), s.insert(b);
                                arete = true;
                            }
                        }
                if (arete)
                    continue;
                for (int cx = -1; cx <= 1; cx += 2)
                    for (int cy = -1; cy <= 1; cy += 2)
                        for (int cz = -1; cz <= 1; cz += 2) {
                            if (!estBord(x + cx, y + cy, z + cz))
                                continue;
                            const auto ch = chemin(x, y, z, cx, cy, cz);
                            bool libre = true;
                            for (const Cle& c : ch)
                                libre =
                                    libre && !in(std::get<0>(c), std::get<1>(c), std::get<2>(c));
                            if (libre)
                                s.insert(ch.begin(), ch.end());
                        }
            }
            if (s.empty())
                return passes;
            for (const Cle& c : s)
                mettre(c);
            ++passes;
        }
    }
    void regle3() {
        for (;;) {
            std::set<Cle> s;
            for (const Cle& p : bordure()) {
                const int f[6][3] = {{-1, 0, 0}, {1, 0, 0},  {0, -1, 0},
                                     {0, 1, 0},  {0, 0, -1}, {0, 0, 1}};
                for (const auto& o : f) {
                    const int qx = std::get<0>(p) + o[0], qy = std::get<1>(p) + o[1],
                              qz = std::get<2>(p) + o[2];
                    if (!grille(qx, qy, qz) || in(qx, qy, qz))
                        continue;
                    for (int cx = -1; cx <= 1; cx += 2)
                        for (int cy = -1; cy <= 1; cy += 2)
                            for (int cz = -1; cz <= 1; cz += 2) {
                                if (!grille(qx + cx, qy + cy, qz + cz) ||
                                    in(qx + cx, qy + cy, qz + cz))
                                    continue;
                                bool plein = true;
                                for (const Cle& c : chemin(qx, qy, qz, cx, cy, cz))
                                    plein =
                                        plein && in(std::get<0>(c), std::get<1>(c), std::get<2>(c));
                                if (plein)
                                    s.insert({qx, qy, qz}), s.insert({qx + cx, qy + cy, qz + cz});
                            }
                }
            }
            if (s.empty())
                return;
            for (const Cle& c : s)
                mettre(c);
        }
    }
};

} // namespace

TEST(Region, NeighbourTablesFollowTheScanOrder) {
    // Filled from the program's start (each test runs in a process of its own), and a later call
    // keeps the same storage.
    ASSERT_EQ(CRegion3D::voisinage2.taille, 12);
    const CTriplet<int>* avant = &CRegion3D::voisinage2[0];
    CRegion3D::initialiserVoisinages();
    EXPECT_EQ(&CRegion3D::voisinage2[0], avant);
    ASSERT_EQ(CRegion3D::voisinage.taille, 6);
    ASSERT_EQ(CRegion3D::voisinage2.taille, 12);
    ASSERT_EQ(CRegion3D::voisinage3.taille, 8);
    const int faces[6][3] = {{-1, 0, 0}, {1, 0, 0}, {0, -1, 0}, {0, 1, 0}, {0, 0, -1}, {0, 0, 1}};
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(CRegion3D::voisinage[i], T(faces[i][0], faces[i][1], faces[i][2]));
    // Both other tables are strictly ascending in (x, y, z) with 2 or 3 non-zero components.
    for (int i = 0; i < 12; ++i) {
        const T& e = CRegion3D::voisinage2[i];
        EXPECT_EQ(std::abs(e.x) + std::abs(e.y) + std::abs(e.z), 2);
        if (i > 0) {
            EXPECT_LT(CRegion3D::voisinage2[i - 1], e);
        }
    }
    for (int i = 0; i < 8; ++i) {
        const T& c = CRegion3D::voisinage3[i];
        EXPECT_TRUE(std::abs(c.x) == 1 && std::abs(c.y) == 1 && std::abs(c.z) == 1);
        if (i > 0) {
            EXPECT_LT(CRegion3D::voisinage3[i - 1], c);
        }
    }
    EXPECT_EQ(CRegion3D::voisinage2[0], T(-1, -1, 0));
    EXPECT_EQ(CRegion3D::voisinage2[11], T(1, 1, 0));
}

TEST(Region, AddAndRemoveKeepCountBoxAndBorderFlags) {
    CRegion3D r;
    remplir(r, 8, 8, 8, {T(3, 3, 3)});
    EXPECT_EQ(r.nbVoxels, 1);
    EXPECT_EQ(bord(r), (std::vector<Cle>{{3, 3, 3}}));

    // A 3x3x3 block: only its centre is not on the border.
    for (int x = 2; x <= 4; ++x)
        for (int y = 2; y <= 4; ++y)
            for (int z = 2; z <= 4; ++z)
                r.ajouter(T(x, y, z));
    EXPECT_EQ(r.nbVoxels, 27);
    EXPECT_EQ(r.Voxel(3, 3, 3).bord, 0);
    EXPECT_EQ(r.Voxel(2, 3, 3).bord, 1);
    EXPECT_EQ(r.boiteX, CCouple<int>(2, 4));
    r.ajouter(T(2, 2, 2));
    EXPECT_EQ(r.nbVoxels, 27);
    r.calculerVoxelsBord();
    EXPECT_EQ(r.voxelsBord.longueur(), 26);

    // Removing a face centre opens the block's centre to the outside.
    r.supprimer(T(2, 3, 3));
    EXPECT_EQ(r.nbVoxels, 26);
    EXPECT_EQ(r.Voxel(2, 3, 3).dansRegion, 0);
    EXPECT_EQ(r.Voxel(2, 3, 3).bord, 0);
    EXPECT_EQ(r.Voxel(3, 3, 3).bord, 1);
    r.supprimer(T(2, 3, 3));
    EXPECT_EQ(r.nbVoxels, 26);

    // Voxels on the outer layer of the grid are always border voxels.
    CRegion3D plein;
    std::vector<T> tous;
    for (int x = 0; x < 3; ++x)
        for (int y = 0; y < 3; ++y)
            for (int z = 0; z < 3; ++z)
                tous.push_back(T(x, y, z));
    remplir(plein, 3, 3, 3, tous);
    EXPECT_EQ(plein.voxelsBord.longueur(), 26);
    EXPECT_EQ(plein.Voxel(1, 1, 1).bord, 0);

    plein.vider();
    EXPECT_EQ(plein.nbVoxels, 0);
    EXPECT_EQ(plein.voxelsBord.longueur(), 0);
    EXPECT_TRUE(contenu(plein).empty());
    EXPECT_EQ(plein.dimX, 3);
    plein.ajouter(T(0, 0, 0));
    EXPECT_EQ(plein.boiteX, CCouple<int>(0, 0));
}

TEST(Region, EdgeAndCornerContactsAreFilled) {
    {
        CRegion3D r;
        remplir(r, 10, 10, 10, {T(4, 4, 4)});
        r.ajouterBordsTopologie();
        r.ajouterBordsTopologie2();
        EXPECT_EQ(r.nbVoxels, 1);
        EXPECT_EQ(bord(r), (std::vector<Cle>{{4, 4, 4}}));
    }
    {
        CRegion3D r;
        remplir(r, 10, 10, 10, {T(5, 5, 5), T(5, 6, 6)});
        std::strcpy(CRegion3D::message, "");
        r.ajouterBordsTopologie();
        EXPECT_STREQ(CRegion3D::message, "2 voxels à ajouter");
        EXPECT_EQ(contenu(r), (std::set<Cle>{{5, 5, 5}, {5, 5, 6}, {5, 6, 5}, {5, 6, 6}}));
        EXPECT_EQ(r.voxelsBord.longueur(), 4);
    }
    {
        CRegion3D r;
        remplir(r, 10, 10, 10, {T(5, 5, 5), T(6, 6, 6)});
        r.ajouterBordsTopologie();
        EXPECT_STREQ(CRegion3D::message, "6 voxels à ajouter");
        EXPECT_EQ(r.nbVoxels, 8);
        EXPECT_EQ(r.boiteX, CCouple<int>(5, 6));
    }
    {
        // The 2x2x2 cube without two opposite corners: only the outside rule closes it.
        std::vector<T> v;
        for (int x = 5; x <= 6; ++x)
            for (int y = 5; y <= 6; ++y)
                for (int z = 5; z <= 6; ++z)
                    if (!(x == y && y == z))
                        v.push_back(T(x, y, z));
        CRegion3D r;
        remplir(r, 10, 10, 10, v);
        r.ajouterBordsTopologie();
        EXPECT_EQ(r.nbVoxels, 6);
        r.ajouterBordsTopologie2();
        EXPECT_EQ(r.nbVoxels, 8);
        EXPECT_EQ(r.voxelsBord.longueur(), 8);
    }
    {
        // Contacts at the very corner of the grid stay inside it.
        CRegion3D r;
        remplir(r, 2, 2, 2, {T(0, 0, 0), T(1, 1, 1)});
        r.ajouterBordsTopologie();
        EXPECT_EQ(r.nbVoxels, 8);
    }
}

// The repair matches the plain model voxel for voxel on random blobs, including blobs that
// touch the outer layer of the grid, and leaves a border list equal to a full rescan.
TEST(Region, RepairMatchesThePlainModelOnRandomBlobs) {
    std::mt19937 alea(12345);
    for (int essai = 0; essai < 150; ++essai) {
        const int X = 6 + essai % 5, Y = 7, Z = 5 + essai % 3;
        std::bernoulli_distribution tirage(0.15 + 0.05 * (essai % 6));
        Modele m{X, Y, Z, std::vector<char>(static_cast<std::size_t>(X) * Y * Z, 0)};
        std::vector<T> v;
        for (int x = 0; x < X; ++x)
            for (int y = 0; y < Y; ++y)
                for (int z = 0; z < Z; ++z)
                    if (tirage(alea)) {
                        v.push_back(T(x, y, z));
                        m.mettre({x, y, z});
                    }
        CRegion3D r;
        remplir(r, X, Y, Z, v);
        ASSERT_EQ(bord(r), m.bordure());
        r.ajouterBordsTopologie();
        m.regles12();
        std::set<Cle> attendu;
        for (int x = 0; x < X; ++x)
            for (int y = 0; y < Y; ++y)
                for (int z = 0; z < Z; ++z)
                    if (m.in(x, y, z))
                        attendu.insert({x, y, z});
        ASSERT_EQ(contenu(r), attendu) << "rules 1 and 2, blob " << essai;
        ASSERT_EQ(bord(r), m.bordure());
        r.ajouterBordsTopologie2();
        m.regle3();
        attendu.clear();
        for (int x = 0; x < X; ++x)
            for (int y = 0; y < Y; ++y)
                for (int z = 0; z < Z; ++z)
                    if (m.in(x, y, z))
                        attendu.insert({x, y, z});
        ASSERT_EQ(contenu(r), attendu) << "rule 3, blob " << essai;
        ASSERT_EQ(bord(r), m.bordure());
        ASSERT_EQ(r.nbVoxels, static_cast<int>(attendu.size()));
    }
}

// A border long enough for the threads: the repair adds the same voxels and leaves the same
// border list on one, two or three threads.
TEST(Region, RepairOfALargeBlobDoesNotDependOnTheThreads) {
    constexpr int kCote = 44;
    std::mt19937 alea(99);
    std::bernoulli_distribution tirage(0.2);
    std::vector<T> v;
    for (int x = 0; x < kCote; ++x)
        for (int y = 0; y < kCote; ++y)
            for (int z = 0; z < kCote; ++z)
                if (tirage(alea))
                    v.push_back(T(x, y, z));
    std::set<Cle> contenus[3];
    std::vector<Cle> bords[3];
    for (int threads : {1, 2, 3}) {
        Stravol::definirNbThreads(threads);
        CRegion3D r;
        remplir(r, kCote, kCote, kCote, v);
        ASSERT_GT(r.voxelsBord.longueur(), Stravol::kSeuilParallele);
        r.reparerTopologie();
        contenus[threads - 1] = contenu(r);
        bords[threads - 1] = bord(r);
    }
    Stravol::definirNbThreads(0);
    EXPECT_GT(contenus[0].size(), v.size());
    for (int i = 1; i < 3; ++i) {
        EXPECT_TRUE(contenus[i] == contenus[0]) << i + 1 << " threads";
        EXPECT_TRUE(bords[i] == bords[0]) << i + 1 << " threads";
    }
}

TEST(Region, DilationGrowsByACubeAndRefusesEvenSizes) {
    CRegion3D r;
    remplir(r, 9, 9, 9, {T(4, 4, 4)});
    EXPECT_FALSE(r.dilater(2));
    EXPECT_FALSE(r.dilater(0));
    EXPECT_EQ(r.nbVoxels, 1);
    EXPECT_TRUE(r.dilater(1));
    EXPECT_EQ(r.nbVoxels, 1);
    EXPECT_TRUE(r.dilater(3));
    EXPECT_EQ(r.nbVoxels, 27);
    EXPECT_EQ(r.voxelsBord.longueur(), 26);
    EXPECT_TRUE(r.dilater(5));
    EXPECT_EQ(r.nbVoxels, 7 * 7 * 7);
    // Clipped by the grid.
    EXPECT_TRUE(r.dilater(3));
    EXPECT_EQ(r.nbVoxels, 9 * 9 * 9);
}

TEST(Region, VolumeRoundTripAndGridReuse) {
    CImage3D image;
    ASSERT_TRUE(image.Create(10, 7, 5));
    std::mt19937 alea(7);
    for (int z = 0; z < 5; ++z)
        for (int y = 0; y < 7; ++y)
            for (int x = 0; x < 10; ++x) {
                const unsigned char v =
                    (alea() % 3 == 0) ? static_cast<unsigned char>(1 + alea() % 255) : 0;
                image.Pixel(x, y, z) = v;
            }
    CRegion3D::initialiserVoisinages();
    CRegion3D r;
    ASSERT_TRUE(r.creerRegionImage3D(image));
    EXPECT_EQ(r.dimX, 10);
    EXPECT_EQ(r.dimY, 7);
    EXPECT_EQ(r.dimZ, 5);
    int nb = 0, minX = 99, maxZ = -1;
    for (int z = 0; z < 5; ++z)
        for (int y = 0; y < 7; ++y)
            for (int x = 0; x < 10; ++x) {
                const bool dedans = image.Pixel(x, y, z) != 0;
                ASSERT_EQ(r.Voxel(x, y, z).dansRegion, dedans ? 1 : 0);
                if (dedans) {
                    ++nb;
                    minX = std::min(minX, x);
                    maxZ = std::max(maxZ, z);
                }
            }
    EXPECT_EQ(r.nbVoxels, nb);
    EXPECT_EQ(r.boiteX.x, minX);
    EXPECT_EQ(r.boiteZ.y, maxZ);

    CImage3D copie;
    ASSERT_TRUE(r.creerImage3DRegion(copie));
    ASSERT_EQ(copie.GetWidth(), 10);
    ASSERT_EQ(copie.GetDepth(), 5);
    for (int z = 0; z < 5; ++z)
        for (int y = 0; y < 7; ++y)
            for (int x = 0; x < 10; ++x)
                ASSERT_EQ(copie.Pixel(x, y, z), image.Pixel(x, y, z) ? 255 : 0);

    // Same extents: the grid is reused; other extents: it is reallocated and cleared.
    CVoxelRegion3D*** grille = r.tab;
    ASSERT_TRUE(r.creerRegionImage3D(copie));
    EXPECT_EQ(r.tab, grille);
    EXPECT_EQ(r.nbVoxels, nb);
    CImage3D vide;
    ASSERT_TRUE(vide.Create(4, 4, 4));
    for (int z = 0; z < 4; ++z)
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 4; ++x)
                vide.Pixel(x, y, z) = 0;
    ASSERT_TRUE(r.creerRegionImage3D(vide));
    EXPECT_EQ(r.dimX, 4);
    EXPECT_EQ(r.nbVoxels, 0);
    EXPECT_EQ(r.voxelsBord.longueur(), 0);
    EXPECT_TRUE(contenu(r).empty());
}

// The region of a byte volume and its marks equals the region of the binarised volume (255 or
// marked), on random volumes whose full voxels lie anywhere and whose marks lie in a given box
// (rows of up to 27 voxels: several tiles of the fill and a partial one);
// a second fill of the same grid forgets the first.
TEST(Region, BinaryFillMatchesTheBinarisedVolume) {
    std::mt19937 alea(31);
    CRegion3D::initialiserVoisinages();
    CRegion3D r;
    for (int essai = 0; essai < 60; ++essai) {
        const int w = 1 + static_cast<int>(alea() % 27), h = 1 + static_cast<int>(alea() % 9),
                  d = 1 + static_cast<int>(alea() % 8);
        const std::size_t n = static_cast<std::size_t>(w) * h * d;
        std::vector<unsigned char> volume(n), marques(n, 0);
        for (auto& v : volume)
            v = alea() % 12 == 0 ? 255 : static_cast<unsigned char>(alea() % 4);
        const int x0 = static_cast<int>(alea() % w), y0 = static_cast<int>(alea() % h),
                  z0 = static_cast<int>(alea() % d);
        const int x1 = x0 + static_cast<int>(alea() % (w - x0)),
                  y1 = y0 + static_cast<int>(alea() % (h - y0)),
                  z1 = z0 + static_cast<int>(alea() % (d - z0));
        for (int z = z0; z <= z1; ++z)
            for (int y = y0; y <= y1; ++y)
                for (int x = x0; x <= x1; ++x)
                    if (alea() % 3 == 0 || (x == x0 && y == y0 && z == z0))
                        marques[(static_cast<std::size_t>(z) * h + y) * w + x] = 1;
        CImage3D binaire;
        ASSERT_TRUE(binaire.Create(w, h, d));
        for (int z = 0; z < d; ++z)
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x) {
                    const std::size_t i = (static_cast<std::size_t>(z) * h + y) * w + x;
                    binaire.Pixel(x, y, z) = volume[i] == 255 || marques[i] ? 255 : 0;
                }
        CRegion3D attendue;
        ASSERT_TRUE(attendue.creerRegionImage3D(binaire));
        ASSERT_TRUE(r.creerRegionBinaire(volume.data(), marques.data(), w, h, d,
                                         CCouple<int>(x0, x1), CCouple<int>(y0, y1),
                                         CCouple<int>(z0, z1)));
        ASSERT_EQ(r.nbVoxels, attendue.nbVoxels) << "volume " << essai;
        EXPECT_EQ(contenu(r), contenu(attendue)) << "volume " << essai;
        EXPECT_EQ(r.voxelsBord.elements, attendue.voxelsBord.elements) << "volume " << essai;
        EXPECT_EQ(r.boiteX, attendue.boiteX);
        EXPECT_EQ(r.boiteY, attendue.boiteY);
        EXPECT_EQ(r.boiteZ, attendue.boiteZ);
        for (int x = 0; x < w; ++x)
            for (int y = 0; y < h; ++y)
                for (int z = 0; z < d; ++z)
                    ASSERT_EQ(r.Voxel(x, y, z).bord, attendue.Voxel(x, y, z).bord);
    }
}

// The same on boxes wider than 64 voxels along x and deeper than 64 slices (several words of
// bits and blocks of columns), filled on one thread and on four (several slabs of rows), and
// without a volume, where the marks alone make the region.
TEST(Region, BinaryFillOfLargeBoxesOnAnyThreadCount) {
    std::mt19937 alea(5);
    CRegion3D::initialiserVoisinages();
    for (int essai = 0; essai < 6; ++essai) {
        const int w = 60 + static_cast<int>(alea() % 90), h = 20 + static_cast<int>(alea() % 20),
                  d = 60 + static_cast<int>(alea() % 90);
        const std::size_t n = static_cast<std::size_t>(w) * h * d;
        std::vector<unsigned char> volume(n), marques(n, 0);
        for (auto& v : volume)
            v = alea() % 40 == 0 ? 255 : static_cast<unsigned char>(alea() % 4);
        // Marks: a solid ball with random holes, touching the grid's faces on some tries.
        const double cx = w / 2.0, cy = h / 2.0, cz = d / 2.0, rayon = (essai % 2 ? 0.45 : 0.6) * w;
        int x0 = w, x1 = -1, y0 = h, y1 = -1, z0 = d, z1 = -1;
        for (int z = 0; z < d; ++z)
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x) {
                    const double dx = x - cx, dy = (y - cy) * w / h, dz = (z - cz) * w / d;
                    if (dx * dx + dy * dy + dz * dz > rayon * rayon || alea() % 50 == 0)
                        continue;
                    marques[(static_cast<std::size_t>(z) * h + y) * w + x] = 1;
                    x0 = std::min(x0, x), x1 = std::max(x1, x);
                    y0 = std::min(y0, y), y1 = std::max(y1, y);
                    z0 = std::min(z0, z), z1 = std::max(z1, z);
                }
        for (const bool avecVolume : {true, false}) {
            CImage3D binaire;
            ASSERT_TRUE(binaire.Create(w, h, d));
            for (int z = 0; z < d; ++z)
                for (int y = 0; y < h; ++y)
                    for (int x = 0; x < w; ++x) {
                        const std::size_t i = (static_cast<std::size_t>(z) * h + y) * w + x;
                        binaire.Pixel(x, y, z) =
                            (avecVolume && volume[i] == 255) || marques[i] ? 255 : 0;
                    }
            CRegion3D attendue;
            ASSERT_TRUE(attendue.creerRegionImage3D(binaire));
            for (const int threads : {1, 4}) {
                Stravol::definirNbThreads(threads);
                CRegion3D r;
                ASSERT_TRUE(r.creerRegionBinaire(avecVolume ? volume.data() : nullptr,
                                                 marques.data(), w, h, d, CCouple<int>(x0, x1),
                                                 CCouple<int>(y0, y1), CCouple<int>(z0, z1)));
                Stravol::definirNbThreads(0);
                ASSERT_EQ(r.nbVoxels, attendue.nbVoxels) << "volume " << essai;
                EXPECT_EQ(r.voxelsBord.elements, attendue.voxelsBord.elements)
                    << "volume " << essai << ", " << threads << " threads";
                EXPECT_EQ(r.boiteX, attendue.boiteX);
                EXPECT_EQ(r.boiteY, attendue.boiteY);
                EXPECT_EQ(r.boiteZ, attendue.boiteZ);
                bool pareils = true;
                for (int x = 0; x < w && pareils; ++x)
                    for (int y = 0; y < h && pareils; ++y)
                        pareils =
                            std::memcmp(&r.Voxel(x, y, 0), &attendue.Voxel(x, y, 0),
                                        sizeof(CVoxelRegion3D) * static_cast<std::size_t>(d)) == 0;
                EXPECT_TRUE(pareils) << "volume " << essai << ", " << threads << " threads";
            }
        }
    }
}

// A thin slab's border holds more voxels than the one million of a fixed-capacity set.
TEST(Region, BorderListIsNotCappedAtOneMillion) {
    CImage3D image;
    ASSERT_TRUE(image.Create(1100, 1000, 1));
    for (int y = 0; y < 1000; ++y)
        std::memset(image.GetRow(y, 0), 7, 1100);
    CRegion3D::initialiserVoisinages();
    CRegion3D r;
    ASSERT_TRUE(r.creerRegionImage3D(image));
    EXPECT_EQ(r.nbVoxels, 1100000);
    EXPECT_EQ(r.voxelsBord.longueur(), 1100000);
    EXPECT_EQ(r.voxelsBord[1099999], T(1099, 999, 0));
}
