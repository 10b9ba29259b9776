#include "volume/Dossiers.h"

#include <fnmatch.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <system_error>

namespace Stravol {

namespace {

std::string minuscules(std::string texte) {
    for (char& c : texte)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return texte;
}

bool garder(const std::filesystem::directory_entry& entree, GenreEntree genre) {
    std::error_code ec;
    return genre == GenreEntree::Dossier ? entree.is_directory(ec) : entree.is_regular_file(ec);
}

} // namespace

bool listerDossier(const std::string& dossier, GenreEntree genre, const std::string& motif,
                   std::vector<std::string>& noms, std::string& erreur) {
    noms.clear();
    std::error_code ec;
    std::filesystem::directory_iterator it(dossier, ec);
    for (; !ec && it != std::filesystem::directory_iterator(); it.increment(ec)) {
        if (!garder(*it, genre))
            continue;
        std::string nom = it->path().filename().string();
        if (motif.empty() || fnmatch(motif.c_str(), nom.c_str(), FNM_CASEFOLD) == 0)
            noms.push_back(std::move(nom));
    }
    if (ec) {
        erreur = ec.message();
        noms.clear();
        return false;
    }
    std::sort(noms.begin(), noms.end(), [](const std::string& a, const std::string& b) {
        const std::string la = minuscules(a), lb = minuscules(b);
        return la != lb ? la < lb : a < b;
    });
    return true;
}

} // namespace Stravol
