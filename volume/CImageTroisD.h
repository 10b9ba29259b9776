#pragma once
// The loaded volume: a folder of slice pictures read into one 8-bit grey volume, with its
// colour planes, segmentation, display modes, 256 x 256 slice textures and cut pictures.

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/Configuration.h"
#include "core/Message.h"
#include "volume/OptionsExtraction.h"
#include "volume/PaletteEtiquettes.h"
#include "volume/TableEtiquettes.h"
#include "volume/VolumeBrut.h"

class BTCImageObject;
class CImage3D;
class CMaillageTriangleChRegion;
class CRegion3D;
class ComposanteConnexe;
class Cvecto;
class CWavelet;

// Owned byte volume; null until allocated.
using VolumeOctets = std::unique_ptr<unsigned char[]>;

// A picture of 3 bytes per pixel (red, green, blue), rows packed (3 * largeur bytes a
// row), first row first. Empty (0 x 0) when there is nothing to show.
struct ImageRGB {
    int largeur = 0;
    int hauteur = 0;
    std::vector<unsigned char> pixels;

    const unsigned char* pixel(int x, int y) const {
        return pixels.data() + 3 * (static_cast<std::size_t>(y) * largeur + x);
    }
};

namespace Stravol {

// One voxel position (voxel coordinates).
struct Coord3D {
    int x, y, z;
};

// Figures of the last region extraction: voxel counts and the seconds of each stage.
struct BilanExtraction {
    bool effectuee = false;     // false: the last call extracted nothing
    long long valeurGerme = 0;  // grey level of the seed, or its label value when segmented
    int nbVoxelsCroissance = 0; // voxels reached by the growth
    int nbVoxelsRegion = 0;     // region voxels before the topology repair
    int nbVoxelsRepares = 0;    // region voxels after both repairs
    double tempsCroissance = 0, tempsRegion = 0, tempsReparation = 0;
    double tempsMaillage = 0, tempsLissage = 0, tempsNormales = 0;
    std::string erreur; // why nothing was extracted, in words for the user; empty otherwise

    // Seconds of the whole extraction, growth to normals.
    double tempsTotal() const {
        return tempsCroissance + tempsRegion + tempsReparation + tempsMaillage + tempsLissage +
               tempsNormales;
    }
};

// Display modes of the loaded volume, by the volume they show: Normale imageOriginal
// (textures in colour from imR/imG/imB when rgb is 1), NiBlack imageNiBlack, Autocorrelation
// imageAutocorrelation, FFT imageFFT, Segmentee imageSegmente; Phase, and any value outside
// these, leaves image unchanged and builds the textures from imagePhase.
enum class ModeAffichage : int {
    Normale = 0,
    NiBlack = 1,
    Autocorrelation = 2,
    FFT = 3,
    Segmentee = 4,
    Phase = 5,
};

// How the labels of the segmentation show in the slice textures and cut pictures: in the
// segmented mode each label in its palette colour instead of its grey (couleurs); in the normal
// mode every label but 0 over the picture at opacity superposition (0: not shown, 1: opaque).
struct AffichageEtiquettes {
    bool couleurs = false;
    float superposition = 0.f;
};

struct ColorationEtiquettes;

// How a volume file becomes the loaded volume: the window of values wider than 8 bits (the
// configuration's, else the 0.5th to 99.5th percentiles, unless given here) and the spacing
// (the file's unless given here).
struct OptionsVolume {
    bool avecFenetre = false;
    Fenetre fenetre;
    bool avecEspacement = false;
    std::array<double, 3> espacement{1.0, 1.0, 1.0};
};

// Every volume buffer holds largeur * hauteur * profondeur bytes; voxel (x, y, z) is at
// index (z * hauteur + y) * largeur + x, x along a picture row, y down the rows (row 0 =
// top row of the picture), z the slice number in loading order. Invariant: either the
// three sizes are positive and image exists, or all three are 0 and no voxel buffer
// exists; every operation on a volume of size 0 does nothing. Any other buffer is either
// null or of the volume's size.
//
// Display modes (preparationTexture, CopierImageCourante): the volume that becomes image and
// the textures show. A mode whose volume does not exist leaves image unchanged and gives
// black textures.
class CImageTroisD : public ParametresConfigVolume {
public:
    // Texture side in texels and size of one slice texture in bytes (3 bytes a texel).
    static constexpr int kCoteTexture = 256;
    static constexpr std::size_t kTailleTexture = 3u * kCoteTexture * kCoteTexture;

    // Reads chemin + "/config.txt", then every "*.bmp", "*.cup", "*.png" and "*.jpg" file of
    // the folder path (pattern order first, then file names in case-insensitive order),
    // one slice per file. A folder without any of these pictures (nor TIFF slices) whose files
    // hold a DICOM series is read as that series, with its geometry. barre and fenetre may be
    // null (no progress, messages only to the diagnostic sink).
    CImageTroisD(const std::string& chemin, const std::string& path, ProgressSink* barre,
                 MessageSink* fenetre);
    // A volume of the given sizes without files or configuration; voxels are 0.
    CImageTroisD(int largeur, int hauteur, int profondeur);
    // Reads chemin + "/config.txt", then the volume file fichier (any file lireVolumeFichier
    // reads, recognised by content) into image, through the window for values wider than 8
    // bits, with its geometry and its own label table. On failure the message goes to fenetre
    // and the volume is empty.
    static std::unique_ptr<CImageTroisD> ouvrirFichier(const std::string& chemin,
                                                       const std::string& fichier,
                                                       const OptionsVolume& options,
                                                       ProgressSink* barre, MessageSink* fenetre);
    ~CImageTroisD();
    CImageTroisD(const CImageTroisD&) = delete;
    CImageTroisD& operator=(const CImageTroisD&) = delete;

    // Configuration reader of the volume (identifiers of ParametresConfigVolume).
    bool LireConfig();
    static std::string LireLigne(const char* ligne, char delimiteur);
    void RemplirParametre(FILE* r, short identifiant);

    // Reads the "*.bmp" files of path, in name order, into imageSegmente (slices past the
    // last file are 0). False when the volume is empty or the folder cannot be listed.
    bool ChargerSeg(const std::string& path, ProgressSink* barre);

    // Reads a label file (any volume file lireVolumeFichier reads) on the volume's grid:
    // etiquettes keeps its labels (through valeursEtiquettes when a value exceeds
    // kEtiquetteMax), tableEtiquettes the names and colours the file gives them; imageSegmente
    // holds the stored labels when all are below 256, else a grey of each label. A file of
    // other sizes, or with values that are no labels, is refused with a message; so is one
    // whose world transform puts a voxel centre more than half a voxel from the volume's (both
    // files placing their voxels in a world frame), while a smaller gap is told.
    bool ChargerSegFichier(const std::string& fichier, ProgressSink* barre);
    // A volume file read alone whose values went through the grey window (wider than grey
    // levels) and are all labels: its own values become its segmentation, as
    // ChargerSegFichier would read them from that file, so that a label is found and grown by
    // its value rather than by a grey level. False, the volume unchanged, where it has a
    // segmentation, its values are grey levels themselves, or they are no labels; throws
    // std::bad_alloc when memory runs out.
    bool prendreValeursPourEtiquettes();

    // The label of voxel (x, y, z) inside the volume, as the file gives it (etiquettes through
    // valeursEtiquettes), else imageSegmente; 0 without a segmentation.
    std::uint32_t etiquetteVoxel(int x, int y, int z) const;
    // The names and colours of the labels; the palette follows.
    void definirTableEtiquettes(TableEtiquettes table);

    // Replaces the spacing, keeping the directions and origin of the transform.
    void imposerEspacement(const std::array<double, 3>& espacement);

    // Reserves the three texture stacks unless one exists already; a texture takes memory
    // once it is built.
    void AllouerTexture();
    void CopierImageCourante(ModeAffichage mode);
    // As CopierImageCourante, for a run that reads no volume but image from now on: the buffer
    // of mode becomes image without a copy, and the loaded volume, the file's values and the
    // other modes' volumes are released (the labels stay). Normale keeps the loaded volume as
    // image.
    void garderSeulementMode(ModeAffichage mode);
    // Releases every voxel (the modes' volumes, the labels and the file's values) for a run
    // done with them, so that the memory serves what comes next; the sizes become 0, and the
    // geometry, the label table and the labels' true values stay.
    void libererVoxels();
    // Sets the current volume for mode choix. Every texture handed out from now on (getTab*)
    // shows mode choix: those handed out before are rebuilt now, in place (the barre follows
    // them), the others when they are first asked for.
    void preparationTexture(ProgressSink* barre, ModeAffichage choix);
    // The labels in the textures (from the next preparationTexture) and in the cut pictures
    // (from the next request).
    AffichageEtiquettes affichageEtiquettes;

    // Fill one texture (kTailleTexture bytes) from a Z slice, X plane or Y plane of the
    // current volume (in colour from imR, imG, imB when rgb is 1), or of a given volume in
    // grey.
    // An index outside the volume, or a missing volume, gives a black texture.
    void getImageOpenGlZ(int ind, unsigned char* buffer) const;
    void getImageOpenGlX(int ind, unsigned char* buffer) const;
    void getImageOpenGlY(int ind, unsigned char* buffer) const;
    void getImageBinaireOpenGlZ(int ind, unsigned char* buffer) const;
    void getImageBinaireOpenGlX(int ind, unsigned char* buffer) const;
    void getImageBinaireOpenGlY(int ind, unsigned char* buffer) const;
    void getImageAutocorrelationOpenGlZ(int ind, unsigned char* buffer) const;
    void getImageAutocorrelationOpenGlX(int ind, unsigned char* buffer) const;
    void getImageAutocorrelationOpenGlY(int ind, unsigned char* buffer) const;
    void getImageFFTOpenGlZ(int ind, unsigned char* buffer) const;
    void getImageFFTOpenGlX(int ind, unsigned char* buffer) const;
    void getImageFFTOpenGlY(int ind, unsigned char* buffer) const;
    void getImageFFTPhaseOpenGlZ(int ind, unsigned char* buffer) const;
    void getImageFFTPhaseOpenGlX(int ind, unsigned char* buffer) const;
    void getImageFFTPhaseOpenGlY(int ind, unsigned char* buffer) const;
    void getImageSegmenteOpenGlZ(int ind, unsigned char* buffer) const;
    void getImageSegmenteOpenGlX(int ind, unsigned char* buffer) const;
    void getImageSegmenteOpenGlY(int ind, unsigned char* buffer) const;

    // The prepared texture of Z slice, X plane or Y plane ind (owned by the volume), built on
    // first request; null when the stacks are not allocated or ind is outside the volume.
    unsigned char* getTabZ(int ind);
    unsigned char* getTabX(int ind);
    unsigned char* getTabY(int ind);

    // Full-resolution grey cut of image: Z is largeur x hauteur, X is profondeur x hauteur,
    // Y is largeur x profondeur, the labels shown as affichageEtiquettes says for the current
    // mode. The picture is imgTemp, valid until the next request; an index outside the volume
    // gives an empty picture.
    const ImageRGB& getImageZ(int ind);
    const ImageRGB& getImageX(int ind);
    const ImageRGB& getImageY(int ind);

    int getLargeur() const { return largeur; }
    int getHauteur() const { return hauteur; }
    int getProfondeur() const { return profondeur; }
    const std::string& getOriginPath() const { return OriginPath; }

    // One voxel of image; no bounds check.
    unsigned char getVoxelImage(int x, int y, int z) const;
    void setVoxelImage(int x, int y, int z, unsigned char valeur);

    // image becomes a copy of im, with im's sizes. When the sizes change, every other
    // volume buffer and the texture stacks (which describe the old sizes) are released.
    void Cimage3DtoCimageTroisD(const CImage3D& im);
    // Copies image into target voxel by voxel; only the part common to both sizes is
    // copied when target was created with other sizes.
    void CimageTroisDtoCimage3D(CImage3D& target) const;

    // Seeded region extraction: grows the 26-connected voxels of the seed's grey level in
    // image and replaces maillage by the mesh of that region, smoothed by nbLissages rounds.
    // A seed outside the volume (or an empty volume), or memory running out at any stage,
    // extracts nothing and keeps maillage: the reason goes to bilanExtraction.erreur and to
    // the message sink.
    void CroissanceDeRegion(int x, int y, int z, int nbLissages = 10);
    // The same with the growth's tolerance and the smoothing chosen. With a tolerance the
    // region is the voxels grown alone (at the exact level it also takes every voxel of 255,
    // as the growth marked its voxels with that value).
    void CroissanceDeRegion(int x, int y, int z, const Stravol::OptionsExtraction& options);
    // The same stages up to the region, which mailler meshes in its own way (writing the
    // figures of the later stages into the extraction's figures), maillage left as it is: for
    // the extractions that keep no deformable model. False, with the reason, where
    // CroissanceDeRegion would extract nothing.
    using MaillageRegion = std::function<void(CRegion3D& region, BilanExtraction& bilan)>;
    bool extraireRegion(int x, int y, int z, const Stravol::OptionsExtraction& options,
                        const MaillageRegion& mailler);

    // Direction analysis of the block given by the analysis cube (size in 256ths of each
    // side, position in scene coordinates -1 .. 1).
    void AnalyseCube(int sizeCube, float tCubeX, float tCubeY, float tCubeZ);
    void runRose2(int debutX, int debutY, int debutZ, int dimX, int dimY, int dimZ);
    void CalculeFeatureCC(int debutX, int debutY, int debutZ, int dimX, int dimY, int dimZ);
    void calculeFeatureWavelet(int debutX, int debutY, int debutZ, int dimX, int dimY, int dimZ);
    void Autocorrelation(unsigned char* buffer, int dimLarg, int dimHaut, int dimProf);
    void ComputeRose(const unsigned char* buffer, int dimLarg, int dimHaut, int dimProf);
    int SumAngle(int theta, int gamma) const;
    void CalculeIndColor();
    void CalculeCaracRose();

    std::string chemin;
    std::string OriginPath; // the volume folder followed by "/"
    MessageSink* fenetre = nullptr;

    int largeur = 0;
    int hauteur = 0;
    int profondeur = 0;
    int indZ = 0;

    // Voxel to world (millimetres) of the volume: the file's, or spacing 1 and origin 0.
    Geometrie geometrie;
    // Window through which wider values became image (meaningful when fenetreAppliquee).
    Fenetre fenetreGris;
    bool fenetreAppliquee = false;
    // The values of a volume file that went through the window (empty otherwise: the loaded
    // volume holds them).
    VolumeBrut valeursFichier;
    // The value of voxel (x, y, z) inside the volume as the file holds it.
    double valeurVoxel(int x, int y, int z) const;
    // Labels of a segmentation read from a file, as stored (empty otherwise, and for picture
    // folders, whose labels are imageSegmente itself), and the largest one stored.
    std::vector<std::uint16_t> etiquettes;
    int etiquetteMax = 0;
    // The file's label value of each stored label when one exceeds kEtiquetteMax (index 0 is
    // value 0); empty when etiquettes holds the values themselves.
    std::vector<std::uint32_t> valeursEtiquettes;
    // The file's value of a stored label.
    std::uint32_t valeurEtiquette(std::uint16_t stockee) const {
        return valeursEtiquettes.empty() ? stockee : valeursEtiquettes[stockee];
    }
    // Names and colours of the labels, keyed by the file's label values: the segments of a
    // .seg.nrrd file, or a table given (definirTableEtiquettes); empty otherwise.
    TableEtiquettes tableEtiquettes;
    // The colours of the labels present in the segmentation, by the file's label values.
    PaletteEtiquettes palette;
    // Display mode of the last CopierImageCourante.
    ModeAffichage modeCourant = ModeAffichage::Normale;

    // The volume as loaded. A loading leaves it null while image holds that volume unchanged;
    // the first change of image (another display mode, a new image of the same sizes, a
    // voxel written) moves or copies it here first.
    VolumeOctets imageOriginal;
    VolumeOctets image;
    // The volume as loaded: imageOriginal, or image while it holds it.
    const unsigned char* volumeOriginal() const {
        return imageOriginal ? imageOriginal.get() : image.get();
    }
    VolumeOctets imageSegmente;
    VolumeOctets imageNiBlack;
    VolumeOctets imageAutocorrelation;
    VolumeOctets imageFFT;
    VolumeOctets imagePhase;
    VolumeOctets imR;
    VolumeOctets imG;
    VolumeOctets imB;

    // Texture stacks: profondeur, largeur and hauteur textures of kTailleTexture bytes each,
    // stored one after the other; null until AllouerTexture.
    VolumeOctets imageOpenGlZ;
    VolumeOctets imageOpenGlX;
    VolumeOctets imageOpenGlY;
    // Per texture of each stack (Z, X, Y): whether it is built for the current mode.
    std::vector<unsigned char> texturesConstruites[3];
    // Mode of the textures (preparationTexture's choix); none before any preparation.
    std::optional<ModeAffichage> modeTextures;

    ImageRGB imgTemp;

    std::unique_ptr<CImage3D> imju;

    // Region extraction: last mesh.
    std::shared_ptr<CMaillageTriangleChRegion> maillage;
    BilanExtraction bilanExtraction;

    // Analysis state (null or empty until computed). The objects behind the shared
    // pointers are created by the analysis code, which supplies their deleters.
    std::shared_ptr<Cvecto> caracterisation;
    std::shared_ptr<ComposanteConnexe> compCC;
    std::vector<std::shared_ptr<ComposanteConnexe>> compCCMulti;
    std::shared_ptr<CWavelet> wavelet;
    std::vector<std::array<int, 360>> rose;    // [elevation 0..179][azimuth 0..359]
    std::vector<std::array<int, 2>> direction; // 13 reference directions (azimuth, elevation)
    std::array<int, 13> indColor{};
    std::array<int, 13> tabdir{};
    float MoyRose = 0.f;
    float DirMaxRose = 0.f;
    float valMaxRose = 0.f;
    float CoeffDirection = 0.f;

private:
    // The stages of CroissanceDeRegion for a seed inside the volume; throws std::bad_alloc
    // when memory runs out, leaving maillage as it was.
    void extraire(int x, int y, int z, const Stravol::OptionsExtraction& options,
                  const MaillageRegion& mailler);
    // Number of voxels of every volume buffer.
    std::size_t nbVoxels() const;
    // Allocates image (and the colour planes when rgb is 1) for the sizes,
    // zeroed; on failure reports it, releases them and sets the sizes to 0.
    bool allouerVolumes(int l, int h, int p, bool couleurs);
    void reinitialiserTaille();
    // Decodes one picture into slice indZ of image (and the colour planes); the first one
    // sets the sizes and allocates the volume. A picture smaller than the first one fails;
    // a larger one gives its top-left part. On failure erreur describes it.
    enum { kChargementReussi, kFichierIllisible, kMemoireEpuisee };
    int ChargerImage(const std::string& fichier, BTCImageObject& objet, std::string& erreur);
    // What decoderCoupe found: the state and error as ChargerImage gives them, the text of the
    // diagnostic a larger picture gets, or a TIFF file left to ChargerImage.
    struct ResultatCoupe {
        int etat = kFichierIllisible;
        std::string erreur;
        std::string note;
        bool tiff = false;
    };
    // ChargerImage's decoding into slice z of a volume already allocated, for any thread at
    // once on distinct slices: it changes nothing but that slice.
    ResultatCoupe decoderCoupe(const std::string& fichier, BTCImageObject& objet, int z);
    // Slices debut .. fin - 1 of image and of the colour planes back to 0.
    void effacerCoupes(int debut, int fin);
    // Decodes the pictures of one pattern's listing of the folder path into the next slices, in
    // file order: the first one gives the sizes when none has yet, the others are decoded on the
    // threads of decodeurs. The first failure is reported and stops the pattern, its slices
    // decoded past it cleared again. False when memory ran out, which stops the loading.
    bool chargerCoupesMotif(const std::string& path, const char* motif,
                            const std::vector<std::string>& liste,
                            std::vector<BTCImageObject>& decodeurs, ProgressSink* barre);
    void signaler(const std::string& texte) const;
    CImageTroisD() = default;
    // Whether a label file whose voxels the transform grille places lies on the volume's
    // grid (ChargerSegFichier); reported when it does not, and when it nearly does.
    bool grilleCompatible(const std::string& fichier, const Geometrie& grille) const;
    // The segmentation from the stored labels of each voxel (lues), the file's value of each
    // stored label when one exceeds kEtiquetteMax (valeurs) and the file's table; false
    // (reported, as the segmentation of fichier) when memory runs out.
    bool poserSegmentation(std::vector<std::uint16_t> lues, std::vector<std::uint32_t> valeurs,
                           TableEtiquettes table, const std::string& fichier);
    // image from a typed volume; false (reported) when memory runs out.
    bool chargerVolumeBrut(const VolumeBrut& brut, const OptionsVolume& options);
    // True when every TIFF slice of the pattern lists is all there is to read.
    bool chargerCoupesTiff(const std::vector<std::string>& fichiers);
    // The DICOM series of the folder (the largest one) as the volume, with its geometry; on
    // failure the message goes to fenetre and the volume is empty.
    bool chargerSerieDicom(const std::string& dossier);
    // Decodes one TIFF slice file into slice indZ (8-bit exact, wider through its own window).
    int ChargerImageTiff(const std::string& fichier, std::string& erreur);
    const unsigned char* sourceMode(ModeAffichage mode) const;
    // The buffer of display modes NiBlack to Segmentee, or null for another mode.
    VolumeOctets* volumeMode(ModeAffichage mode);
    // Copies image into imageOriginal when image holds the loaded volume alone, before image
    // changes; false (reported) when memory runs out, image then untouched.
    bool separerOriginal();
    // Texture ind of stack pile (0 Z, 1 X, 2 Y), built for the current mode when it is not.
    unsigned char* textureConstruite(int pile, int ind);
    // Builds texture ind of stack pile from the volume of modeTextures, labels included.
    void construireTexture(int pile, int ind);
    // The palette of the labels present in the segmentation, with the table's colours.
    void majPalette();
    // How the labels change the texels and pixels of mode; false when they leave them as they
    // are.
    bool coloration(ModeAffichage mode, ColorationEtiquettes& c) const;
    // Colours of the stored labels 0 .. the largest present, by stored label.
    std::vector<CouleurRVB> couleursDenses_;
};

} // namespace Stravol

using Stravol::CImageTroisD;
