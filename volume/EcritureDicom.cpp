// DICOM series writer over GDCM.

#include <gdcmAttribute.h>
#include <gdcmImage.h>
#include <gdcmImageWriter.h>
#include <gdcmTrace.h>

#include <cmath>
#include <filesystem>
#include <fstream>

#include "volume/EcritureVolume.h"

namespace Stravol {

namespace {

bool formatPixels(TypeVoxel type, gdcm::PixelFormat& format) {
    switch (type) {
    case TypeVoxel::Octet:
        format = gdcm::PixelFormat::UINT8;
        return true;
    case TypeVoxel::OctetSigne:
        format = gdcm::PixelFormat::INT8;
        return true;
    case TypeVoxel::Entier16:
        format = gdcm::PixelFormat::INT16;
        return true;
    case TypeVoxel::EntierNonSigne16:
        format = gdcm::PixelFormat::UINT16;
        return true;
    case TypeVoxel::Entier32:
        format = gdcm::PixelFormat::INT32;
        return true;
    case TypeVoxel::EntierNonSigne32:
        format = gdcm::PixelFormat::UINT32;
        return true;
    default:
        return false;
    }
}

template <std::uint16_t G, std::uint16_t E>
void fixerTexte(gdcm::DataSet& ds, const std::string& valeur) {
    gdcm::Attribute<G, E> a;
    a.SetValue(valeur.c_str());
    ds.Replace(a.GetAsDataElement());
}

} // namespace

bool ecrireSerieDicom(const std::string& dossier, const VolumeBrut& volume,
                      const OptionsDicom& options, std::string& erreur) {
    if (volume.vide()) {
        erreur = "volume vide";
        return false;
    }
    gdcm::PixelFormat format;
    if (!formatPixels(volume.type, format)) {
        erreur = std::string("type ") + nomType(volume.type) + " impossible en DICOM";
        return false;
    }
    if (!options.noms.empty() &&
        options.noms.size() != static_cast<std::size_t>(volume.profondeur)) {
        erreur = "un nom de fichier par coupe est attendu";
        return false;
    }
    // GDCM's diagnostics go nowhere: failures are told by the result.
    static std::ofstream silence("/dev/null");
    gdcm::Trace::SetStream(silence);
    gdcm::Trace::WarningOff();
    const auto& a = volume.geometrie.affine;
    // RAS to LPS: x and y change sign. The columns of the transform: the step along a row, down
    // the rows, and from a slice to the next.
    const double signes[3] = {-1.0, -1.0, 1.0};
    double axes[3][3], longueurs[3];
    for (int j = 0; j < 3; ++j) {
        longueurs[j] = std::hypot(a[0][j], a[1][j], a[2][j]);
        for (int i = 0; i < 3; ++i)
            axes[j][i] = signes[i] * a[i][j];
    }
    const double produit =
        axes[0][0] * axes[1][0] + axes[0][1] * axes[1][1] + axes[0][2] * axes[1][2];
    if (longueurs[0] <= 0 || longueurs[1] <= 0 ||
        std::abs(produit) > 1e-9 * longueurs[0] * longueurs[1]) {
        erreur = "les deux premiers axes du volume doivent être orthogonaux en DICOM";
        return false;
    }
    const std::size_t octetsCoupe =
        static_cast<std::size_t>(volume.largeur) * volume.hauteur * tailleVoxel(volume.type);
    for (int z = 0; z < volume.profondeur; ++z) {
        gdcm::ImageWriter w;
        gdcm::Image& im = w.GetImage();
        im.SetNumberOfDimensions(2);
        im.SetDimension(0, static_cast<unsigned int>(volume.largeur));
        im.SetDimension(1, static_cast<unsigned int>(volume.hauteur));
        im.SetPixelFormat(format);
        im.SetPhotometricInterpretation(gdcm::PhotometricInterpretation::MONOCHROME2);
        im.SetTransferSyntax(options.explicite ? gdcm::TransferSyntax::ExplicitVRLittleEndian
                                               : gdcm::TransferSyntax::ImplicitVRLittleEndian);
        for (unsigned int i = 0; i < 3; ++i)
            im.SetOrigin(i, signes[i] * a[i][3] + z * axes[2][i]);
        const double cosinus[6] = {axes[0][0] / longueurs[0], axes[0][1] / longueurs[0],
                                   axes[0][2] / longueurs[0], axes[1][0] / longueurs[1],
                                   axes[1][1] / longueurs[1], axes[1][2] / longueurs[1]};
        im.SetDirectionCosines(cosinus);
        im.SetSpacing(0, longueurs[0]);
        im.SetSpacing(1, longueurs[1]);
        im.SetSlope(options.pente);
        im.SetIntercept(options.ordonnee);
        gdcm::DataElement pixels(gdcm::Tag(0x7fe0, 0x0010));
        pixels.SetByteValue(reinterpret_cast<const char*>(volume.donnees.data()) +
                                static_cast<std::size_t>(z) * octetsCoupe,
                            static_cast<std::uint32_t>(octetsCoupe));
        im.SetDataElement(pixels);
        gdcm::DataSet& ds = w.GetFile().GetDataSet();
        // Fixed identifiers: the same volume gives the same files.
        fixerTexte<0x0008, 0x0016>(ds, "1.2.840.10008.5.1.4.1.1.2"); // CT Image Storage
        fixerTexte<0x0008, 0x0018>(ds, options.serie + "." + std::to_string(z + 1));
        fixerTexte<0x0020, 0x000d>(ds, options.serie + ".0");
        fixerTexte<0x0020, 0x000e>(ds, options.serie);
        fixerTexte<0x0008, 0x0060>(ds, "CT");
        gdcm::Attribute<0x0020, 0x0013> numero;
        numero.SetValue(z + 1);
        ds.Replace(numero.GetAsDataElement());
        const std::string nom = options.noms.empty() ? "coupe" + std::to_string(z) + ".dcm"
                                                     : options.noms[static_cast<std::size_t>(z)];
        const std::string chemin = (std::filesystem::path(dossier) / nom).string();
        w.SetFileName(chemin.c_str());
        if (!w.Write()) {
            erreur = "impossible d'écrire " + chemin;
            return false;
        }
    }
    return true;
}

} // namespace Stravol
