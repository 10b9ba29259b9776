#include "view/camera/EntreeCamera.h"

void EtatClavier::appuyer(Touche t) {
    if (t == Touche::Nombre)
        return;
    enfoncee[indice(t)] = true;
    presseeDepuis[indice(t)] = true;
}

void EtatClavier::relacher(Touche t) {
    if (t == Touche::Nombre)
        return;
    enfoncee[indice(t)] = false;
}

bool EtatClavier::estPressee(Touche t) {
    if (t == Touche::Nombre)
        return false;
    const bool pressee = enfoncee[indice(t)] || presseeDepuis[indice(t)];
    presseeDepuis[indice(t)] = false;
    return pressee;
}

void EtatClavier::toutRelacher() {
    enfoncee.fill(false);
    presseeDepuis.fill(false);
}
