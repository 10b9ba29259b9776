#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "core/CListe.h"
#include "core/CListeChainee.h"
#include "core/CListeSimple.h"
#include "core/CPoint3D.h"
#include "core/CVecteur.h"
#include "core/Chaine.h"
#include "core/Tuples.h"
#include "mesh/ReserveObjets.h"
#include "region/CDeformableModelBase.h"
#include "region/CRegionMultiresolution2D3DT.h"

class CImage3D;
class CRegion3D;
class CTriangleChRegion;

// The energy terms of a vertex's last evolution step, indexed 0 .. taille - 1. Storage is taken
// on the first non-const access, so that vertices never evolved carry none; until then every
// term reads 0.
class EnergiesSommet {
public:
    static constexpr int taille = 7;
    float& operator[](int i) {
        if (!valeurs)
            valeurs = std::make_unique<float[]>(taille);
        return valeurs[i];
    }
    float operator[](int i) const { return valeurs ? valeurs[i] : 0.0f; }

private:
    std::unique_ptr<float[]> valeurs;
};

// Mesh vertex. It is a point (its position, in voxel coordinates) followed by its
// attributes. Invariant within a mesh: `voisins` is in angular order around the vertex
// (consecutive entries, cyclically, are neighbours of each other) and `triangles[k]` has
// corners this, voisins[k], voisins[(k+1) mod n]. Both rings hold at most 24 entries; a
// vertex made by the default constructor keeps them in one block of a shared reserve, first a
// block of CAPACITE_ANNEAU_INITIALE entries a ring, exchanged for one of CAPACITE_ANNEAU
// entries when either ring, full, is added to.
class CSommetChRegion : public CPoint3D {
public:
    static constexpr int CAPACITE_ANNEAU = 24;
    static constexpr int CAPACITE_ANNEAU_INITIALE = 8;
    static constexpr int NB_ENERGIES = EnergiesSommet::taille;

    CSommetChRegion();
    CSommetChRegion(const CSommetChRegion& s);
    ~CSommetChRegion();
    // Copies position, normale, vecteur0, vecteur1, marque1, marque2 and actif; clears the
    // list links; leaves both rings as they are.
    CSommetChRegion& operator=(const CSommetChRegion& s);

    // Six lines of inspection text: position, energies, ring addresses, normal, vecteur1.
    CVecteur<Chaine> infos() const;

    static void* operator new(std::size_t);
    static void operator delete(void* p);

    CPoint3D normale;
    CPoint3D vecteur0;
    CPoint3D vecteur1;
    // Scratch number, written by the copy, the smoothing, the drawing and the whole-mesh check
    // (of a mesh it only reads) for their own use; nothing keeps it from one to the next.
    mutable int indice = 0;
    // The flags share the first cache line with the position and the normal, which the passes
    // over the triangles read together.
    bool marque1 = false;
    bool marque2 = false;
    bool actif = true;
    bool enListeActive = true;
    CListeSimple<CSommetChRegion*> voisins;
    CListeSimple<CTriangleChRegion*> triangles;
    CSommetChRegion* suivant = nullptr;
    CSommetChRegion* precedent = nullptr;
    EnergiesSommet energie;
    CListeChainee<CPoint3D> trajectoire;
    CPoint3D pointSquelette;
    bool squeletteTrouve = false;
    CTriangleChRegion* noeudSquelette = nullptr;
    CListeChainee<CSommetChRegion*>::CElementChaine* elementActif = nullptr;

private:
    // The rings' extension: moves both rings into a block of CAPACITE_ANNEAU entries a ring.
    static void agrandirAnneaux(void* sommet);

    // The block of both rings' storage taken by the default constructor, or null.
    void* zoneAnneaux = nullptr;
    // Whether zoneAnneaux is the large block.
    bool anneauxLarges = false;
};

// Mesh triangle. `normale` is, once computed, the unit normal pointing out of the region;
// `orientation` (+1 or -1) is the sign turning the corner-order normal (b-a)x(c-a) into it.
class CTriangleChRegion {
public:
    CTriangleChRegion() = default;
    CTriangleChRegion(CSommetChRegion* a, CSommetChRegion* b, CSommetChRegion* c);
    // Copies normal, corners and orientation; starts with empty links and skeleton set.
    CTriangleChRegion(const CTriangleChRegion& t);
    CTriangleChRegion& operator=(const CTriangleChRegion&) = delete;
    ~CTriangleChRegion() = default;

    static void* operator new(std::size_t);
    static void operator delete(void* p);

    // True when v is one of the three corners.
    bool aPourSommet(const CSommetChRegion* v) const { return a == v || b == v || c == v; }

    float normale[3] = {0.0f, 0.0f, 0.0f};
    CSommetChRegion* a = nullptr;
    CSommetChRegion* b = nullptr;
    CSommetChRegion* c = nullptr;
    int orientation = 0;
    int indice = 0;
    CTriangleChRegion* suivant = nullptr;
    CTriangleChRegion* precedent = nullptr;
    // Vertices attached to this triangle while it serves as a skeleton node.
    CEnsembleDiffere<CSommetChRegion*, 100> sommetsSquelette;
};

// The faces of a region's voxels on its surface, one mask a voxel of its border list: bit d
// set when the neighbour towards CRegion3D::voisinage[d] is outside the region, kDansBoite
// when the voxel lies within the bounding box and the grid (a listed voxel elsewhere cannot
// be a region voxel).
struct FacesRegion {
    static constexpr std::uint8_t kDansBoite = 1u << 6;
    std::vector<std::uint8_t> masques;
};
// Read off the grid on all threads.
FacesRegion facesAuBord(const CRegion3D& region);

// Closed triangle mesh around a voxel region, in voxel coordinates, and a deformable model.
// It owns its vertices and triangles through two intrusive doubly linked lists; rings, the
// active list and skeleton sets hold non-owning pointers. The two volumes are borrowed.
// Invariants: nbSommets and nbTriangles equal the list lengths; every corner of a listed
// triangle is a listed vertex; a vertex is in sommetsActifs exactly when its enListeActive
// is true, and its elementActif is then its node there.
class CMaillageTriangleChRegion final : public CDeformableModelBase {
public:
    CMaillageTriangleChRegion();
    // Copying a mesh by construction is forbidden: the copy is left empty after asking the
    // user whether to go on; "no" ends the process with exit code -1.
    CMaillageTriangleChRegion(const CMaillageTriangleChRegion& m);
    ~CMaillageTriangleChRegion();
    // Deep copy of the settings, the vertices, the triangles and the rings.
    CMaillageTriangleChRegion& operator=(const CMaillageTriangleChRegion& m);

    // Destroys every vertex and triangle and empties the active list that referred to them;
    // clears centre, radius and histograms.
    void vider();
    void initialiserImages(CImage3D* image, CImage3D* evolution);
    // Mean of the vertex positions; requires at least one vertex.
    CPoint3D centreGravite() const;
    // Moves every vertex onto the sphere of radius r around centre.
    void setRayon(float r);

    // Builds the surface of the union of the region's voxel cubes, scaled by echelle: the
    // corner offset c of voxel p is placed at (p + c) * echelle - 0.5 on each axis. Replaces
    // any previous surface; orders the rings, fills the active list, computes the normals.
    bool creerMaillageTriangleChRegion2(const CRegion3D& region, int echelle);
    // The same from the region's faces on the surface (facesAuBord), without reading its grid:
    // only its border list, voxel count and bounding box, which must be those the faces were
    // taken from. The grid may be released in between.
    bool creerMaillageTriangleChRegion2(const CRegion3D& region, const FacesRegion& faces,
                                        int echelle);

    // n rounds of Taubin smoothing (a shrinking pass of factor 0.5, then an inflating pass of
    // factor -0.5, on the uniform umbrella vector). Leaves the normals stale.
    void lisserCourbureTaubin(int n);
    // n rounds of volume-keeping smoothing bounded to the voxel band: each round is a step
    // down the bending energy (factor kPasContraint on the umbrella of the umbrella) from a
    // point extrapolated along the previous round's move (factor kInertieContraint), after
    // which every vertex is brought back into the box of +-kDemiBoite voxel around its position
    // at the call (a lattice corner after construction), so the surface stays between the
    // centres of the voxels inside and outside. A closed surface is then moved along its
    // normals to the volume it had at the call (kCorrectionsVolume times), still inside the
    // boxes. About 20 rounds flatten the terraces of large shapes. Leaves the normals stale.
    void lisserContraint(int n);
    static constexpr float kPasContraint = 0.45f;
    static constexpr float kInertieContraint = 0.85f;
    static constexpr int kCorrectionsVolume = 2;
    static constexpr float kDemiBoite = 0.5f;
    // Triangle normal from its corners, keeping the stored orientation.
    void calculerNormale(CTriangleChRegion* t);
    void calculerNormales();
    // Triangle normal from its corners, with the orientation that agrees with the mean of
    // its corners' vertex normals.
    void calculerNormale2(CTriangleChRegion* t);
    void calculerNormales2();
    // Vertex normal: normalised sum of its incident triangle normals.
    void calculerNormaleSommet(CSommetChRegion* v);
    // Vertex normals of the active list.
    void calculerNormalesSommets();

    // The vertex list as an array when the construction left it and the list has not changed
    // since (its length and ends agreeing), else null: a pass over every vertex then needs no
    // walk of the list.
    const std::vector<CSommetChRegion*>* listeSommetsConstruite() const;
    // The same for the triangle list.
    const std::vector<CTriangleChRegion*>* listeTrianglesConstruite() const;
    // Ring check of one vertex: triangles[k] spans v, voisins[k], voisins[k+1] (cyclically).
    // Passes when the two rings differ in length.
    bool verifierVoisins(const CSommetChRegion* v) const;
    // Whole-mesh consistency: list lengths and links, corners listed, every ring ordered and
    // mutually consistent, ring capacities, active list agreeing with enListeActive. On a
    // fault, returns false and, when rapport is given, describes the first one found.
    bool verifierCoherence(Chaine* rapport = nullptr) const;

    // Deformable-model parameters (floats, ints and bools). Every set operation reactivates
    // the whole mesh.
    float GetParameterFloatValue(int index) override;
    int GetParameterIntValue(int index) override;
    bool GetParameterBoolValue(int index) override;
    int GetParameterIntMin(int index) override;
    int GetParameterIntMax(int index) override;
    void SetParameterFloatValue(int index, float value) override;
    void SetParameterIntValue(int index, int value) override;
    void SetParameterBoolValue(int index, bool value) override;
    Chaine GetParameterFloatName(int index) override;
    Chaine GetParameterIntName(int index) override;
    Chaine GetParameterBoolName(int index) override;
    int GetParameterFloatNumber() override;
    int GetParameterIntNumber() override;
    int GetParameterBoolNumber() override;
    // Runs greedyGlobal on imageEvolution; does nothing before initialiserImages.
    void Evolve(int nbiterations) override;

    // Greedy evolution and image statistics. A vertex moves to its candidate of lowest energy
    // among those that turn none of its triangles over and fold none against a neighbour
    // where its own position does not. greedyGlobal returns the duration of the whole
    // call in microseconds.
    unsigned int greedyGlobal(CImage3D* volume, int nbIterations);
    // Candidate offsets of the evolution for a grid of side dimension (odd): (dx, dy, dz) from
    // -(dimension/2) to +(dimension/2), dx fastest, then entries 0 and count/2 exchanged so that
    // entry 0 is the vertex's own position. Units of DEFAULT_NEIGHBOR_STEP.
    static CVecteur<CTriplet<int>> decalagesVoisinage(int dimension);
    float diffgradEnergyBresenham(CTriplet<int> depart, CTriplet<int>* arrivees, int nb,
                                  CImage3D* volume);
    void recalculerHistogrammes();
    void recalculerHistogrammesBandes();
    void calculerMoyenneEcarttype();

    // Vertex split, merge and skeleton tracking. Both walkers end by refreshing every triangle
    // normal with its orientation kept: split and merge leave every triangle's winding
    // consistent with its neighbours'.
    void greedySeparateurNormeInfinie();
    // Whether separer(a, b) would split the edge: a and b neighbours with rings of equal
    // lengths, the opposite vertices o1 and o2 distinct and seeing a and b consecutively with
    // room in their rings, b seeing both triangles of the edge, and the four triangles the
    // split leaves meeting their neighbours without a fold (normals more than 90 degrees
    // apart), a triangle without area or a broken winding. Changes nothing.
    bool peutSeparer(CSommetChRegion* a, CSommetChRegion* b) const;
    // Splits edge (a, b) at its middle when peutSeparer allows it; a broken neighbourhood
    // (a, b or an opposite vertex missing from a ring) first asks the user whether to go on,
    // "no" ending the process. False, the mesh unchanged, when refused.
    bool separer(CSommetChRegion* a, CSommetChRegion* b);
    void greedyFusionneurNormeInfinie();
    // Whether fusionner(a, b) would collapse b into a: rings that fit once merged, exactly two
    // common neighbours (the surface stays a manifold), opposite vertices keeping at least
    // four neighbours, both rings agreeing on the edge's two triangles, and no triangle moved
    // by the collapse turning over, losing its area, folding against a neighbour or breaking
    // the winding. Changes nothing.
    bool peutFusionner(CSommetChRegion* a, CSommetChRegion* b) const;
    // Collapses b into a, at the middle of the edge, when peutFusionner allows it; false, the
    // mesh unchanged, otherwise.
    bool fusionner(CSommetChRegion* a, CSommetChRegion* b);
    bool intersectionTriangle(const CPoint3D& origine, const CPoint3D& direction,
                              CTriangleChRegion* t, CPoint3D& point);
    bool intersectionTriangle(CSommetChRegion* v, CTriangleChRegion* t, CPoint3D& point);
    void intersectionTriangles(CSommetChRegion* v);
    void creerSquelette();

    // Drawing, in scene coordinates, on the current OpenGL context (GL target only).
    void dessinerOpenGL();
    void dessinerFaces();
    void dessinerFacesSmooth();
    void dessinerFil();
    void dessinerSommetsExplorateur();
    void dessinerNormales();
    void dessinerVecteurs();

    CSommetChRegion* premierSommet = nullptr;
    CSommetChRegion* dernierSommet = nullptr;
    int nbSommets = 0;
    CTriangleChRegion* premierTriangle = nullptr;
    CTriangleChRegion* dernierTriangle = nullptr;
    int nbTriangles = 0;
    CListeChainee<CSommetChRegion*> sommetsActifs;
    CPoint3D centre;
    float rayon = 0.0f;
    int ordreIcosaedre = 0;
    CImage3D* image = nullptr;
    CImage3D* imageEvolution = nullptr;
    float materielSpeculaire[4] = {1.0f, 1.0f, 1.0f, 1.0f};
    float materielDiffus[4] = {0.8f, 0.8f, 0.5f, 1.0f};
    float materielAmbiant[4] = {0.0f, 0.0f, 0.0f, 1.0f};
    float rayonSphere = 0.01f;
    CVecteur<float> energieMin;
    CVecteur<float> energieMax;
    CVecteur<float> energieMoyenne;
    CVecteur<float> energieEcartType;
    bool adaptationPoids = false;
    bool fusion = true;
    bool separation = true;
    bool pasSpatial = false;
    bool critereArret = true;
    bool squelette = false;
    bool afficherSommets = false;
    bool afficherFaces = false;
    bool afficherFacesLisses = true;
    bool afficherAretes = false;
    bool afficherNormales = false;
    bool afficherVecteurs = false;
    int compteur1 = 0;
    int compteur2 = 0;
    int pas = 8;
    CRegionMultiresolution2D3DT region;
    int nbPixelsLigneRegion = 10;
    float biaisRegion = 0.0f;
    CVecteur<float> histogramme1;
    CVecteur<float> histogramme2;
    CVecteur<float> histogramme3;
    CVecteur<float> histogramme4;
    float moyenneInterieur = 0.0f;
    float moyenneExterieur = 0.0f;
    float ecartTypeInterieur = 0.0f;
    float ecartTypeExterieur = 0.0f;

    // Class-wide evolution parameters, shared by all meshes.
    static float DEFAULT_ALPHA;
    static float DEFAULT_BETA;
    static float DEFAULT_GAMMA;
    static float DEFAULT_DELTA;
    static float DEFAULT_THETA;
    static float DEFAULT_LAMBDA1;
    static float DEFAULT_LAMBDA2;
    static float DEFAULT_NEIGHBOR_STEP;
    static int NEIGHBORDIM;
    // Bounds of NEIGHBORDIM: an iteration evaluates NEIGHBORDIM^3 candidates per vertex, so its
    // cost grows with the cube of the side (a few seconds for a 30,000-vertex mesh at the
    // largest).
    static constexpr int kVoisinageMin = 1;
    static constexpr int kVoisinageMax = 15;
    static int NEIGHBORHOOD;
    static float SEUIL_VEROUILLAGE;

private:
    // Destroys the vertices and triangles, empties both lists and the active list.
    void detruireSommetsTriangles();
    // The bool parameter of that index, or null beyond the count.
    bool* drapeau(int index);
    // Asks the user about a neighbourhood that separer cannot work on (b not in a's ring, a
    // not in b's or in an opposite vertex's ring); true when it asked.
    bool signalerVoisinageRompu(CSommetChRegion* a, CSommetChRegion* b);
    // Empties the active list, then marks every vertex active and appends it, in list order.
    void reactiverSommets();
    // Marks s active and appends it to the active list.
    void activerEnFin(CSommetChRegion* s);
    // Orders the neighbour ring of v angularly and rebuilds its triangle ring to match.
    void ordonnerAnneaux(CSommetChRegion* v);
    // After the construction: ordonnerAnneaux, then calculerNormaleSommet, on every vertex of
    // sommets (the vertex list, each vertex's indice its position there), on all threads for
    // a large mesh, with the result of a walk of the list.
    void ordonnerAnneauxEtNormales(const std::vector<CSommetChRegion*>& sommets);
    // List maintenance of the construction, split and merge: appending at the end, unlinking (head
    // and tail kept up to date); the counts follow.
    void ajouterSommetFin(CSommetChRegion* s);
    void ajouterTriangleFin(CTriangleChRegion* t);
    void retirerSommetListe(CSommetChRegion* s);
    void retirerTriangleListe(CTriangleChRegion* t);
    // Makes noeud the skeleton node of v (null detaches v); v is registered in the node's set,
    // and keeps no node when that set is full, so that a node always knows its vertices.
    static void attacherSquelette(CSommetChRegion* v, CTriangleChRegion* noeud);

    // The vertex and triangle lists in order as the construction made them; each emptied by
    // every change of its list the mesh makes (ajouterSommetFin, retirerSommetListe,
    // ajouterTriangleFin, retirerTriangleListe, detruireSommetsTriangles).
    std::vector<CSommetChRegion*> sommetsConstruits;
    std::vector<CTriangleChRegion*> trianglesConstruits;
};
