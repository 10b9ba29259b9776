// stravol-extract: opens a parent folder as the window's "Ouvrir" does, extracts one object
// as a closed smoothed mesh and prints a JSON summary of it on stdout.
#include <sys/resource.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unordered_map>
#include <vector>

#include "mesh/CMaillageTriangleChRegion.h"
#include "mesh/ExportMaillage.h"
#include "volume/CImage3D.h"
#include "volume/CImageTroisD.h"
#include "volume/Sinks.h"

namespace fs = std::filesystem;

namespace {

const char* const kUsage =
    "usage: stravol-extract FOLDER (--seed X Y Z | --label L) [--source segmentation|image] "
    "[--output FILE.stl|.obj|.ply] [--smooth N] [--param \"NAME=VALUE\"]... [--evolve N]";

struct Options {
    std::string dossier;
    bool avecGerme = false;
    int germe[3] = {0, 0, 0};
    bool avecLabel = false;
    int label = 0;
    std::string source; // empty: the segmentation when there is one, else the image
    std::string sortie;
    int lissages = 10;
    // Deformable-model parameters of the mesh, as "NAME=VALUE", in the order given.
    std::vector<std::string> parametres;
    int iterations = 0;
};

// One line on stderr and exit status 2: the tool's answer to every unusable request.
[[noreturn]] void echouer(const std::string& texte) {
    std::fprintf(stderr, "stravol-extract: %s\n", texte.c_str());
    std::exit(2);
}

bool lireEntier(const char* texte, int& valeur) {
    char* fin = nullptr;
    errno = 0;
    const long v = std::strtol(texte, &fin, 10);
    if (fin == texte || *fin != '\0' || errno != 0 || v < -2147483647L || v > 2147483647L)
        return false;
    valeur = static_cast<int>(v);
    return true;
}

Options lireOptions(int argc, char** argv) {
    Options o;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        auto suivant = [&](const char* nom) -> const char* {
            if (i + 1 >= argc)
                echouer(std::string(nom) + " needs a value");
            return argv[++i];
        };
        if (a == "--seed") {
            for (int k = 0; k < 3; ++k)
                if (!lireEntier(suivant("--seed"), o.germe[k]))
                    echouer("--seed needs three integers X Y Z");
            o.avecGerme = true;
        } else if (a == "--label") {
            if (!lireEntier(suivant("--label"), o.label) || o.label < 0 || o.label > 255)
                echouer("--label needs a grey level from 0 to 255");
            o.avecLabel = true;
        } else if (a == "--source") {
            o.source = suivant("--source");
            if (o.source != "segmentation" && o.source != "image")
                echouer("--source is segmentation or image");
        } else if (a == "--output") {
            o.sortie = suivant("--output");
        } else if (a == "--param") {
            const std::string p = suivant("--param");
            if (p.find('=') == std::string::npos)
                echouer("--param needs NAME=VALUE");
            o.parametres.push_back(p);
        } else if (a == "--evolve") {
            if (!lireEntier(suivant("--evolve"), o.iterations) || o.iterations < 0)
                echouer("--evolve needs a non-negative iteration count");
        } else if (a == "--smooth") {
            if (!lireEntier(suivant("--smooth"), o.lissages) || o.lissages < 0)
                echouer("--smooth needs a non-negative round count");
        } else if (!a.empty() && a[0] == '-') {
            echouer("unknown option " + a + "\n" + kUsage);
        } else if (o.dossier.empty()) {
            o.dossier = a;
        } else {
            echouer("more than one folder given\n" + std::string(kUsage));
        }
    }
    if (o.dossier.empty())
        echouer(std::string("no folder given\n") + kUsage);
    if (o.avecGerme == o.avecLabel)
        echouer(std::string("give either --seed or --label\n") + kUsage);
    if (!o.sortie.empty()) {
        std::string ext = fs::path(o.sortie).extension().string();
        std::transform(ext.begin(), ext.end(), ext.begin(),
                       [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        if (ext != ".stl" && ext != ".obj" && ext != ".ply")
            echouer("the output file must end in .stl, .obj or .ply");
        // Refused before the work starts; the writer itself fails cleanly on anything later.
        std::error_code erreur;
        const fs::path parent = fs::path(o.sortie).parent_path();
        if (!fs::is_directory(parent.empty() ? fs::path(".") : parent, erreur) ||
            fs::is_directory(o.sortie, erreur))
            echouer("cannot write " + o.sortie);
    }
    return o;
}

std::string minuscules(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return s;
}

// Sub-folders of the parent folder, in case-insensitive name order.
std::vector<std::string> sousDossiers(const std::string& parent) {
    std::vector<std::string> noms;
    std::error_code erreur;
    for (fs::directory_iterator it(parent, erreur), fin; !erreur && it != fin; it.increment(erreur))
        if (it->is_directory(erreur))
            noms.push_back(it->path().filename().string());
    if (erreur)
        echouer("cannot list the folder " + parent + ": " + erreur.message());
    std::sort(noms.begin(), noms.end(), [](const std::string& a, const std::string& b) {
        const std::string la = minuscules(a), lb = minuscules(b);
        return la != lb ? la < lb : a < b;
    });
    return noms;
}

// Keeps the first loading message for the failure report.
class Messages : public MessageSink {
public:
    void afficher(const std::string& texte) override {
        if (premier.empty())
            premier = texte;
    }
    std::string premier;
};

struct Controle {
    bool ferme = true;
    int irreguliers = 0;
};

// Closed: every edge is shared by exactly two triangles. Irregular: rings failing the ring
// check of the mesh.
Controle controler(CMaillageTriangleChRegion& m) {
    Controle c;
    std::unordered_map<const CSommetChRegion*, int> numeros;
    numeros.reserve(static_cast<std::size_t>(m.nbSommets) * 2);
    int n = 0;
    for (CSommetChRegion* v = m.premierSommet; v != nullptr; v = v->suivant) {
        numeros[v] = n++;
        if (!m.verifierVoisins(v))
            ++c.irreguliers;
    }
    std::vector<unsigned long long> aretes;
    aretes.reserve(static_cast<std::size_t>(m.nbTriangles) * 3);
    for (CTriangleChRegion* t = m.premierTriangle; t != nullptr; t = t->suivant) {
        const CSommetChRegion* coins[3] = {t->a, t->b, t->c};
        for (int k = 0; k < 3; ++k) {
            const auto i = numeros.find(coins[k]);
            const auto j = numeros.find(coins[(k + 1) % 3]);
            if (i == numeros.end() || j == numeros.end()) {
                c.ferme = false;
                continue;
            }
            const unsigned long long a = static_cast<unsigned>(std::min(i->second, j->second));
            const unsigned long long b = static_cast<unsigned>(std::max(i->second, j->second));
            aretes.push_back(a << 32 | b);
        }
    }
    std::sort(aretes.begin(), aretes.end());
    for (std::size_t i = 0; i < aretes.size();) {
        std::size_t j = i;
        while (j < aretes.size() && aretes[j] == aretes[i])
            ++j;
        if (j - i != 2)
            c.ferme = false;
        i = j;
    }
    if (m.nbTriangles == 0)
        c.ferme = false;
    return c;
}

bool lireReel(const std::string& texte, double& valeur) {
    char* fin = nullptr;
    errno = 0;
    valeur = std::strtod(texte.c_str(), &fin);
    return fin != texte.c_str() && *fin == '\0' && errno == 0 && std::isfinite(valeur);
}

bool lireBooleen(const std::string& texte, bool& valeur) {
    const std::string t = minuscules(texte);
    if (t == "1" || t == "true" || t == "oui")
        valeur = true;
    else if (t == "0" || t == "false" || t == "non")
        valeur = false;
    else
        return false;
    return true;
}

// Sets "NAME=VALUE" on any deformable model, through its parameter interface only: the name
// is looked up among the float, int, bool and enumeration parameters the model reports, and
// the value must lie in the range the model gives (enumerations: an index or a value name).
void appliquerParametre(CDeformableModelBase& modele, const std::string& texte) {
    const std::size_t egal = texte.rfind('=');
    const std::string nom = texte.substr(0, egal), valeur = texte.substr(egal + 1);
    const auto refuser = [&](const std::string& pourquoi) {
        echouer("--param \"" + texte + "\": " + pourquoi);
    };
    for (int i = 0; i < modele.GetParameterFloatNumber(); ++i) {
        if (nom != modele.GetParameterFloatName(i).c_str())
            continue;
        double v = 0.0;
        const double bas = modele.GetParameterFloatMin(i), haut = modele.GetParameterFloatMax(i);
        if (!lireReel(valeur, v) || v < bas || v > haut)
            refuser("the value must be a number from " + std::to_string(bas) + " to " +
                    std::to_string(haut));
        modele.SetParameterFloatValue(i, static_cast<float>(v));
        return;
    }
    for (int i = 0; i < modele.GetParameterIntNumber(); ++i) {
        if (nom != modele.GetParameterIntName(i).c_str())
            continue;
        int v = 0;
        const int bas = modele.GetParameterIntMin(i), haut = modele.GetParameterIntMax(i);
        if (!lireEntier(valeur.c_str(), v) || v < bas || v > haut)
            refuser("the value must be an integer from " + std::to_string(bas) + " to " +
                    std::to_string(haut));
        modele.SetParameterIntValue(i, v);
        if (modele.GetParameterIntValue(i) != v)
            refuser("the model refuses this value");
        return;
    }
    for (int i = 0; i < modele.GetParameterBoolNumber(); ++i) {
        if (nom != modele.GetParameterBoolName(i).c_str())
            continue;
        bool v = false;
        if (!lireBooleen(valeur, v))
            refuser("the value must be true or false");
        modele.SetParameterBoolValue(i, v);
        return;
    }
    for (int i = 0; i < modele.GetParameterEnumNumber(); ++i) {
        if (nom != modele.GetParameterEnumName(i).c_str())
            continue;
        const CVecteur<Chaine> noms = modele.GetParameterEnumValueNames(i);
        int v = -1;
        for (int k = 0; k < noms.taille && v < 0; ++k)
            if (valeur == noms[k].c_str())
                v = k;
        if (v < 0 && (!lireEntier(valeur.c_str(), v) || v < 0 || v >= noms.taille))
            refuser("the value must name one of the " + std::to_string(noms.taille) + " values");
        modele.SetParameterEnumValue(i, v);
        return;
    }
    refuser("the model has no parameter of that name");
}

double picMemoireMo() {
    rusage r{};
    getrusage(RUSAGE_SELF, &r);
    return static_cast<double>(r.ru_maxrss) / 1024.0;
}

} // namespace

int main(int argc, char** argv) {
    const Options o = lireOptions(argc, argv);
    {
        // Names and values are checked before the work starts.
        CMaillageTriangleChRegion essai;
        for (const std::string& p : o.parametres)
            appliquerParametre(essai, p);
    }
    std::error_code erreur;
    if (!fs::is_directory(o.dossier, erreur))
        echouer("no such folder: " + o.dossier);

    const auto t0 = std::chrono::steady_clock::now();
    const std::vector<std::string> dossiers = sousDossiers(o.dossier);
    if (dossiers.empty())
        echouer("the folder " + o.dossier + " holds no volume sub-folder");
    const std::string chemin = fs::current_path(erreur).string();
    Messages messages;
    CImageTroisD volume(chemin, o.dossier + "/" + dossiers[0], nullptr, &messages);
    if (volume.largeur <= 0 || volume.hauteur <= 0 || volume.profondeur <= 0)
        echouer("no slice could be read from " + o.dossier + "/" + dossiers[0] +
                (messages.premier.empty() ? "" : ": " + messages.premier));
    for (std::size_t i = 1; i < dossiers.size(); ++i)
        volume.ChargerSeg(o.dossier + "/" + dossiers[i], nullptr);
    const double tempsChargement =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();

    const bool segmentation =
        o.source == "segmentation" || (o.source.empty() && volume.imageSegmente != nullptr);
    if (segmentation && volume.imageSegmente == nullptr)
        echouer("the folder " + o.dossier + " holds no segmentation");
    volume.CopierImageCourante(segmentation ? 4 : 0);

    const int W = volume.largeur, H = volume.hauteur, D = volume.profondeur;
    int x = o.germe[0], y = o.germe[1], z = o.germe[2];
    if (o.avecLabel) {
        bool trouve = false;
        for (int k = 1; k < D - 1 && !trouve; ++k)
            for (int j = 1; j < H - 1 && !trouve; ++j)
                for (int i = 1; i < W - 1 && !trouve; ++i)
                    if (volume.getVoxelImage(i, j, k) == o.label) {
                        x = i, y = j, z = k;
                        trouve = true;
                    }
        if (!trouve)
            echouer("no voxel of label " + std::to_string(o.label) + " inside the volume");
    } else if (x < 0 || x >= W || y < 0 || y >= H || z < 0 || z >= D) {
        echouer("the seed lies outside the volume of " + std::to_string(W) + " x " +
                std::to_string(H) + " x " + std::to_string(D) + " voxels");
    }

    volume.CroissanceDeRegion(x, y, z, o.lissages);
    const Stravol::BilanExtraction& b = volume.bilanExtraction;
    if (!b.effectuee || !volume.maillage)
        echouer("the extraction failed");
    CMaillageTriangleChRegion& m = *volume.maillage;

    // The evolution reads the grey volume; the model is driven through its base interface only.
    std::string evolution;
    CImage3D gris;
    if (!o.parametres.empty() || o.iterations > 0) {
        // The copy fills only a volume of the same size: size it before copying the grey voxels.
        if (!gris.Create(volume.largeur, volume.hauteur, volume.profondeur))
            echouer("not enough memory for the grey volume of the evolution");
        volume.CopierImageCourante(0);
        volume.CimageTroisDtoCimage3D(gris);
        m.initialiserImages(&gris, &gris);
        CDeformableModelBase& modele = m;
        for (const std::string& p : o.parametres)
            appliquerParametre(modele, p);
        const auto debut = std::chrono::steady_clock::now();
        modele.Evolve(o.iterations);
        const double duree =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - debut).count();
        char texte[200];
        std::snprintf(texte, sizeof texte,
                      ", \"evolution\": {\"iterations\": %d, \"vertices\": %d, \"triangles\": %d, "
                      "\"seconds\": %.6f}",
                      o.iterations, m.nbSommets, m.nbTriangles, duree);
        evolution = texte;
    }
    if (!o.sortie.empty() && !exporterMaillage(m, o.sortie.c_str()))
        echouer("cannot write " + o.sortie);
    const Controle c = controler(m);

    const double extraction = b.tempsCroissance + b.tempsRegion + b.tempsReparation +
                              b.tempsMaillage + b.tempsLissage + b.tempsNormales;
    std::printf("{\"dimensions\": [%d, %d, %d], \"seed\": [%d, %d, %d], \"seed_value\": %d, "
                "\"source\": \"%s\", \"voxels_grown\": %d, \"voxels_region\": %d, "
                "\"voxels_repaired\": %d, \"vertices\": %d, \"triangles\": %d, \"closed\": %s, "
                "\"irregular_vertices\": %d, \"seconds\": {\"load\": %.6f, \"growth\": %.6f, "
                "\"region\": %.6f, \"repair\": %.6f, \"mesh\": %.6f, \"smoothing\": %.6f, "
                "\"normals\": %.6f, \"extraction\": %.6f}%s, \"peak_rss_mb\": %.1f}\n",
                W, H, D, x, y, z, b.valeurGerme, segmentation ? "segmentation" : "image",
                b.nbVoxelsCroissance, b.nbVoxelsRegion, b.nbVoxelsRepares, m.nbSommets,
                m.nbTriangles, c.ferme ? "true" : "false", c.irreguliers, tempsChargement,
                b.tempsCroissance, b.tempsRegion, b.tempsReparation, b.tempsMaillage,
                b.tempsLissage, b.tempsNormales, extraction, evolution.c_str(), picMemoireMo());
    return 0;
}
