#include "mesh/CMaillageTriangleChRegion.h"

namespace {

const char* const nomsFloat[] = {
    "Continuité (alpha)", "Courbure (beta)", "Gradient (gamma)", "Ballon (delta)",
    "Region (theta)",     "Lambda1",         "Lambda2",          "Pas de voisinage",
    "Biais région"};
const char* const nomsInt[] = {"Voisinage", "Ordre icosaèdre", "Nb pixels ligne région"};
const char* const nomsBool[] = {"Adaptation des poids",    "Fusion des sommets",
                                "Séparation des sommets",  "Pas spatial",
                                "Estimation du squelette", "Affichage des sommets",
                                "Affichage des faces",     "Affichage des faces (lisse)",
                                "Affichage des aretes",    "Affichage des normales",
                                "Affichage des vecteurs"};

template <typename T, int N> constexpr int nombre(const T (&)[N]) { return N; }

// Indices beyond the count name nothing.
template <int N> Chaine nom(const char* const (&noms)[N], int index) {
    return index >= 0 && index < N ? Chaine(noms[index]) : Chaine();
}

} // namespace

int CMaillageTriangleChRegion::GetParameterFloatNumber() { return nombre(nomsFloat); }
int CMaillageTriangleChRegion::GetParameterIntNumber() { return nombre(nomsInt); }
int CMaillageTriangleChRegion::GetParameterBoolNumber() { return nombre(nomsBool); }

Chaine CMaillageTriangleChRegion::GetParameterFloatName(int index) { return nom(nomsFloat, index); }
Chaine CMaillageTriangleChRegion::GetParameterIntName(int index) { return nom(nomsInt, index); }
Chaine CMaillageTriangleChRegion::GetParameterBoolName(int index) { return nom(nomsBool, index); }

float CMaillageTriangleChRegion::GetParameterFloatValue(int index) {
    switch (index) {
    case 0:
        return DEFAULT_ALPHA;
    case 1:
        return DEFAULT_BETA;
    case 2:
        return DEFAULT_GAMMA;
    case 3:
        return DEFAULT_DELTA;
    case 4:
        return DEFAULT_THETA;
    case 5:
        return DEFAULT_LAMBDA1;
    case 6:
        return DEFAULT_LAMBDA2;
    case 7:
        return DEFAULT_NEIGHBOR_STEP;
    case 8:
        return biaisRegion;
    default:
        return 0.0f;
    }
}

void CMaillageTriangleChRegion::SetParameterFloatValue(int index, float value) {
    switch (index) {
    case 0:
        DEFAULT_ALPHA = value;
        break;
    case 1:
        DEFAULT_BETA = value;
        break;
    case 2:
        DEFAULT_GAMMA = value;
        break;
    case 3:
        DEFAULT_DELTA = value;
        break;
    case 4:
        DEFAULT_THETA = value;
        break;
    case 5:
        DEFAULT_LAMBDA1 = value;
        break;
    case 6:
        DEFAULT_LAMBDA2 = value;
        break;
    case 7:
        DEFAULT_NEIGHBOR_STEP = value;
        break;
    case 8:
        biaisRegion = value;
        break;
    default:
        break;
    }
    reactiverSommets();
}

int CMaillageTriangleChRegion::GetParameterIntValue(int index) {
    switch (index) {
    case 0:
        return NEIGHBORDIM;
    case 1:
        return ordreIcosaedre;
    case 2:
        return nbPixelsLigneRegion;
    default:
        return 0;
    }
}

void CMaillageTriangleChRegion::SetParameterIntValue(int index, int value) {
    switch (index) {
    case 0:
        // The candidate grid has NEIGHBORDIM^3 points only for an odd side: other values, and
        // sides out of the published range, are refused and change nothing.
        if (value < kVoisinageMin || value > kVoisinageMax || value % 2 == 0)
            return;
        NEIGHBORDIM = value;
        NEIGHBORHOOD = value * value * value;
        break;
    case 1:
        ordreIcosaedre = value;
        break;
    case 2:
        nbPixelsLigneRegion = value;
        break;
    default:
        break;
    }
    reactiverSommets();
}

int CMaillageTriangleChRegion::GetParameterIntMin(int index) {
    return index == 0 ? kVoisinageMin : CDeformableModelBase::GetParameterIntMin(index);
}

int CMaillageTriangleChRegion::GetParameterIntMax(int index) {
    return index == 0 ? kVoisinageMax : CDeformableModelBase::GetParameterIntMax(index);
}

bool* CMaillageTriangleChRegion::drapeau(int index) {
    bool* const drapeaux[] = {
        &adaptationPoids, &fusion,           &separation,      &pasSpatial,
        &squelette,       &afficherSommets,  &afficherFaces,   &afficherFacesLisses,
        &afficherAretes,  &afficherNormales, &afficherVecteurs};
    return index >= 0 && index < nombre(drapeaux) ? drapeaux[index] : nullptr;
}

bool CMaillageTriangleChRegion::GetParameterBoolValue(int index) {
    const bool* d = drapeau(index);
    return d != nullptr && *d;
}

void CMaillageTriangleChRegion::SetParameterBoolValue(int index, bool value) {
    if (bool* d = drapeau(index))
        *d = value;
    reactiverSommets();
}
