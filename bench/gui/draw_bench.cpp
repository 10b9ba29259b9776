// One frame of the 3D view at 500 x 500 with three cut planes and a mesh of about 380,000
// triangles: the extracted, smoothed mesh of the ball of radius 100 voxels in a 256^3 volume,
// and a latitude-longitude sphere of that radius and size; frames after a change (Draw: the
// mesh copied to the driver again) and frames of a turning camera (mouse motion: the buffers
// drawn as they stand), also with a sphere of about 1.6 million triangles and with 729 label
// meshes of that many triangles in all; with STRAVOL_ATLAS naming a label file (scripts/bench
// writes one: /tmp/stravol-bench/files/atlas.nii.gz), every label of it as the window meshes
// them. Run under a display, e.g.
// xvfb-run -a -s "-screen 0 1280x1024x24" build/view/draw_bench
#include "extraction/SceneEtiquettes.h"
#include "extraction/Tableaux.h"
#include "mesh/ApercuPlat.h"
#include "mesh/MaillagePlat.h"
#include "region/CRegion3D.h"
#include "tests/gui/ApplicationTest.h"
#include "tests/gui/MaillageSynthetique.h"
#include "view/COpenGL.h"
#include "volume/CImage3D.h"

#include <QApplication>
#include <QMouseEvent>
#include <QTest>
#include <QWidget>

#include <GL/gl.h>
#include <benchmark/benchmark.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace {

struct Scene {
    std::unique_ptr<QWidget> fenetre;
    Stravol::COpenGL* vue = nullptr;
    CMaillageTriangleChRegion maillage;
    std::vector<unsigned char> texture = std::vector<unsigned char>(3 * 256 * 256);

    Scene() {
        for (std::size_t i = 0; i < texture.size(); ++i)
            texture[i] = static_cast<unsigned char>(i * 7);
        synthese::cadreVolume(256);
        synthese::construireSphere(maillage, CPoint3D(128, 128, 128), 100, 308, 616);
        fenetre = std::make_unique<QWidget>();
        fenetre->resize(500, 500);
        vue = new Stravol::COpenGL(fenetre.get(), 500, 500, 0, 0, nullptr, ".");
        fenetre->show();
        if (!QTest::qWaitForWindowExposed(fenetre.get()))
            std::fprintf(stderr, "draw_bench: the window was never shown\n");
    }
};

// Built at the first benchmark, destroyed before main returns, while the application lives.
std::unique_ptr<Scene>& sceneConstruite() {
    static std::unique_ptr<Scene> s;
    return s;
}

Scene& scene() {
    std::unique_ptr<Scene>& s = sceneConstruite();
    if (!s)
        s = std::make_unique<Scene>();
    return *s;
}

// The mesh of the extraction road: region of the ball, border repair, voxel-face mesh at scale 1,
// ten Taubin rounds, face and vertex normals.
CMaillageTriangleChRegion& maillageBoule() {
    static CMaillageTriangleChRegion* m = [] {
        CImage3D volume;
        volume.Create(256, 256, 256);
        for (int z = 0; z < 256; ++z)
            for (int y = 0; y < 256; ++y)
                for (int x = 0; x < 256; ++x) {
                    const int dx = x - 128, dy = y - 128, dz = z - 128;
                    volume.Pixel(x, y, z) = dx * dx + dy * dy + dz * dz <= 100 * 100 ? 255 : 0;
                }
        CRegion3D::initialiserVoisinages();
        CRegion3D region;
        region.creerRegionImage3D(volume);
        region.reparerTopologie();
        auto* maillage = new CMaillageTriangleChRegion;
        maillage->creerMaillageTriangleChRegion2(region, 1);
        maillage->lisserCourbureTaubin(10);
        maillage->calculerNormales();
        maillage->calculerNormalesSommets();
        return maillage;
    }();
    return *m;
}

void montrer(bool coupes, bool maillage, CMaillageTriangleChRegion* lequel = nullptr) {
    Scene& s = scene();
    const unsigned char* t = coupes ? s.texture.data() : nullptr;
    const int ind = coupes ? 128 : -1;
    s.vue->textureX = s.vue->textureY = s.vue->textureZ = t;
    s.vue->indX = s.vue->indY = s.vue->indZ = ind;
    s.vue->maillage = lequel ? lequel : &s.maillage;
    s.vue->bmaillage = maillage;
}

// Draw() renders and shows the frame; glFinish waits until the renderer is done with it.
void dessiner(benchmark::State& state, bool coupes, bool maillage) {
    montrer(coupes, maillage);
    Scene& s = scene();
    for (auto _ : state) {
        s.vue->Draw();
        s.vue->makeCurrent();
        glFinish();
    }
    state.counters["triangles"] = maillage ? s.maillage.nbTriangles : 0;
}

void BM_FrameThreeCutsAndBallMesh(benchmark::State& state) {
    CMaillageTriangleChRegion& boule = maillageBoule();
    montrer(true, true, &boule);
    Scene& s = scene();
    for (auto _ : state) {
        s.vue->Draw();
        s.vue->makeCurrent();
        glFinish();
    }
    state.counters["triangles"] = boule.nbTriangles;
}

// Frames of the trackball turning under a held button, as the user drags: each motion event
// draws one frame.
void tournerEtDessiner(benchmark::State& state) {
    Scene& s = scene();
    s.vue->Draw();
    QMouseEvent appui(QEvent::MouseButtonPress, QPointF(250, 250), QPointF(250, 250),
                      Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(s.vue, &appui);
    int pas = 0;
    for (auto _ : state) {
        const QPointF p(250 + (pas % 40) * 3, 250 + (pas % 40));
        QMouseEvent mouvement(QEvent::MouseMove, p, p, Qt::NoButton, Qt::LeftButton,
                              Qt::NoModifier);
        QApplication::sendEvent(s.vue, &mouvement);
        s.vue->makeCurrent();
        glFinish();
        ++pas;
    }
    QMouseEvent relache(QEvent::MouseButtonRelease, QPointF(250, 250), QPointF(250, 250),
                        Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(s.vue, &relache);
}

void BM_TurningThreeCutsAndBallMesh(benchmark::State& state) {
    CMaillageTriangleChRegion& boule = maillageBoule();
    montrer(true, true, &boule);
    tournerEtDessiner(state);
    state.counters["triangles"] = boule.nbTriangles;
}

// A sphere of 632 x 1264 facets: about 1.6 million triangles.
CMaillageTriangleChRegion& grandeSphere() {
    static CMaillageTriangleChRegion* m = [] {
        auto* sphere = new CMaillageTriangleChRegion;
        synthese::cadreVolume(256);
        synthese::construireSphere(*sphere, CPoint3D(128, 128, 128), 100, 632, 1264);
        return sphere;
    }();
    return *m;
}

void BM_TurningMillionsOfTriangles(benchmark::State& state) {
    CMaillageTriangleChRegion& sphere = grandeSphere();
    montrer(false, true, &sphere);
    tournerEtDessiner(state);
    state.counters["triangles"] = sphere.nbTriangles;
}

void BM_FrameMillionsOfTriangles(benchmark::State& state) {
    CMaillageTriangleChRegion& sphere = grandeSphere();
    montrer(false, true, &sphere);
    Scene& s = scene();
    for (auto _ : state) {
        s.vue->Draw();
        s.vue->makeCurrent();
        glFinish();
    }
    state.counters["triangles"] = sphere.nbTriangles;
}

// 729 label meshes on a 9 x 9 x 9 grid of a 256^3 volume, each a sphere of 2,200 triangles:
// about 1.6 million triangles, as the label meshes of a fine atlas, with their previews.
struct Etiquettes {
    std::vector<Stravol::MaillagePlat> maillages;
    std::vector<std::vector<std::uint32_t>> apercus;
};

Etiquettes& etiquettes() {
    static auto* e = [] {
        constexpr int kParCote = 9, kAnneaux = 22, kMeridiens = 50;
        constexpr float kPas = 256.0f / kParCote;
        auto* r = new Etiquettes;
        for (int k = 0; k < kParCote * kParCote * kParCote; ++k) {
            r->maillages.push_back(synthese::spherePlate(
                (k % kParCote + 0.5f) * kPas, (k / kParCote % kParCote + 0.5f) * kPas,
                (k / (kParCote * kParCote) + 0.5f) * kPas, 0.45f * kPas, kAnneaux, kMeridiens));
            r->apercus.push_back(Stravol::trianglesApercu(r->maillages.back()));
        }
        return r;
    }();
    return *e;
}

// Every label of the atlas STRAVOL_ATLAS meshed as the window's "every label" does (dual
// surface, its default smoothing, a preview each), and the atlas's sides; false when it cannot.
bool etiquettesAtlas(Etiquettes& e, std::array<int, 3>& cotes) {
    const char* fichier = std::getenv("STRAVOL_ATLAS");
    if (fichier == nullptr)
        return false;
    Stravol::DemandeOuverture demande;
    demande.entree = fichier;
    const auto ouvert = Stravol::ouvrirTableaux(demande, "");
    if (!ouvert)
        return false;
    const Stravol::VueVolume& vue = ouvert.valeur().volume.vue;
    const auto presentes = Stravol::etiquettesVue(vue);
    if (!presentes)
        return false;
    const auto carte = Stravol::carteEtiquettes(vue, presentes.valeur());
    if (!carte)
        return false;
    Stravol::OptionsExtraction options;
    options.surface = Stravol::MethodeSurface::Duale;
    options.nbLissages = Stravol::kToursDualParDefaut;
    std::mutex verrou;
    std::string erreur;
    const std::atomic<bool> arret = false;
    const bool fait = Stravol::maillerToutesEtiquettes(
        carte.valeur(), options, ouvert.valeur().geometrie, arret, [](std::size_t) {},
        [&](std::uint32_t, Stravol::MaillagePlat& m) {
            std::vector<std::uint32_t> apercu = Stravol::trianglesApercu(m);
            const std::lock_guard<std::mutex> garde(verrou);
            e.maillages.push_back(std::move(m));
            e.apercus.push_back(std::move(apercu));
        },
        erreur);
    cotes = {vue.W, vue.H, vue.D};
    return fait;
}

// Frames of a turning camera around the meshes of e in a volume of the given sides, with
// their previews where they show small (previews) or without.
void tournerAutourDesEtiquettes(benchmark::State& state, const Etiquettes& e,
                                const std::array<int, 3>& cotes, bool apercus) {
    montrer(false, false);
    Scene& s = scene();
    s.vue->largeur = cotes[0];
    s.vue->hauteur = cotes[1];
    s.vue->profondeur = cotes[2];
    std::vector<Stravol::MaillageVue> vues;
    std::size_t triangles = 0;
    for (std::size_t i = 0; i < e.maillages.size(); ++i) {
        vues.push_back({&e.maillages[i],
                        {0.8f, 0.5f, 0.3f},
                        true,
                        apercus && !e.apercus[i].empty() ? &e.apercus[i] : nullptr});
        triangles += e.maillages[i].nbTriangles();
    }
    s.vue->remplacerMaillagesEtiquettes(std::move(vues));
    const int avant = s.vue->nbApercusEtiquettes();
    tournerEtDessiner(state);
    state.counters["previews"] =
        benchmark::Counter(static_cast<double>(s.vue->nbApercusEtiquettes() - avant),
                           benchmark::Counter::kAvgIterations);
    s.vue->remplacerMaillagesEtiquettes({});
    state.counters["meshes"] = static_cast<double>(e.maillages.size());
    state.counters["without_preview"] = static_cast<double>(
        std::count_if(e.apercus.begin(), e.apercus.end(), [](const auto& a) { return a.empty(); }));
    state.counters["triangles"] = static_cast<double>(triangles);
}

// Frames of a turning camera around the label meshes, with their previews where they show
// small (state.range(0) = 1) or without.
void BM_TurningLabelMeshes(benchmark::State& state) {
    tournerAutourDesEtiquettes(state, etiquettes(), {256, 256, 256}, state.range(0) != 0);
}

// The same around every label of the atlas that STRAVOL_ATLAS names.
void BM_TurningAtlasLabelMeshes(benchmark::State& state) {
    static Etiquettes e;
    static std::array<int, 3> cotes{};
    static const bool pret = etiquettesAtlas(e, cotes);
    if (!pret) {
        state.SkipWithError("STRAVOL_ATLAS names no atlas whose labels can be meshed");
        return;
    }
    tournerAutourDesEtiquettes(state, e, cotes, state.range(0) != 0);
}

void BM_FrameThreeCutsAndMesh(benchmark::State& state) { dessiner(state, true, true); }
void BM_FrameMeshOnly(benchmark::State& state) { dessiner(state, false, true); }
void BM_FrameThreeCutsOnly(benchmark::State& state) { dessiner(state, true, false); }

// The same frame read back from the framebuffer, as the tests do.
void BM_CaptureThreeCutsAndMesh(benchmark::State& state) {
    montrer(true, true);
    for (auto _ : state)
        benchmark::DoNotOptimize(scene().vue->capturerImage());
}

BENCHMARK(BM_FrameThreeCutsAndBallMesh)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Repetitions(7)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_FrameThreeCutsAndMesh)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Repetitions(7)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_TurningThreeCutsAndBallMesh)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Repetitions(7)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_TurningMillionsOfTriangles)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_FrameMillionsOfTriangles)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);
// Without previews (0) and with (1), the median of 5.
void sansEtAvecApercus(benchmark::internal::Benchmark* b) {
    b->Arg(0)
        ->Arg(1)
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime()
        ->Repetitions(5)
        ->ReportAggregatesOnly(true);
}
BENCHMARK(BM_TurningLabelMeshes)->Apply(sansEtAvecApercus);
BENCHMARK(BM_TurningAtlasLabelMeshes)->Apply(sansEtAvecApercus);
BENCHMARK(BM_FrameMeshOnly)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_FrameThreeCutsOnly)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_CaptureThreeCutsAndMesh)->Unit(benchmark::kMillisecond)->UseRealTime();

} // namespace

int main(int argc, char** argv) {
    testgui::application();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    sceneConstruite().reset();
    return 0;
}
