// The view's label meshes: their drawing in colour, the pick of the one under a pixel, and frames
// drawn aside at a larger size.

#include "view/COpenGL.h"
#include "view/gl/TableauxMaillage.h"

#include <QOpenGLContext>
#include <QOpenGLFramebufferObject>
#include <QOpenGLFunctions>

#include <GL/gl.h>

#include <algorithm>
#include <utility>

namespace Stravol {

namespace {

// Alpha of a mesh dimmed beside the one shown as it is (times the opacity).
constexpr float kAlphaEstompe = 0.15f;
// Share of the colour lit by the ambient light and by the diffuse light.
constexpr float kAmbiant = 0.35f;
constexpr float kDiffus = 0.75f;
constexpr float kSpeculaire = 0.2f;

// The volume's box widened by this factor holds every label mesh.
constexpr float kMargeBoite = 1.05f;

// The sign of the current modelview's linear part tells whether it mirrors.
double determinantModeleVue() {
    GLdouble m[16];
    glGetDoublev(GL_MODELVIEW_MATRIX, m);
    return m[0] * (m[5] * m[10] - m[9] * m[6]) - m[4] * (m[1] * m[10] - m[9] * m[2]) +
           m[8] * (m[1] * m[6] - m[5] * m[2]);
}

void materiau(const std::array<float, 3>& c, float alpha) {
    const GLfloat ambiant[4] = {kAmbiant * c[0], kAmbiant * c[1], kAmbiant * c[2], alpha};
    const GLfloat diffus[4] = {kDiffus * c[0], kDiffus * c[1], kDiffus * c[2], alpha};
    const GLfloat speculaire[4] = {kSpeculaire, kSpeculaire, kSpeculaire, alpha};
    glMaterialfv(GL_FRONT_AND_BACK, GL_AMBIENT, ambiant);
    glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, diffus);
    glMaterialfv(GL_FRONT_AND_BACK, GL_SPECULAR, speculaire);
}

} // namespace

Matrice4 matriceVoxelsScene(int largeur, int hauteur, int profondeur,
                            const std::array<float, 3>& echelle) {
    const double m = std::max({largeur, hauteur, profondeur, 1});
    // Image2GL: ((2x - W) / M, (H - 2y) / M, (2z - D) / M), then the scale along each axis.
    const double sx = echelle[0], sy = echelle[1], sz = echelle[2];
    return {2 * sx / m,
            0,
            0,
            0,
            0,
            -2 * sy / m,
            0,
            0,
            0,
            0,
            2 * sz / m,
            0,
            -sx * largeur / m,
            sy * hauteur / m,
            -sz * profondeur / m,
            1};
}

void COpenGL::remplacerMaillagesEtiquettes(std::vector<MaillageVue> maillages) {
    if (contexteInitialise) {
        makeCurrent();
        tamponsEtiquettes.liberer();
    } else {
        tamponsEtiquettes.oublier();
    }
    maillagesEtiquettes = std::move(maillages);
}

void COpenGL::dessinerMaillagesEtiquettes() {
    // Buffers of meshes no longer listed go.
    std::vector<const MaillagePlat*> listes;
    for (const MaillageVue& v : maillagesEtiquettes)
        listes.push_back(v.maillage);
    tamponsEtiquettes.garderSeulement(listes);
    if (maillagesEtiquettes.empty())
        return;
    // The label meshes are closed and lie within the volume's box, a little wider for the
    // half voxel of the surface around the outer voxels.
    BoiteScene boite;
    for (int k = 0; k < 3; ++k) {
        boite.max[k] = kMargeBoite * demiCotes[static_cast<std::size_t>(k)];
        boite.min[k] = -boite.max[k];
    }
    const bool eliminer = facesArrieresCachees(boite);
    glPushMatrix();
    glMultMatrixd(matriceVoxelsScene(largeur, hauteur, profondeur, echelleMaillage).data());
    if (eliminer) {
        // Triangles counter-clockwise from outside in voxel coordinates stay so on screen
        // unless the whole transform mirrors.
        glCullFace(GL_BACK);
        glFrontFace(determinantModeleVue() < 0 ? GL_CW : GL_CCW);
    }
    // The transform scales and turns y over: normals are renormalised, and lit from either side
    // of a face alike.
    glEnable(GL_NORMALIZE);
    const float opacite = std::clamp(opaciteMaillages, 0.0f, 1.0f);
    const auto alpha = [&](std::size_t i) {
        const bool estompe = maillageEnAvant >= 0 && static_cast<int>(i) != maillageEnAvant;
        return opacite * (estompe ? kAlphaEstompe : 1.0f);
    };
    // Opaque meshes first; translucent ones then blend over them without hiding one another.
    for (const bool opaques : {true, false}) {
        // Opaque closed meshes hide their back faces; translucent ones show them.
        if (eliminer && opaques)
            glEnable(GL_CULL_FACE);
        else
            glDisable(GL_CULL_FACE);
        if (!opaques)
            glDepthMask(GL_FALSE);
        for (std::size_t i = 0; i < maillagesEtiquettes.size(); ++i) {
            const MaillageVue& v = maillagesEtiquettes[i];
            const float a = alpha(i);
            if (!v.visible || v.maillage == nullptr || a <= 0 || (a >= 1) != opaques)
                continue;
            materiau(v.couleur, a);
            tamponsEtiquettes.dessiner(*v.maillage, v.apercu);
        }
    }
    glDepthMask(GL_TRUE);
    glDisable(GL_CULL_FACE);
    glFrontFace(GL_CCW);
    glDisable(GL_NORMALIZE);
    glPopMatrix();
}

int COpenGL::maillageSous(int x, int y) const {
    std::vector<const MaillagePlat*> montres;
    for (const MaillageVue& v : maillagesEtiquettes)
        montres.push_back(v.visible ? v.maillage : nullptr);
    const Matrice4 modele =
        produit(modeleVueImage_, matriceVoxelsScene(largeur, hauteur, profondeur, echelleMaillage));
    Rayon rayon;
    if (!rayonSousPixel(projectionImage_, modele, largeurProjection, hauteurProjection, x + 0.5,
                        y + 0.5, rayon))
        return -1;
    const std::optional<Impact> impact = premierImpact(rayon, montres);
    return impact ? static_cast<int>(impact->maillage) : -1;
}

QImage COpenGL::rendreImage(int facteur) {
    if (facteur <= 1)
        return capturerImage();
    if (!contexteInitialise)
        return {};
    makeCurrent();
    const int l = largeurProjection * facteur, h = hauteurProjection * facteur;
    GLint maximum = 0;
    glGetIntegerv(GL_MAX_RENDERBUFFER_SIZE, &maximum);
    if (l > maximum || h > maximum)
        return {};
    // Without alpha: the picture is the frame's colours, whatever alpha the clear colour has.
    QOpenGLFramebufferObject tampon(l, h, QOpenGLFramebufferObject::CombinedDepthStencil,
                                    GL_TEXTURE_2D, GL_RGB8);
    if (!tampon.isValid() || !tampon.bind())
        return {};
    echelleRendu_ = facteur;
    dessinerImage();
    echelleRendu_ = 0;
    QImage image = tampon.toImage();
    // Back to the widget's own framebuffer, whose frame is untouched; the projection follows
    // the screen again at the next frame.
    QOpenGLContext::currentContext()->functions()->glBindFramebuffer(GL_FRAMEBUFFER,
                                                                     defaultFramebufferObject());
    appliquerProjection();
    return image.convertToFormat(QImage::Format_RGB32);
}

} // namespace Stravol
