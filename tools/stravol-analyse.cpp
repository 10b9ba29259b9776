// stravol-analyse FOLDER --cube SIZE X Y Z [--binarise THRESHOLD]
// Opens FOLDER as the main window does (first sub-folder: the volume, further ones:
// segmentations; configuration from the current directory), optionally binarises the
// volume into imageNiBlack, runs the direction analysis of the cube (SIZE in 256ths of
// each side, X Y Z its position in scene coordinates -1 .. 1) and prints the results as
// one JSON object. Bad arguments or a block outside the volume: one line on stderr, exit 2.

#include "region/ComposanteConnexe.h"
#include "region/Cvecto.h"
#include "tools/common/Outil.h"
#include "volume/CImageTroisD.h"
#include "volume/Dossiers.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <memory>
#include <string>
#include <system_error>
#include <vector>

namespace fs = std::filesystem;
namespace outils = Stravol::Outils;

namespace {

const char* const kOutil = "stravol-analyse";

// Cube side in 256ths of each volume side, position in scene coordinates.
constexpr int kCubeMin = 3, kCubeMax = 256;
constexpr float kSceneMin = -1.0f, kSceneMax = 1.0f;
constexpr int kNiveauMax = 255;
// Significant digits of the printed reals.
constexpr int kChiffres = 9;

struct Options {
    std::string dossier;
    std::vector<std::string> cube; // SIZE X Y Z, checked by lireCube
    int seuil = 0;
    bool binarise = false;
    bool progression = false;
};

[[noreturn]] void echouer(const std::string& texte) { outils::refuser(kOutil, texte); }

bool lireEntier(const std::string& texte, long mini, long maxi, int& valeur) {
    errno = 0;
    char* fin = nullptr;
    const long v = std::strtol(texte.c_str(), &fin, 10);
    if (errno != 0 || fin == texte.c_str() || *fin != '\0' || v < mini || v > maxi)
        return false;
    valeur = static_cast<int>(v);
    return true;
}

bool lireReel(const std::string& texte, float& valeur) {
    errno = 0;
    char* fin = nullptr;
    const double v = std::strtod(texte.c_str(), &fin);
    if (errno != 0 || fin == texte.c_str() || *fin != '\0' || !std::isfinite(v))
        return false;
    valeur = static_cast<float>(v);
    return true;
}

struct Cube {
    int taille = 0;
    float x = 0, y = 0, z = 0;
};

Cube lireCube(const std::vector<std::string>& texte) {
    Cube c;
    if (!lireEntier(texte[0], kCubeMin, kCubeMax, c.taille))
        echouer("cube SIZE must be an integer from 3 to 256, got '" + texte[0] + "'");
    float* p[3] = {&c.x, &c.y, &c.z};
    for (int k = 0; k < 3; ++k)
        if (!lireReel(texte[1 + k], *p[k]) || *p[k] < kSceneMin || *p[k] > kSceneMax)
            echouer("cube position must be a number from -1 to 1, got '" + texte[1 + k] + "'");
    return c;
}

// Loading problems are the user's: they go to stderr.
class MessagesVersErreur : public MessageSink {
public:
    void afficher(const std::string& texte) override { std::cerr << texte << "\n"; }
};

template <typename Tableau> nlohmann::ordered_json liste(const Tableau& valeurs) {
    nlohmann::ordered_json l = nlohmann::ordered_json::array();
    for (const auto& v : valeurs)
        l.push_back(v);
    return l;
}

} // namespace

int main(int argc, char** argv) {
    outils::finirSurManqueDeMemoire(kOutil);
    outils::garderMemoireLiberee();
    Options o;
    CLI::App app("Runs the direction analysis of a cube of a parent folder of slices and prints "
                 "its results as one JSON object.",
                 kOutil);
    app.add_option("FOLDER", o.dossier, "parent folder: the volume, then segmentations")
        ->required();
    app.add_option("--cube", o.cube,
                   "cube SIZE in 256ths of each side (3 to 256) and its position X Y Z in scene "
                   "coordinates (-1 to 1)")
        ->expected(4)
        ->type_name("SIZE X Y Z")
        ->required();
    CLI::Option* binarise =
        app.add_option("--binarise", o.seuil, "binarise the volume above THRESHOLD first")
            ->type_name("THRESHOLD")
            ->check(CLI::Range(0, kNiveauMax));
    app.add_flag("--progress", o.progression, "stage names and fractions on stderr");
    outils::lireArguments(app, argc, argv);
    o.binarise = binarise->count() > 0;
    const Cube cube = lireCube(o.cube);
    outils::Progression progression(kOutil, o.progression);

    std::vector<std::string> dossiers;
    std::string erreur;
    if (!Stravol::listerDossier(o.dossier, Stravol::GenreEntree::Dossier, "", dossiers, erreur))
        echouer("cannot list folder '" + o.dossier + "': " + erreur);
    if (dossiers.empty())
        echouer("folder '" + o.dossier + "' holds no sub-folder with a volume");

    std::error_code ec;
    const fs::path depart = fs::current_path(ec);
    if (ec)
        echouer("cannot read the current directory: " + ec.message());
    MessagesVersErreur messages;
    const std::string premier = (fs::path(o.dossier) / dossiers[0]).string();
    progression.etape("load");
    auto volume = std::make_unique<CImageTroisD>(depart.string(), premier, &progression, &messages);
    progression.terminer();
    for (size_t i = 1; i < dossiers.size(); ++i) {
        progression.etape("segmentation");
        volume->ChargerSeg((fs::path(o.dossier) / dossiers[i]).string(), &progression);
        progression.terminer();
    }
    if (volume->getLargeur() <= 0 || !volume->image)
        echouer("no slice picture in '" + premier + "'");

    if (o.binarise) {
        const size_t n =
            static_cast<size_t>(volume->largeur) * volume->hauteur * volume->profondeur;
        volume->imageNiBlack = std::make_unique<unsigned char[]>(n);
        for (size_t i = 0; i < n; ++i)
            volume->imageNiBlack[i] = volume->image[i] > o.seuil ? 255 : 0;
    }

    progression.etape("analysis");
    volume->AnalyseCube(cube.taille, cube.x, cube.y, cube.z);
    if (volume->rose.empty())
        echouer("the cube lies outside the volume of " + std::to_string(volume->largeur) + " x " +
                std::to_string(volume->hauteur) + " x " + std::to_string(volume->profondeur) +
                " voxels");
    progression.terminer();

    nlohmann::ordered_json json;
    json["indColor"] = liste(volume->indColor);
    json["tabdir"] = liste(volume->tabdir);
    json["MoyRose"] = outils::reelJson(volume->MoyRose, kChiffres);
    json["DirMaxRose"] = outils::reelJson(volume->DirMaxRose, kChiffres);
    json["valMaxRose"] = outils::reelJson(volume->valMaxRose, kChiffres);
    json["CoeffDirection"] = outils::reelJson(volume->CoeffDirection, kChiffres);
    if (volume->compCC) {
        const ComposanteConnexe& cc = *volume->compCC;
        json["nbCC"] = cc.getNbCC();
        json["moyCompCC"] = outils::reelJson(cc.getMoyCompCC(), kChiffres);
        json["varCompCC"] = outils::reelJson(cc.getVarCompCC(), kChiffres);
        json["moyAireCC"] = outils::reelJson(cc.getMoyAireCC(), kChiffres);
    }
    std::cout << outils::texteJson(json, outils::MiseEnPageJson::Serree) << "\n";
    return 0;
}
