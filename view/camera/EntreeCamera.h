#pragma once
// Inputs of the cameras: one pointer event and the emulated asynchronous keyboard state.
// No toolkit types here, so the cameras stay plain classes that tests drive directly.

#include <array>
#include <cstddef>

enum class BoutonSouris { Aucun, Gauche, Milieu, Droit };

// One pointer event over the view: position in the view's pixels (x to the right, y down) and,
// for the wheel, a signed delta in units of 120 per notch (positive away from the user).
struct EvenementSouris {
    BoutonSouris bouton = BoutonSouris::Aucun;
    int x = 0;
    int y = 0;
    int delta = 0;
};

// The keys the cameras poll.
enum class Touche : std::size_t { R, M, P, Q, D, Z, S, Espace, Nombre };

// Asynchronous key state: a key counts as pressed when it is down now or when it was pressed
// since the previous query of that key. The view feeds it with its key events; the cameras query
// it. Each query clears the "pressed since" latch of the key queried.
class EtatClavier {
public:
    void appuyer(Touche t);
    void relacher(Touche t);
    // Down now or pressed since the previous query of t.
    bool estPressee(Touche t);
    // Forgets every key (the view loses the keyboard).
    void toutRelacher();

private:
    static std::size_t indice(Touche t) { return static_cast<std::size_t>(t); }
    std::array<bool, static_cast<std::size_t>(Touche::Nombre)> enfoncee{};
    std::array<bool, static_cast<std::size_t>(Touche::Nombre)> presseeDepuis{};
};
