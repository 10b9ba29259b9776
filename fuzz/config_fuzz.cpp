// Any bytes as "config.txt", read by the volume's and the view's tables.

#include <cstring>

#include "DossierFuzz.h"
#include "core/Configuration.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t taille) {
    fuzz::ecrire("config.txt", data, taille);

    ParametresConfigVolume volume;
    FUZZ_VERIFIER(LireConfig(fuzz::dossier(), tableConfigVolume(volume)));
    // rgb is the one parameter that changes behaviour: only 0 and 1 may get through.
    FUZZ_VERIFIER(volume.rgb == 0 || volume.rgb == 1);

    ParametresConfigVue vue;
    FUZZ_VERIFIER(LireConfig(fuzz::dossier(), tableConfigVue(vue)));
    FUZZ_VERIFIER(vue.ParamDistanceHara >= -32768 && vue.ParamDistanceHara <= 32767);
    FUZZ_VERIFIER(vue.ParamQuantificationHara >= -32768 && vue.ParamQuantificationHara <= 32767);

    // The line splitter on the raw bytes as one line, for both delimiters.
    std::string ligne(reinterpret_cast<const char*>(data), taille);
    ligne = ligne.substr(0, std::strlen(ligne.c_str()));
    for (char delimiteur : {'#', '='}) {
        const std::string champ = LireLigne(ligne.c_str(), delimiteur);
        const std::size_t premier = ligne.find(delimiteur);
        if (premier == std::string::npos)
            FUZZ_VERIFIER(champ == "-1");
        else
            FUZZ_VERIFIER(ligne.compare(premier + 1, champ.size(), champ) == 0 &&
                          champ.find(delimiteur) == std::string::npos);
    }
    return 0;
}
