// Display modes, 256 x 256 slice textures and full-resolution cut pictures.

#include <algorithm>
#include <cstring>
#include <new>

#include "core/Parallele.h"
#include "volume/CImageTroisD.h"

namespace Stravol {

namespace {

constexpr int kCote = CImageTroisD::kCoteTexture;
// Textures of one stack a thread takes at a time.
constexpr int kTexturesParTache = 8;

// Source of one texture: three planes (the same one for grey) and the sizes.
struct Source {
    const unsigned char* r;
    const unsigned char* g;
    const unsigned char* b;
    int largeur, hauteur, profondeur;
};

// Texel (r, c) reads voxel base + lignes[r] + colonnes[c]: the nearest-voxel resampling
// floor(i * N / 256) of each axis, as offsets into the volume.
struct Echantillonnage {
    std::size_t base = 0;
    std::size_t lignes[kCote];
    std::size_t colonnes[kCote];
};

inline std::size_t echelle(int i, int n) {
    return static_cast<std::size_t>(static_cast<long long>(i) * n / kCote);
}

// Which of the three stacks, and the offsets of its plane ind.
enum class Axe { Z, X, Y };

bool echantillonnage(const Source& s, Axe axe, int ind, Echantillonnage& e) {
    const std::size_t ligne = static_cast<std::size_t>(s.largeur);
    const std::size_t coupe = ligne * s.hauteur;
    const int limite = axe == Axe::Z ? s.profondeur : axe == Axe::X ? s.largeur : s.hauteur;
    if (s.r == nullptr || ind < 0 || ind >= limite)
        return false;
    for (int i = 0; i < kCote; ++i) {
        switch (axe) {
        case Axe::Z:
            e.lignes[i] = echelle(i, s.hauteur) * ligne;
            e.colonnes[i] = echelle(i, s.largeur);
            break;
        case Axe::X:
            e.lignes[i] = echelle(i, s.hauteur) * ligne;
            e.colonnes[i] = echelle(i, s.profondeur) * coupe;
            break;
        case Axe::Y:
            e.lignes[i] = echelle(i, s.profondeur) * coupe;
            e.colonnes[i] = echelle(i, s.largeur);
            break;
        }
    }
    e.base = axe == Axe::Z   ? ind * coupe
             : axe == Axe::X ? static_cast<std::size_t>(ind)
                             : ind * ligne;
    return true;
}

void construire(const Source& s, Axe axe, int ind, unsigned char* out) {
    Echantillonnage e;
    if (!echantillonnage(s, axe, ind, e)) {
        std::memset(out, 0, CImageTroisD::kTailleTexture);
        return;
    }
    const bool gris = s.r == s.g && s.r == s.b;
    for (int r = 0; r < kCote; ++r) {
        const std::size_t debut = e.base + e.lignes[r];
        const unsigned char* pr = s.r + debut;
        if (gris) {
            for (int c = 0; c < kCote; ++c, out += 3)
                out[0] = out[1] = out[2] = pr[e.colonnes[c]];
        } else {
            const unsigned char* pg = s.g + debut;
            const unsigned char* pb = s.b + debut;
            for (int c = 0; c < kCote; ++c, out += 3) {
                out[0] = pr[e.colonnes[c]];
                out[1] = pg[e.colonnes[c]];
                out[2] = pb[e.colonnes[c]];
            }
        }
    }
}

Source grise(const unsigned char* v, int l, int h, int p) { return Source{v, v, v, l, h, p}; }

} // namespace

// What the labels do to the texels and pixels of one display mode.
struct ColorationEtiquettes {
    const CouleurRVB* couleurs = nullptr; // by label
    const std::uint16_t* etiquettes16 = nullptr;
    const unsigned char* etiquettes8 = nullptr;
    bool remplacer = false; // the label's colour replaces the grey
    int alpha = 0;          // else its share over the picture, 0 .. 256, for labels but 0

    // Pixel px (3 bytes) shows voxel i.
    void appliquer(unsigned char* px, std::size_t i) const {
        const std::uint32_t e = etiquettes16 != nullptr ? etiquettes16[i] : etiquettes8[i];
        const CouleurRVB& c = couleurs[e];
        if (remplacer) {
            px[0] = c[0], px[1] = c[1], px[2] = c[2];
            return;
        }
        if (e == 0)
            return;
        for (int k = 0; k < 3; ++k)
            px[k] = static_cast<unsigned char>((px[k] * (256 - alpha) + c[k] * alpha + 128) >> 8);
    }
};

std::uint32_t CImageTroisD::etiquetteVoxel(int x, int y, int z) const {
    const std::size_t i = (static_cast<std::size_t>(z) * hauteur + y) * largeur + x;
    if (!etiquettes.empty())
        return valeurEtiquette(etiquettes[i]);
    return imageSegmente ? imageSegmente[i] : 0;
}

void CImageTroisD::definirTableEtiquettes(TableEtiquettes table) {
    tableEtiquettes = std::move(table);
    majPalette();
}

void CImageTroisD::majPalette() {
    std::vector<std::uint32_t> stockees;
    if (!etiquettes.empty())
        stockees = valeursPresentes(etiquettes.data(), etiquettes.size());
    else if (imageSegmente)
        stockees = valeursPresentes(imageSegmente.get(), nbVoxels());
    std::vector<std::uint32_t> valeurs;
    for (std::uint32_t e : stockees)
        valeurs.push_back(etiquettes.empty() ? e : valeurEtiquette(static_cast<std::uint16_t>(e)));
    palette = PaletteEtiquettes(valeurs, tableEtiquettes);
    // The voxels hold the stored labels: their colours by stored label.
    couleursDenses_.assign(stockees.empty() ? 1 : stockees.back() + 1, CouleurRVB{0, 0, 0});
    for (std::size_t k = 0; k < stockees.size(); ++k)
        couleursDenses_[stockees[k]] = palette.couleur(valeurs[k]);
}

bool CImageTroisD::coloration(ModeAffichage mode, ColorationEtiquettes& c) const {
    if (!imageSegmente || couleursDenses_.empty())
        return false;
    c.remplacer = mode == ModeAffichage::Segmentee && affichageEtiquettes.couleurs;
    const float opacite = std::clamp(affichageEtiquettes.superposition, 0.f, 1.f);
    c.alpha = mode == ModeAffichage::Normale ? static_cast<int>(opacite * 256 + 0.5f) : 0;
    if (!c.remplacer && c.alpha == 0)
        return false;
    c.couleurs = couleursDenses_.data();
    if (!etiquettes.empty())
        c.etiquettes16 = etiquettes.data();
    else
        c.etiquettes8 = imageSegmente.get();
    return true;
}

void CImageTroisD::AllouerTexture() {
    if (imageOpenGlZ || imageOpenGlX || imageOpenGlY || nbVoxels() == 0)
        return;
    // Not zeroed, so not touched: the pages of a texture are taken when it is built.
    auto pile = [](int n) {
        return VolumeOctets(
            new (std::nothrow) unsigned char[static_cast<std::size_t>(n) * kTailleTexture]);
    };
    imageOpenGlZ = pile(profondeur);
    imageOpenGlX = pile(largeur);
    imageOpenGlY = pile(hauteur);
    if (!imageOpenGlZ || !imageOpenGlX || !imageOpenGlY) {
        imageOpenGlZ.reset();
        imageOpenGlX.reset();
        imageOpenGlY.reset();
        signaler("Mémoire insuffisante pour les " + std::to_string(largeur + hauteur + profondeur) +
                 " textures des coupes.");
        return;
    }
    texturesConstruites[0].assign(static_cast<std::size_t>(profondeur), 0);
    texturesConstruites[1].assign(static_cast<std::size_t>(largeur), 0);
    texturesConstruites[2].assign(static_cast<std::size_t>(hauteur), 0);
}

namespace {

// The buffers of display modes NiBlack to Segmentee, in mode order; Normale is the loaded
// volume.
constexpr VolumeOctets CImageTroisD::*kVolumesModes[] = {
    &CImageTroisD::imageNiBlack, &CImageTroisD::imageAutocorrelation, &CImageTroisD::imageFFT,
    &CImageTroisD::imageSegmente};

// Whether mode has a buffer of its own in kVolumesModes.
bool aVolumePropre(ModeAffichage mode) {
    return mode >= ModeAffichage::NiBlack && mode <= ModeAffichage::Segmentee;
}

VolumeOctets CImageTroisD::*volumePropre(ModeAffichage mode) {
    return kVolumesModes[static_cast<int>(mode) - static_cast<int>(ModeAffichage::NiBlack)];
}

} // namespace

const unsigned char* CImageTroisD::sourceMode(ModeAffichage mode) const {
    if (mode == ModeAffichage::Normale)
        return volumeOriginal();
    return aVolumePropre(mode) ? (this->*volumePropre(mode)).get() : nullptr;
}

void CImageTroisD::CopierImageCourante(ModeAffichage mode) {
    modeCourant = mode;
    const unsigned char* source = sourceMode(mode);
    if (source != nullptr && image && source != image.get() && separerOriginal())
        std::memcpy(image.get(), source, nbVoxels());
}

VolumeOctets* CImageTroisD::volumeMode(ModeAffichage mode) {
    return aVolumePropre(mode) ? &(this->*volumePropre(mode)) : nullptr;
}

void CImageTroisD::garderSeulementMode(ModeAffichage mode) {
    VolumeOctets* volume = volumeMode(mode);
    if (volume != nullptr && *volume && image) {
        image = std::move(*volume);
        modeCourant = mode;
    } else {
        CopierImageCourante(mode);
    }
    imageOriginal.reset();
    valeursFichier = VolumeBrut();
    for (VolumeOctets CImageTroisD::*autre : kVolumesModes)
        (this->*autre).reset();
}

void CImageTroisD::preparationTexture(ProgressSink* barre, ModeAffichage choix) {
    CopierImageCourante(choix);
    modeTextures = choix;
    if (!imageOpenGlZ || !imageOpenGlX || !imageOpenGlY || nbVoxels() == 0)
        return;
    // The textures already handed out may be on show: rebuilt now, each by one thread alone.
    std::vector<std::pair<int, int>> construites; // (stack, index)
    for (int pile = 0; pile < 3; ++pile)
        for (std::size_t i = 0; i < texturesConstruites[pile].size(); ++i)
            if (texturesConstruites[pile][i])
                construites.emplace_back(pile, static_cast<int>(i));
    const int nb = static_cast<int>(construites.size());
    if (barre) {
        barre->setMaximum(nb);
        barre->setValue(0);
    }
#pragma omp parallel for num_threads(nbThreads()) schedule(dynamic, kTexturesParTache)
    for (int k = 0; k < nb; ++k)
        construireTexture(construites[static_cast<std::size_t>(k)].first,
                          construites[static_cast<std::size_t>(k)].second);
    for (int k = 0; k < nb && barre; ++k)
        barre->setValue(k + 1);
}

void CImageTroisD::getImageOpenGlZ(int ind, unsigned char* buffer) const {
    if (rgb == 1 && imR && imG && imB && image)
        construire(Source{imR.get(), imG.get(), imB.get(), largeur, hauteur, profondeur}, Axe::Z,
                   ind, buffer);
    else
        construire(grise(image.get(), largeur, hauteur, profondeur), Axe::Z, ind, buffer);
}
void CImageTroisD::getImageOpenGlX(int ind, unsigned char* buffer) const {
    if (rgb == 1 && imR && imG && imB && image)
        construire(Source{imR.get(), imG.get(), imB.get(), largeur, hauteur, profondeur}, Axe::X,
                   ind, buffer);
    else
        construire(grise(image.get(), largeur, hauteur, profondeur), Axe::X, ind, buffer);
}
void CImageTroisD::getImageOpenGlY(int ind, unsigned char* buffer) const {
    if (rgb == 1 && imR && imG && imB && image)
        construire(Source{imR.get(), imG.get(), imB.get(), largeur, hauteur, profondeur}, Axe::Y,
                   ind, buffer);
    else
        construire(grise(image.get(), largeur, hauteur, profondeur), Axe::Y, ind, buffer);
}

#define STRAVOL_TEXTURES_GRISES(nom, volume)                                                       \
    void CImageTroisD::nom##Z(int ind, unsigned char* buffer) const {                              \
        construire(grise(volume.get(), largeur, hauteur, profondeur), Axe::Z, ind, buffer);        \
    }                                                                                              \
    void CImageTroisD::nom##X(int ind, unsigned char* buffer) const {                              \
        construire(grise(volume.get(), largeur, hauteur, profondeur), Axe::X, ind, buffer);        \
    }                                                                                              \
    void CImageTroisD::nom##Y(int ind, unsigned char* buffer) const {                              \
        construire(grise(volume.get(), largeur, hauteur, profondeur), Axe::Y, ind, buffer);        \
    }

STRAVOL_TEXTURES_GRISES(getImageBinaireOpenGl, imageNiBlack)
STRAVOL_TEXTURES_GRISES(getImageAutocorrelationOpenGl, imageAutocorrelation)
STRAVOL_TEXTURES_GRISES(getImageFFTOpenGl, imageFFT)
STRAVOL_TEXTURES_GRISES(getImageFFTPhaseOpenGl, imagePhase)
STRAVOL_TEXTURES_GRISES(getImageSegmenteOpenGl, imageSegmente)
#undef STRAVOL_TEXTURES_GRISES

unsigned char* CImageTroisD::textureConstruite(int pile, int ind) {
    const VolumeOctets* piles[3] = {&imageOpenGlZ, &imageOpenGlX, &imageOpenGlY};
    if (!*piles[pile] || ind < 0 ||
        static_cast<std::size_t>(ind) >= texturesConstruites[pile].size())
        return nullptr;
    if (!texturesConstruites[pile][static_cast<std::size_t>(ind)]) {
        construireTexture(pile, ind);
        texturesConstruites[pile][static_cast<std::size_t>(ind)] = 1;
    }
    return piles[pile]->get() + static_cast<std::size_t>(ind) * kTailleTexture;
}

void CImageTroisD::construireTexture(int pile, int ind) {
    const VolumeOctets* piles[3] = {&imageOpenGlZ, &imageOpenGlX, &imageOpenGlY};
    constexpr Axe kAxesPiles[3] = {Axe::Z, Axe::X, Axe::Y};
    unsigned char* texture = piles[pile]->get() + static_cast<std::size_t>(ind) * kTailleTexture;
    // The volume (or colour planes) of the textures' mode; textures built before any
    // preparation read imagePhase.
    const ModeAffichage mode = modeTextures.value_or(ModeAffichage::Phase);
    Source s = grise(nullptr, largeur, hauteur, profondeur);
    if (mode == ModeAffichage::Normale && rgb == 1 && imR && imG && imB)
        s = Source{imR.get(), imG.get(), imB.get(), largeur, hauteur, profondeur};
    else if (mode == ModeAffichage::Normale)
        s.r = s.g = s.b = image.get();
    else if (aVolumePropre(mode))
        s.r = s.g = s.b = sourceMode(mode);
    else
        s.r = s.g = s.b = imagePhase.get();
    construire(s, kAxesPiles[pile], ind, texture);
    ColorationEtiquettes c;
    Echantillonnage e;
    if (!coloration(mode, c) || !echantillonnage(s, kAxesPiles[pile], ind, e))
        return;
    for (int r = 0; r < kCote; ++r)
        for (int col = 0; col < kCote; ++col, texture += 3)
            c.appliquer(texture, e.base + e.lignes[r] + e.colonnes[col]);
}

unsigned char* CImageTroisD::getTabZ(int ind) { return textureConstruite(0, ind); }
unsigned char* CImageTroisD::getTabX(int ind) { return textureConstruite(1, ind); }
unsigned char* CImageTroisD::getTabY(int ind) { return textureConstruite(2, ind); }

namespace {

// Fills a w x h grey picture whose pixel (i, j) shows voxel base + i * pasI + j * pasJ of
// volume, the labels coloured by c when given.
void remplirCoupe(ImageRGB& im, int w, int h, const unsigned char* volume, std::size_t base,
                  std::size_t pasI, std::size_t pasJ, const ColorationEtiquettes* c) {
    im.largeur = w;
    im.hauteur = h;
    im.pixels.resize(3 * static_cast<std::size_t>(w) * h);
    unsigned char* out = im.pixels.data();
    for (int j = 0; j < h; ++j) {
        std::size_t v = base + j * pasJ;
        for (int i = 0; i < w; ++i, out += 3, v += pasI) {
            out[0] = out[1] = out[2] = volume[v];
            if (c != nullptr)
                c->appliquer(out, v);
        }
    }
}

} // namespace

const ImageRGB& CImageTroisD::getImageZ(int ind) {
    const std::size_t ligne = largeur, coupe = ligne * hauteur;
    ColorationEtiquettes c;
    const ColorationEtiquettes* couleurs = coloration(modeCourant, c) ? &c : nullptr;
    if (!image || ind < 0 || ind >= profondeur)
        imgTemp = ImageRGB();
    else
        remplirCoupe(imgTemp, largeur, hauteur, image.get(), ind * coupe, 1, ligne, couleurs);
    return imgTemp;
}

const ImageRGB& CImageTroisD::getImageX(int ind) {
    const std::size_t ligne = largeur, coupe = ligne * hauteur;
    ColorationEtiquettes c;
    const ColorationEtiquettes* couleurs = coloration(modeCourant, c) ? &c : nullptr;
    if (!image || ind < 0 || ind >= largeur)
        imgTemp = ImageRGB();
    else
        remplirCoupe(imgTemp, profondeur, hauteur, image.get(), ind, coupe, ligne, couleurs);
    return imgTemp;
}

const ImageRGB& CImageTroisD::getImageY(int ind) {
    const std::size_t ligne = largeur, coupe = ligne * hauteur;
    ColorationEtiquettes c;
    const ColorationEtiquettes* couleurs = coloration(modeCourant, c) ? &c : nullptr;
    if (!image || ind < 0 || ind >= hauteur)
        imgTemp = ImageRGB();
    else
        remplirCoupe(imgTemp, largeur, profondeur, image.get(), ind * ligne, 1, coupe, couleurs);
    return imgTemp;
}

} // namespace Stravol
