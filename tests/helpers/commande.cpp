#include "helpers/commande.h"

#include <cstdio>
#include <sys/wait.h>

namespace testcommande {

SortieCommande executer(const std::string& commande) {
    SortieCommande r;
    FILE* p = popen(commande.c_str(), "r");
    if (p == nullptr)
        return r;
    char tampon[4096];
    std::size_t n;
    while ((n = fread(tampon, 1, sizeof tampon, p)) > 0)
        r.sortie.append(tampon, n);
    const int s = pclose(p);
    r.statut = WIFEXITED(s) ? WEXITSTATUS(s) : -1;
    return r;
}

} // namespace testcommande
