// Any bytes as a label table: a refused table gives a message naming the file and leaves the
// table it was to replace as it was; an accepted one holds labels with UTF-8 names, reads the
// same from memory, and gives safe file names and distinct default colours.

#include <set>

#include "DossierFuzz.h"
#include "volume/LectureTableEtiquettes.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t taille) {
    const std::string fichier = fuzz::ecrire("table.txt", data, taille);
    Stravol::TableEtiquettes table;
    table.entrees[7] = {"avant", Stravol::CouleurRVB{1, 2, 3}};
    std::string erreur;
    Stravol::FormatTable format;
    if (!Stravol::lireTableEtiquettes(fichier, table, erreur, &format)) {
        FUZZ_VERIFIER(erreur.rfind(fichier, 0) == 0);
        FUZZ_VERIFIER(table.entrees.size() == 1 && table.trouver(7)->nom == "avant");
        return 0;
    }
    FUZZ_VERIFIER(!table.vide());
    Stravol::TableEtiquettes memoire;
    Stravol::FormatTable formatMemoire;
    FUZZ_VERIFIER(Stravol::lireTableEtiquettesTexte(
        std::string_view(reinterpret_cast<const char*>(data), taille), "t", memoire, erreur,
        &formatMemoire));
    FUZZ_VERIFIER(formatMemoire == format && memoire.entrees.size() == table.entrees.size());

    std::vector<std::uint32_t> valeurs;
    for (const auto& [valeur, entree] : table.entrees) {
        FUZZ_VERIFIER(Stravol::utf8Valide(entree.nom));
        const Stravol::EntreeEtiquette* lue = memoire.trouver(valeur);
        FUZZ_VERIFIER(lue != nullptr && lue->nom == entree.nom && lue->couleur == entree.couleur);
        const std::string nom = Stravol::nomFichierEtiquette(valeur, entree.nom, "ply");
        FUZZ_VERIFIER(nom.rfind("label-" + std::to_string(valeur), 0) == 0 && nom.size() <= 230);
        for (char c : nom)
            FUZZ_VERIFIER(std::isalnum(static_cast<unsigned char>(c)) || c == '.' || c == '_' ||
                          c == '-');
        valeurs.push_back(valeur);
    }
    const std::vector<Stravol::CouleurRVB> couleurs = Stravol::couleursEtiquettes(valeurs, table);
    std::multiset<Stravol::CouleurRVB> toutes(couleurs.begin(), couleurs.end());
    for (std::size_t i = 0; i < valeurs.size(); ++i)
        if (!table.trouver(valeurs[i])->couleur)
            FUZZ_VERIFIER(toutes.count(couleurs[i]) == 1);
    return 0;
}
