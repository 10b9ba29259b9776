#pragma once
// The figures of the window's extraction summary, read back from the status bar's text in the
// locale the window writes them in.

#include <QLocale>
#include <QRegularExpression>
#include <QString>

namespace testapp {

struct ChiffresBilan {
    double voxels = 0.0;
    double triangles = 0.0;
    double volume = 0.0;     // voxels
    double aire = -1.0;      // voxel side^2; -1 when the summary gives the world measure alone
    double volumeMm3 = -1.0; // -1 when the summary gives no world measure
    double aireMm2 = -1.0;
    double secondes = -1.0;
};

// False when texte is not an extraction summary.
inline bool lireBilan(const QString& texte, ChiffresBilan& c) {
    const QLocale l;
    const QString n = "([0-9" +
                      QRegularExpression::escape(QString(l.decimalPoint()) + l.groupSeparator()) +
                      "]+)";
    // Voxel measures for a picture folder; millimetres (with the voxel volume beside) for a
    // volume with a voxel size.
    const QRegularExpression motif("^Extraction au voxel \\(\\d+, \\d+, \\d+\\) : " + n +
                                   " voxels, " + n + " triangles, volume (?:" + n + " mm³ \\(" + n +
                                   " voxels\\)|" + n + " voxels), aire (?:" + n + " mm²|" + n +
                                   " voxels²), " + n + " s$");
    const QRegularExpressionMatch m = motif.match(texte);
    if (!m.hasMatch())
        return false;
    const auto nombre = [&](int i, double& v) {
        if (m.captured(i).isEmpty())
            return true;
        bool ok = false;
        v = l.toDouble(m.captured(i), &ok);
        return ok;
    };
    return nombre(1, c.voxels) && nombre(2, c.triangles) && nombre(3, c.volumeMm3) &&
           nombre(4, c.volume) && nombre(5, c.volume) && nombre(6, c.aireMm2) &&
           nombre(7, c.aire) && nombre(8, c.secondes);
}

} // namespace testapp
