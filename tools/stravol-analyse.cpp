// stravol-analyse FOLDER --cube SIZE X Y Z [--binarise THRESHOLD]
// Opens FOLDER as the main window does (first sub-folder: the volume, further ones:
// segmentations; configuration from the current directory), optionally binarises the
// volume into imageNiBlack, runs the direction analysis of the cube (SIZE in 256ths of
// each side, X Y Z its position in scene coordinates -1 .. 1) and prints the results as
// one JSON object. Bad arguments or a block outside the volume: one line on stderr, exit 2.

#include "region/ComposanteConnexe.h"
#include "region/Cvecto.h"
#include "volume/CImageTroisD.h"

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

namespace {

int echec(const std::string& texte) {
    std::cerr << "stravol-analyse: " << texte << "\n";
    return 2;
}

bool lireEntier(const char* texte, long mini, long maxi, int& valeur) {
    errno = 0;
    char* fin = nullptr;
    const long v = std::strtol(texte, &fin, 10);
    if (errno != 0 || fin == texte || *fin != '\0' || v < mini || v > maxi)
        return false;
    valeur = static_cast<int>(v);
    return true;
}

bool lireReel(const char* texte, float& valeur) {
    errno = 0;
    char* fin = nullptr;
    const double v = std::strtod(texte, &fin);
    if (errno != 0 || fin == texte || *fin != '\0' || !std::isfinite(v))
        return false;
    valeur = static_cast<float>(v);
    return true;
}

std::string minuscules(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return s;
}

// Sub-folders of dossier, sorted by name regardless of letter case.
bool sousDossiers(const fs::path& dossier, std::vector<fs::path>& liste, std::string& erreur) {
    std::error_code ec;
    fs::directory_iterator it(dossier, ec);
    if (ec) {
        erreur = ec.message();
        return false;
    }
    for (const fs::directory_entry& e : it) {
        std::error_code ec2;
        if (e.is_directory(ec2))
            liste.push_back(e.path());
    }
    std::sort(liste.begin(), liste.end(), [](const fs::path& a, const fs::path& b) {
        const std::string ma = minuscules(a.filename().string());
        const std::string mb = minuscules(b.filename().string());
        return ma != mb ? ma < mb : a.filename().string() < b.filename().string();
    });
    return true;
}

// Loading problems are the user's: they go to stderr.
class MessagesVersErreur : public MessageSink {
public:
    void afficher(const std::string& texte) override { std::cerr << texte << "\n"; }
};

std::string nombre(double v) {
    if (!std::isfinite(v))
        return "null";
    char t[64];
    std::snprintf(t, sizeof t, "%.9g", v);
    return t;
}

template <typename Tableau> std::string liste(const Tableau& valeurs) {
    std::string s = "[";
    for (size_t i = 0; i < valeurs.size(); ++i)
        s += (i ? "," : "") + std::to_string(valeurs[i]);
    return s + "]";
}

} // namespace

int main(int argc, char** argv) {
    const std::string usage =
        "usage: stravol-analyse FOLDER --cube SIZE X Y Z [--binarise THRESHOLD]";
    if (argc < 2)
        return echec(usage);
    std::string dossier;
    bool cube = false, binarise = false;
    int taille = 0, seuil = 0;
    float tx = 0, ty = 0, tz = 0;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--cube") {
            if (cube || i + 4 >= argc)
                return echec("--cube expects SIZE X Y Z; " + usage);
            if (!lireEntier(argv[i + 1], 3, 256, taille))
                return echec("cube SIZE must be an integer from 3 to 256, got '" +
                             std::string(argv[i + 1]) + "'");
            float* p[3] = {&tx, &ty, &tz};
            for (int k = 0; k < 3; ++k)
                if (!lireReel(argv[i + 2 + k], *p[k]) || *p[k] < -1.0f || *p[k] > 1.0f)
                    return echec("cube position must be a number from -1 to 1, got '" +
                                 std::string(argv[i + 2 + k]) + "'");
            cube = true;
            i += 4;
        } else if (a == "--binarise") {
            if (binarise || i + 1 >= argc || !lireEntier(argv[i + 1], 0, 255, seuil))
                return echec("--binarise expects a THRESHOLD from 0 to 255");
            binarise = true;
            ++i;
        } else if (!a.empty() && a[0] == '-' && a.size() > 1)
            return echec("unknown option '" + a + "'; " + usage);
        else if (dossier.empty())
            dossier = a;
        else
            return echec("more than one FOLDER given; " + usage);
    }
    if (dossier.empty() || !cube)
        return echec(usage);

    std::vector<fs::path> dossiers;
    std::string erreur;
    if (!sousDossiers(dossier, dossiers, erreur))
        return echec("cannot list folder '" + dossier + "': " + erreur);
    if (dossiers.empty())
        return echec("folder '" + dossier + "' holds no sub-folder with a volume");

    std::error_code ec;
    const fs::path depart = fs::current_path(ec);
    if (ec)
        return echec("cannot read the current directory: " + ec.message());
    MessagesVersErreur messages;
    auto volume =
        std::make_unique<CImageTroisD>(depart.string(), dossiers[0].string(), nullptr, &messages);
    for (size_t i = 1; i < dossiers.size(); ++i)
        volume->ChargerSeg(dossiers[i].string(), nullptr);
    if (volume->getLargeur() <= 0 || !volume->image)
        return echec("no slice picture in '" + dossiers[0].string() + "'");

    if (binarise) {
        const size_t n =
            static_cast<size_t>(volume->largeur) * volume->hauteur * volume->profondeur;
        volume->imageNiBlack = std::make_unique<unsigned char[]>(n);
        for (size_t i = 0; i < n; ++i)
            volume->imageNiBlack[i] = volume->image[i] > seuil ? 255 : 0;
    }

    volume->AnalyseCube(taille, tx, ty, tz);
    if (volume->rose.empty())
        return echec("the cube lies outside the volume of " + std::to_string(volume->largeur) +
                     " x " + std::to_string(volume->hauteur) + " x " +
                     std::to_string(volume->profondeur) + " voxels");

    std::string json = "{\"indColor\":" + liste(volume->indColor) +
                       ",\"tabdir\":" + liste(volume->tabdir) +
                       ",\"MoyRose\":" + nombre(volume->MoyRose) +
                       ",\"DirMaxRose\":" + nombre(volume->DirMaxRose) +
                       ",\"valMaxRose\":" + nombre(volume->valMaxRose) +
                       ",\"CoeffDirection\":" + nombre(volume->CoeffDirection);
    if (volume->compCC) {
        const ComposanteConnexe& cc = *volume->compCC;
        json += ",\"nbCC\":" + std::to_string(cc.getNbCC()) +
                ",\"moyCompCC\":" + nombre(cc.getMoyCompCC()) +
                ",\"varCompCC\":" + nombre(cc.getVarCompCC()) +
                ",\"moyAireCC\":" + nombre(cc.getMoyAireCC());
    }
    std::cout << json << "}\n";
    return 0;
}
