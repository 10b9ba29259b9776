#include "region/CRegionMultiresolution2D3DT.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdio>
#include <initializer_list>
#include <vector>

#include "core/Message.h"
#include "volume/CImage3D.h"

char CRegionMultiresolution2D3DT::message[256] = {};

namespace {

constexpr int NB_BINS = CRegionMultiresolution2D3DT::NB_NIVEAUX_GRIS;

const char* const nomsFloat[] = {"Coefficient d'homogénéité", "Tolérance"};
const char* const nomsInt[] = {"Seuil bas", "Seuil haut"};
const char* const nomsEnum[] = {"Mode croissance", "Critère croissance"};
const char* const nomsModes[] = {"Croissance 2D", "Croissance 2D+T", "Croissance 3D",
                                 "Croissance 3D+T"};
const char* const nomsCriteres[] = {"Moyenne + écart type", "Seuil", "Intervalle"};

template <int N> Chaine nom(const char* const (&noms)[N], int index) {
    return index >= 0 && index < N ? Chaine(noms[index]) : Chaine();
}

template <int N> CVecteur<Chaine> noms(const char* const (&textes)[N]) {
    CVecteur<Chaine> v(N);
    for (int i = 0; i < N; ++i)
        v[i] = Chaine(textes[i]);
    return v;
}

void histogrammeVide(CVecteur<int>& h) {
    h.init(NB_BINS);
    h.remplir(0);
}

void ajouterHistogramme(CVecteur<int>& somme, const CVecteur<int>& h) {
    for (int i = 0; i < NB_BINS && i < h.taille; ++i)
        somme[i] += h[i];
}

// Sums the statistics of the slices coupe(0) .. coupe(n - 1) (each a (z, t) pair of the slice
// matrices) into one entry of an axis: voxel count, bounding box whose z member holds the range of
// occupied positions along the axis and, when histograms are kept, their sum and its statistics.
template <class Coupe>
void agregerCoupes(int n, Coupe coupe, bool actifs, CMatrice<int>& nbVoxelsCoupe,
                   CMatrice<CCouple<int>>& minCoupe, CMatrice<CCouple<int>>& maxCoupe,
                   CMatrice<CVecteur<int>>& histoCoupe, int& nbVoxelsAxe, CTriplet<int>& mini,
                   CTriplet<int>& maxi, CVecteur<int>& histoAxe, float& moyenne, float& ecartType) {
    int premier = -1, dernier = -1;
    for (int i = 0; i < n; ++i) {
        const CCouple<int> c = coupe(i);
        if (nbVoxelsCoupe[c.x][c.y] != 0) {
            if (premier < 0)
                premier = i;
            dernier = i;
        }
    }
    if (actifs)
        histoAxe.remplir(0);
    if (premier < 0) {
        nbVoxelsAxe = 0;
        return;
    }
    mini.z = premier;
    maxi.z = dernier;
    int nombre = 0;
    for (int i = premier; i <= dernier; ++i) {
        const CCouple<int> c = coupe(i);
        nombre += nbVoxelsCoupe[c.x][c.y];
        mini.x = std::min(mini.x, minCoupe[c.x][c.y].x);
        mini.y = std::min(mini.y, minCoupe[c.x][c.y].y);
        maxi.x = std::max(maxi.x, maxCoupe[c.x][c.y].x);
        maxi.y = std::max(maxi.y, maxCoupe[c.x][c.y].y);
        if (actifs)
            ajouterHistogramme(histoAxe, histoCoupe[c.x][c.y]);
    }
    nbVoxelsAxe = nombre;
    if (actifs)
        CRegionMultiresolution2D3DT::calculerMoyenneEcarttypeHistogramme(histoAxe, moyenne,
                                                                         ecartType);
}

CVecteur<CQuadruplet<int>> voisinage(std::initializer_list<CQuadruplet<int>> liste) {
    CVecteur<CQuadruplet<int>> v(static_cast<int>(liste.size()));
    int i = 0;
    for (const CQuadruplet<int>& q : liste)
        v[i++] = q;
    return v;
}

// The statistics of one axis, by slice or by time step.
struct StatistiquesAxe {
    CVecteur<CTriplet<int>>& mini;
    CVecteur<CTriplet<int>>& maxi;
    CVecteur<CVecteur<int>>& histos;
    CVecteur<float>& moyennes;
    CVecteur<float>& ecarts;
    CVecteur<int>& nombres;
};

// n empty entries on the axis: bounds that any voxel widens, empty histograms, mean 0 and
// deviation 1.
void preparerAxe(int n, const StatistiquesAxe& a) {
    CVecteur<int> vide;
    histogrammeVide(vide);
    a.mini.init(n);
    a.mini.remplir(CTriplet<int>(INT_MAX, INT_MAX, INT_MAX));
    a.maxi.init(n);
    a.maxi.remplir(CTriplet<int>(0, 0, 0));
    a.histos.init(n);
    a.histos.remplir(vide);
    a.moyennes.init(n);
    a.moyennes.remplir(0.0f);
    a.ecarts.init(n);
    a.ecarts.remplir(1.0f);
    a.nombres.init(n);
    a.nombres.remplir(0);
}

// The four coarser levels of a grid of l x h x p voxels and nbT time steps, by factors 2 to 5,
// empty, with the offsets of a block of the fine grid; false when memory runs out.
bool preparerNiveaux(CVecteur<CInfosRegionMultiresolution2D3DT>& niveaux, int l, int h, int p,
                     int nbT) {
    const int pasY = l, pasZ = l * h;
    niveaux.init(4);
    for (int i = 0; i < niveaux.taille; ++i) {
        CInfosRegionMultiresolution2D3DT& n = niveaux[i];
        const int f = i + 2;
        n.facteur = f;
        n.largeur = l / f;
        n.hauteur = h / f;
        n.profondeur = p / f;
        n.nbTemps = nbT;
        n.pasY = n.largeur;
        n.pasZ = n.largeur * n.hauteur;
        n.pasT = n.largeur * n.hauteur * n.profondeur;
        if (!n.voxels.init(n.pasT * n.nbTemps))
            return false;
        n.voxels.remplir(0);
        n.decalagesBloc.init(f * f * f);
        int k = 0;
        for (int dz = 0; dz < f; ++dz)
            for (int dy = 0; dy < f; ++dy)
                for (int dx = 0; dx < f; ++dx)
                    n.decalagesBloc[k++] = dz * pasZ + dy * pasY + dx;
    }
    return true;
}

} // namespace

CRegionMultiresolution2D3DT::CRegionMultiresolution2D3DT()
    : min4D(INT_MAX, INT_MAX, INT_MAX, INT_MAX) {
    histogrammeVide(histo);
}

float CRegionMultiresolution2D3DT::GetParameterFloatValue(int index) {
    return index == 0 ? coefficientHomogeneite : index == 1 ? tolerance : 0.0f;
}

int CRegionMultiresolution2D3DT::GetParameterIntValue(int index) {
    return index == 0 ? seuilBas : index == 1 ? seuilHaut : 0;
}

bool CRegionMultiresolution2D3DT::GetParameterBoolValue(int) { return false; }

int CRegionMultiresolution2D3DT::GetParameterEnumValue(int index) {
    return index == 0 ? static_cast<int>(modeCroissance) : index == 1 ? critereCroissance : 0;
}

void CRegionMultiresolution2D3DT::SetParameterFloatValue(int index, float value) {
    if (index == 0)
        coefficientHomogeneite = value;
    else if (index == 1)
        tolerance = value;
}

void CRegionMultiresolution2D3DT::SetParameterIntValue(int index, int value) {
    if (index == 0)
        seuilBas = value;
    else if (index == 1)
        seuilHaut = value;
}

void CRegionMultiresolution2D3DT::SetParameterBoolValue(int, bool) {}

void CRegionMultiresolution2D3DT::SetParameterEnumValue(int index, int value) {
    if (index == 0)
        modeCroissance = static_cast<ModeCroissance>(value);
    else if (index == 1)
        critereCroissance = value;
}

Chaine CRegionMultiresolution2D3DT::GetParameterFloatName(int index) {
    return nom(nomsFloat, index);
}
Chaine CRegionMultiresolution2D3DT::GetParameterIntName(int index) { return nom(nomsInt, index); }
Chaine CRegionMultiresolution2D3DT::GetParameterBoolName(int) { return Chaine(); }
Chaine CRegionMultiresolution2D3DT::GetParameterEnumName(int index) { return nom(nomsEnum, index); }

CVecteur<Chaine> CRegionMultiresolution2D3DT::GetParameterEnumValueNames(int index) {
    if (index == 0)
        return noms(nomsModes);
    if (index == 1)
        return noms(nomsCriteres);
    return CVecteur<Chaine>();
}

int CRegionMultiresolution2D3DT::GetParameterFloatNumber() { return 2; }
int CRegionMultiresolution2D3DT::GetParameterIntNumber() { return 2; }
int CRegionMultiresolution2D3DT::GetParameterBoolNumber() { return 0; }
int CRegionMultiresolution2D3DT::GetParameterEnumNumber() { return 2; }

bool CRegionMultiresolution2D3DT::initialiserRegion(CImage3D* volume) {
    const int l = volume != nullptr ? volume->GetWidth() : 0;
    const int h = volume != nullptr ? volume->GetHeight() : 0;
    const int p = volume != nullptr ? volume->GetDepth() : 0;
    if (l <= 0 || h <= 0 || p <= 0)
        return false;
    images.init(1);
    images[0] = volume;
    return preparer(l, h, p, 1);
}

bool CRegionMultiresolution2D3DT::initialiserRegion(const CVecteur<CImage3D*>& sequence) {
    if (sequence.taille <= 0 || sequence[0] == nullptr)
        return false;
    const int l = sequence[0]->GetWidth();
    const int h = sequence[0]->GetHeight();
    const int p = sequence[0]->GetDepth();
    if (l <= 0 || h <= 0 || p <= 0)
        return false;
    for (int t = 1; t < sequence.taille; ++t)
        if (sequence[t] == nullptr || sequence[t]->GetWidth() != l ||
            sequence[t]->GetHeight() != h || sequence[t]->GetDepth() != p)
            return false;
    images = sequence;
    return preparer(l, h, p, sequence.taille);
}

bool CRegionMultiresolution2D3DT::preparer(int l, int h, int p, int nbT) {
    const long long taille = static_cast<long long>(l) * h * p * nbT;
    if (taille > INT_MAX || !voxels.init(static_cast<int>(taille))) {
        images.vider();
        return false;
    }
    nbTemps = nbT;
    largeur = l;
    hauteur = h;
    profondeur = p;
    pasY = largeur;
    pasZ = largeur * hauteur;
    pasT = largeur * hauteur * profondeur;

    voisinage4D = voisinage({{-1, 0, 0, 0},
                             {1, 0, 0, 0},
                             {0, -1, 0, 0},
                             {0, 1, 0, 0},
                             {0, 0, -1, 0},
                             {0, 0, 1, 0},
                             {0, 0, 0, -1},
                             {0, 0, 0, 1}});
    // Each offset designates the neighbour at the same position of voisinage4D, the time
    // step before first, so that the two tables can be read side by side.
    decalages4D.init(voisinage4D.taille);
    for (int i = 0; i < voisinage4D.taille; ++i) {
        const CQuadruplet<int>& n = voisinage4D[i];
        decalages4D[i] = pasT * n.t + pasZ * n.z + pasY * n.y + n.x;
    }
    voisinage2D = voisinage({{-1, 0, 0, 0}, {1, 0, 0, 0}, {0, -1, 0, 0}, {0, 1, 0, 0}});
    decalages2D.init(voisinage2D.taille);
    for (int i = 0; i < voisinage2D.taille; ++i)
        decalages2D[i] = pasY * voisinage2D[i].y + voisinage2D[i].x;

    CVecteur<int> vide;
    histogrammeVide(vide);
    minCoupe.init(profondeur, nbTemps);
    minCoupe.remplir(CCouple<int>(INT_MAX, INT_MAX));
    maxCoupe.init(profondeur, nbTemps);
    maxCoupe.remplir(CCouple<int>(0, 0));
    histoCoupe.init(profondeur, nbTemps);
    histoCoupe.remplir(vide);
    moyenneCoupe.init(profondeur, nbTemps);
    moyenneCoupe.remplir(0.0f);
    ecartTypeCoupe.init(profondeur, nbTemps);
    ecartTypeCoupe.remplir(1.0f);
    nbVoxelsCoupe.init(profondeur, nbTemps);
    nbVoxelsCoupe.remplir(0);

    preparerAxe(profondeur, {minZ, maxZ, histoZ, moyenneZ, ecartTypeZ, nbVoxelsZ});
    preparerAxe(nbTemps, {minT, maxT, histoT, moyenneT, ecartTypeT, nbVoxelsT});

    // A model set up again starts with an empty region, so the whole-region statistics must
    // not keep the counts of the previous grid.
    min4D = CQuadruplet<int>(INT_MAX, INT_MAX, INT_MAX, INT_MAX);
    max4D = CQuadruplet<int>(0, 0, 0, 0);
    histogrammeVide(histo);
    mu = 0.0f;
    sigma = 1.0f;
    nbVoxels = 0;

    return preparerNiveaux(niveaux, largeur, hauteur, profondeur, nbTemps);
}

unsigned char CRegionMultiresolution2D3DT::GetImageVoxel(const CQuadruplet<int>& p) const {
    return images[p.t]->Pixel(p.x, p.y, p.z);
}

bool CRegionMultiresolution2D3DT::contient(const CQuadruplet<int>& p) const {
    if (p.x < 0 || p.x >= largeur || p.y < 0 || p.y >= hauteur || p.z < 0 || p.z >= profondeur ||
        p.t < 0 || p.t >= nbTemps)
        return false;
    return voxels[pasT * p.t + pasZ * p.z + pasY * p.y + p.x].etat == 1;
}

void CRegionMultiresolution2D3DT::coordonnees(int indice, CQuadruplet<int>& p) const {
    p.t = indice / pasT;
    indice -= p.t * pasT;
    p.z = indice / pasZ;
    indice -= p.z * pasZ;
    p.y = indice / pasY;
    p.x = indice - p.y * pasY;
}

void CRegionMultiresolution2D3DT::ajouter(const CQuadruplet<int>& p) {
    const int x = p.x, y = p.y, z = p.z, t = p.t;
    // A voxel outside the grid (or a model never set up) would be written out of the grid.
    if (x < 0 || x >= largeur || y < 0 || y >= hauteur || z < 0 || z >= profondeur || t < 0 ||
        t >= nbTemps)
        return;
    CVoxelRegionMultiresolution2D3DT& cellule = voxels[pasT * t + pasZ * z + pasY * y + x];
    if (cellule.etat == 1)
        return;
    cellule.etat = 1;

    CCouple<int>& mini = minCoupe[z][t];
    CCouple<int>& maxi = maxCoupe[z][t];
    if (nbVoxelsCoupe[z][t] == 0) {
        mini = CCouple<int>(x, y);
        maxi = CCouple<int>(x, y);
    } else {
        mini.x = std::min(mini.x, x);
        mini.y = std::min(mini.y, y);
        maxi.x = std::max(maxi.x, x);
        maxi.y = std::max(maxi.y, y);
    }

    // Voxels of the last incomplete block of an axis fall outside the reduced grid.
    for (int i = 0; i < niveaux.taille; ++i) {
        CInfosRegionMultiresolution2D3DT& n = niveaux[i];
        const int cx = x / n.facteur, cy = y / n.facteur, cz = z / n.facteur;
        if (cx < n.largeur && cy < n.hauteur && cz < n.profondeur)
            n.voxels[n.pasT * t + n.pasZ * cz + n.pasY * cy + cx] = 1;
    }

    ++nbVoxelsCoupe[z][t];
    ++nbVoxelsZ[z];
    ++nbVoxelsT[t];
    ++nbVoxels;

    if (histogrammesActifs == 1) {
        ++histoCoupe[z][t][GetImageVoxel(p)];
        MAJAttributs2DT(z);
        MAJAttributs3D(t);
        MAJAttributs4D();
    }
}

void CRegionMultiresolution2D3DT::calculerMoyenneEcarttypeHistogramme(const CVecteur<int>& h,
                                                                      float& m, float& s) {
    int n = 0;
    float s1 = 0.0f;
    float s2 = 0.0f;
    for (int i = 0; i < NB_BINS && i < h.taille; ++i) {
        const double bin = static_cast<float>(h[i]);
        const double niveau = static_cast<float>(i);
        n += h[i];
        s1 = static_cast<float>(s1 + bin * niveau);
        s2 = static_cast<float>(s2 + bin * niveau * niveau);
    }
    if (n <= 0) {
        m = 0.0f;
        s = 1.0f;
        return;
    }
    m = static_cast<float>(static_cast<double>(s1) / n);
    const float variance =
        static_cast<float>(static_cast<double>(s2) / n - static_cast<double>(m) * m);
    // Rounding of the single-precision sums can leave a tiny negative variance for a
    // histogram of one level; its deviation is 0, not a NaN.
    s = variance > 0.0f ? std::sqrt(variance) : 0.0f;
}

void CRegionMultiresolution2D3DT::MAJAttributs2DT(int z) {
    if (z < 0 || z >= profondeur)
        return;
    agregerCoupes(
        nbTemps, [z](int t) { return CCouple<int>(z, t); }, histogrammesActifs == 1, nbVoxelsCoupe,
        minCoupe, maxCoupe, histoCoupe, nbVoxelsZ[z], minZ[z], maxZ[z], histoZ[z], moyenneZ[z],
        ecartTypeZ[z]);
}

void CRegionMultiresolution2D3DT::MAJAttributs2DT() {
    for (int z = 0; z < profondeur; ++z)
        MAJAttributs2DT(z);
}

void CRegionMultiresolution2D3DT::MAJAttributs3D(int t) {
    if (t < 0 || t >= nbTemps)
        return;
    agregerCoupes(
        profondeur, [t](int z) { return CCouple<int>(z, t); }, histogrammesActifs == 1,
        nbVoxelsCoupe, minCoupe, maxCoupe, histoCoupe, nbVoxelsT[t], minT[t], maxT[t], histoT[t],
        moyenneT[t], ecartTypeT[t]);
}

void CRegionMultiresolution2D3DT::MAJAttributs3D() {
    for (int t = 0; t < nbTemps; ++t)
        MAJAttributs3D(t);
}

void CRegionMultiresolution2D3DT::MAJAttributs4D() {
    const bool actifs = histogrammesActifs == 1;
    int premier = -1, dernier = -1;
    for (int t = 0; t < nbTemps; ++t)
        if (nbVoxelsT[t] != 0) {
            if (premier < 0)
                premier = t;
            dernier = t;
        }
    if (premier < 0) {
        nbVoxels = 0;
        if (actifs)
            histo.remplir(0);
        return;
    }
    min4D.t = premier;
    max4D.t = dernier;
    int nombre = 0;
    if (actifs)
        histo.remplir(0);
    for (int t = premier; t <= dernier; ++t) {
        nombre += nbVoxelsT[t];
        min4D.x = std::min(min4D.x, minT[t].x);
        min4D.y = std::min(min4D.y, minT[t].y);
        min4D.z = std::min(min4D.z, minT[t].z);
        max4D.x = std::max(max4D.x, maxT[t].x);
        max4D.y = std::max(max4D.y, maxT[t].y);
        max4D.z = std::max(max4D.z, maxT[t].z);
        if (actifs)
            ajouterHistogramme(histo, histoT[t]);
    }
    nbVoxels = nombre;
    if (actifs)
        calculerMoyenneEcarttypeHistogramme(histo, mu, sigma);
}

bool CRegionMultiresolution2D3DT::accepte(unsigned char niveau, float m, float s) const {
    const float g = static_cast<float>(niveau);
    switch (critereCroissance) {
    case 0: {
        const float ks = static_cast<float>(static_cast<double>(coefficientHomogeneite) * s);
        const float bas = static_cast<float>(static_cast<double>(m) - ks);
        const float haut = static_cast<float>(static_cast<double>(m) + ks);
        return bas <= g && g <= haut;
    }
    case 1:
        return g >= static_cast<float>(seuilBas);
    case 2:
        return static_cast<float>(seuilBas) <= g && g <= static_cast<float>(seuilHaut);
    default:
        return false;
    }
}

int CRegionMultiresolution2D3DT::grandir2D(int nbiterations, int z, int t) {
    if (z < 0 || z >= profondeur || t < 0 || t >= nbTemps || nbiterations <= 0)
        return 0;
    // Grows with the voxels of one slice only, never beyond CAPACITE_ACCEPTES.
    std::vector<int> acceptes;
    int dernierNombre = 0;
    const int base = pasT * t + pasZ * z;
    for (int iteration = 0; iteration < nbiterations; ++iteration) {
        const float m = moyenneCoupe[z][t];
        const float s = ecartTypeCoupe[z][t];
        const int x0 = std::clamp(minCoupe[z][t].x - 1, 0, largeur - 1);
        const int x1 = std::clamp(maxCoupe[z][t].x + 1, 0, largeur - 1);
        const int y0 = std::clamp(minCoupe[z][t].y - 1, 0, hauteur - 1);
        const int y1 = std::clamp(maxCoupe[z][t].y + 1, 0, hauteur - 1);
        for (int y = y0; y <= y1; ++y)
            for (int x = x0; x <= x1; ++x) {
                const int indice = base + pasY * y + x;
                if (voxels[indice].etat == 1)
                    continue;
                bool candidat = false;
                for (int k = 0; k < voisinage2D.taille && !candidat; ++k) {
                    const int vx = x + voisinage2D[k].x, vy = y + voisinage2D[k].y;
                    candidat = vx >= 0 && vx < largeur && vy >= 0 && vy < hauteur &&
                               voxels[indice + decalages2D[k]].etat == 1;
                }
                // A full list leaves the remaining candidates to the next iteration.
                if (candidat && acceptes.size() < static_cast<std::size_t>(CAPACITE_ACCEPTES) &&
                    accepte(GetImageVoxel(CQuadruplet<int>(x, y, z, t)), m, s))
                    acceptes.push_back(indice);
            }
        if (acceptes.empty())
            break;
        CQuadruplet<int> p;
        for (const int indice : acceptes) {
            coordonnees(indice, p);
            ajouter(p);
        }
        calculerMoyenneEcarttypeHistogramme(histoCoupe[z][t], moyenneCoupe[z][t],
                                            ecartTypeCoupe[z][t]);
        MAJAttributs2DT(z);
        MAJAttributs3D(t);
        MAJAttributs4D();
        dernierNombre = static_cast<int>(acceptes.size());
        acceptes.clear();
    }
    return dernierNombre;
}

int CRegionMultiresolution2D3DT::grandir(const CVecteur<CQuadruplet<int>>& voisinage,
                                         int nbiterations) {
    if (nbVoxels == 0)
        return 0;
    CVecteur<int> decalages(voisinage.taille);
    for (int k = 0; k < voisinage.taille; ++k) {
        const CQuadruplet<int>& n = voisinage[k];
        decalages[k] = pasY * n.y + pasT * n.t + pasZ * n.z + n.x;
    }
    CVecteur<int> acceptes(CAPACITE_ACCEPTES);
    int nbAcceptes = 0;
    int dernierNombre = 0;
    for (int iteration = 0; iteration < nbiterations; ++iteration) {
        const float m = mu;
        const float s = sigma;
        const CQuadruplet<int> boiteMin = min4D;
        const CQuadruplet<int> boiteMax = max4D;
        const int x0 = std::clamp(boiteMin.x - 1, 0, largeur - 1),
                  x1 = std::clamp(boiteMax.x + 1, 0, largeur - 1);
        const int y0 = std::clamp(boiteMin.y - 1, 0, hauteur - 1),
                  y1 = std::clamp(boiteMax.y + 1, 0, hauteur - 1);
        const int z0 = std::clamp(boiteMin.z - 1, 0, profondeur - 1);
        const int z1 = std::clamp(boiteMax.z + 1, 0, profondeur - 1);
        const int t0 = std::clamp(boiteMin.t - 1, 0, nbTemps - 1),
                  t1 = std::clamp(boiteMax.t + 1, 0, nbTemps - 1);
        for (int t = t0; t <= t1; ++t)
            for (int z = z0; z <= z1; ++z)
                for (int y = y0; y <= y1; ++y)
                    for (int x = x0; x <= x1; ++x) {
                        const int indice = pasT * t + pasZ * z + pasY * y + x;
                        if (voxels[indice].etat == 1)
                            continue;
                        bool candidat = false;
                        for (int k = 0; k < voisinage.taille && !candidat; ++k) {
                            const CQuadruplet<int>& n = voisinage[k];
                            const int vx = x + n.x, vy = y + n.y, vz = z + n.z, vt = t + n.t;
                            candidat = vx >= 0 && vx < largeur && vy >= 0 && vy < hauteur &&
                                       vz >= 0 && vz < profondeur && vt >= 0 && vt < nbTemps &&
                                       voxels[indice + decalages[k]].etat == 1;
                        }
                        if (candidat && nbAcceptes < CAPACITE_ACCEPTES &&
                            accepte(GetImageVoxel(CQuadruplet<int>(x, y, z, t)), m, s))
                            acceptes[nbAcceptes++] = indice;
                    }
        if (nbAcceptes > 0) {
            CQuadruplet<int> p;
            for (int i = 0; i < nbAcceptes; ++i) {
                coordonnees(acceptes[i], p);
                ajouter(p);
            }
            for (int t = std::max(boiteMin.t, 0); t <= std::min(boiteMax.t, nbTemps - 1); ++t)
                for (int z = std::max(boiteMin.z, 0); z <= std::min(boiteMax.z, profondeur - 1);
                     ++z)
                    calculerMoyenneEcarttypeHistogramme(histoCoupe[z][t], moyenneCoupe[z][t],
                                                        ecartTypeCoupe[z][t]);
            MAJAttributs2DT();
            MAJAttributs3D();
            MAJAttributs4D();
            dernierNombre = nbAcceptes;
        }
        std::snprintf(message, sizeof message, "mu=%f  sigma=%f", static_cast<double>(mu),
                      static_cast<double>(sigma));
        Message(message);
        if (nbAcceptes == 0)
            break;
        nbAcceptes = 0;
    }
    return dernierNombre;
}

void CRegionMultiresolution2D3DT::Evolve(int nbiterations) {
    switch (modeCroissance) {
    case ModeCroissance::Croissance2D:
        for (int t = 0; t < nbTemps; ++t)
            for (int z = 0; z < profondeur; ++z)
                grandir2D(nbiterations, z, t);
        break;
    case ModeCroissance::Croissance2DT:
        grandir(voisinage({{-1, 0, 0, 0},
                           {1, 0, 0, 0},
                           {0, -1, 0, 0},
                           {0, 1, 0, 0},
                           {0, 0, 0, -1},
                           {0, 0, 0, 1}}),
                nbiterations);
        break;
    case ModeCroissance::Croissance3D:
        grandir(voisinage({{-1, 0, 0, 0},
                           {1, 0, 0, 0},
                           {0, -1, 0, 0},
                           {0, 1, 0, 0},
                           {0, 0, -1, 0},
                           {0, 0, 1, 0}}),
                nbiterations);
        break;
    case ModeCroissance::Croissance3DT:
    default: // values beyond the named modes grow in 3D+T too
        grandir(voisinage4D, nbiterations);
        break;
    }
}
