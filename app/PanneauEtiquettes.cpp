#include "app/PanneauEtiquettes.h"

#include "app/UtilitairesQt.h"

#include "view/COpenGL.h"

#include <QColor>
#include <QDockWidget>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QScrollBar>
#include <QSlider>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>
#include <new>

namespace Stravol {

namespace {

constexpr int kOpaciteMax = 100;
// Widest the table asks to be, in pixels (long names are then cut).
constexpr int kLargeurMax = 560;
// Room around a name in its cell, and above and below a row's text, in pixels.
constexpr int kMargeLigne = 6;
constexpr int kMargeNom = 12;

QTableWidgetItem* cellule(const QString& texte, Qt::Alignment alignement = Qt::AlignLeft) {
    auto* item = new QTableWidgetItem(texte);
    item->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled);
    item->setTextAlignment(alignement | Qt::AlignVCenter);
    return item;
}

int arrondi(double v) { return static_cast<int>(std::lround(v)); }

} // namespace

PanneauEtiquettes::PanneauEtiquettes(QWidget* fenetre, const VolumeOuvert& ouvert)
    : QObject(fenetre), ouvert_(ouvert) {
    construire(fenetre);
}

void PanneauEtiquettes::construire(QWidget* fenetre) {
    dock_ = new QDockWidget("Étiquettes", fenetre);
    dock_->setObjectName("dockEtiquettes");
    dock_->setAllowedAreas(Qt::LeftDockWidgetArea | Qt::RightDockWidgetArea);
    auto* contenu = new QWidget(dock_);
    auto* disposition = new QVBoxLayout(contenu);

    filtre_ = new QLineEdit(contenu);
    filtre_->setObjectName("filtreEtiquettes");
    filtre_->setPlaceholderText("Filtrer par nom");
    filtre_->setClearButtonEnabled(true);
    disposition->addWidget(filtre_);

    auto* boutons = new QHBoxLayout;
    toutes_ = new QPushButton("Toutes", contenu);
    toutes_->setObjectName("toutesEtiquettes");
    toutes_->setToolTip("Montrer les étiquettes de la liste");
    aucune_ = new QPushButton("Aucune", contenu);
    aucune_->setObjectName("aucuneEtiquette");
    aucune_->setToolTip("Cacher les étiquettes de la liste");
    boutons->addWidget(toutes_);
    boutons->addWidget(aucune_);
    boutons->addStretch();
    disposition->addLayout(boutons);

    table_ = new QTableWidget(0, NbColonnes, contenu);
    table_->setObjectName("tableEtiquettes");
    table_->setHorizontalHeaderLabels(
        {"Visible", "Couleur", "Valeur", "Nom", "Voxels", "Volume (mm³)"});
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setSelectionMode(QAbstractItemView::SingleSelection);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->verticalHeader()->hide();
    // Rows as high as their text: more labels in view.
    table_->verticalHeader()->setDefaultSectionSize(table_->fontMetrics().height() + kMargeLigne);
    table_->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    table_->horizontalHeader()->setSectionResizeMode(Nom, QHeaderView::Stretch);
    disposition->addWidget(table_, 1);

    auto* ligneOpacite = new QHBoxLayout;
    auto* texteOpacite = new QLabel("Opacité des maillages", contenu);
    opacite_ = new QSlider(Qt::Horizontal, contenu);
    opacite_->setObjectName("opaciteMaillages");
    opacite_->setRange(0, kOpaciteMax);
    opacite_->setValue(kOpaciteMax);
    texteOpacite->setBuddy(opacite_);
    ligneOpacite->addWidget(texteOpacite);
    ligneOpacite->addWidget(opacite_, 1);
    disposition->addLayout(ligneOpacite);

    dock_->setWidget(contenu);
    dock_->hide();

    connect(filtre_, &QLineEdit::textChanged, this, &PanneauEtiquettes::filtrer);
    connect(toutes_, &QPushButton::clicked, this, [this] { toutMontrer(true); });
    connect(aucune_, &QPushButton::clicked, this, [this] { toutMontrer(false); });
    connect(table_, &QTableWidget::itemSelectionChanged, this, &PanneauEtiquettes::ligneChoisie);
    connect(table_, &QTableWidget::itemChanged, this, &PanneauEtiquettes::caseChangee);
    connect(opacite_, &QSlider::valueChanged, this, [this](int) { majVue(); });
}

void PanneauEtiquettes::nouveauVolume() {
    lignes_.clear();
    valeursVue_.clear();
    CImageTroisD* volume = ouvert_.images3D.get();
    if (volume != nullptr && aUneSegmentation(*volume)) {
        try {
            for (const EtiquettePresente& e : inventaireEtiquettes(*volume)) {
                // The names of the volume's table, the colours of its palette: those of the
                // cuts and the picture.
                const EntreeEtiquette* entree = volume->tableEtiquettes.trouver(e.valeur);
                lignes_.push_back({e, entree != nullptr ? entree->nom : std::string(),
                                   volume->palette.couleur(e.valeur), true});
            }
        } catch (const std::bad_alloc&) {
            lignes_.clear();
        }
    }
    remplirTable();
}

void PanneauEtiquettes::tableChangee() {
    const CImageTroisD* volume = ouvert_.images3D.get();
    if (volume == nullptr)
        return;
    for (Ligne& l : lignes_) {
        const EntreeEtiquette* entree = volume->tableEtiquettes.trouver(l.etiquette.valeur);
        l.nom = entree != nullptr ? entree->nom : std::string();
        l.couleur = volume->palette.couleur(l.etiquette.valeur);
    }
    remplirTable();
    majVue();
}

void PanneauEtiquettes::remplirTable() {
    parCode_ = true;
    table_->clearContents();
    table_->setRowCount(static_cast<int>(lignes_.size()));
    const QLocale locale;
    for (int r = 0; r < table_->rowCount(); ++r) {
        const Ligne& l = lignes_[static_cast<std::size_t>(r)];
        auto* visible = new QTableWidgetItem;
        visible->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemIsUserCheckable);
        visible->setCheckState(l.visible ? Qt::Checked : Qt::Unchecked);
        table_->setItem(r, Visible, visible);
        auto* couleur = cellule(QString());
        couleur->setData(Qt::DecorationRole, QColor(l.couleur[0], l.couleur[1], l.couleur[2]));
        table_->setItem(r, Couleur, couleur);
        table_->setItem(r, Valeur, cellule(QString::number(l.etiquette.valeur), Qt::AlignRight));
        table_->setItem(r, Nom, cellule(QString::fromStdString(l.nom)));
        table_->setItem(r, Voxels, cellule(locale.toString(l.etiquette.voxels), Qt::AlignRight));
        table_->setItem(r, Volume,
                        cellule(locale.toString(l.etiquette.volumeMm3, 'f', 1), Qt::AlignRight));
    }
    table_->clearSelection();
    parCode_ = false;
    filtrer(filtre_->text());
    ajusterLargeur();
}

void PanneauEtiquettes::ajusterLargeur() {
    // Every column in view without scrolling sideways, within a reasonable width: the columns
    // sized to their contents, the names' column to its longest name.
    QHeaderView* entete = table_->horizontalHeader();
    entete->resizeSections(QHeaderView::ResizeToContents);
    int nom = entete->sectionSizeHint(Nom);
    for (const Ligne& l : lignes_)
        nom = std::max(nom, table_->fontMetrics().horizontalAdvance(QString::fromStdString(l.nom)) +
                                kMargeNom);
    int largeur = 2 * table_->frameWidth() + table_->verticalScrollBar()->sizeHint().width() + nom;
    for (int c = 0; c < NbColonnes; ++c)
        if (c != Nom)
            largeur += entete->sectionSize(c);
    table_->setMinimumWidth(std::min(largeur, kLargeurMax));
}

int PanneauEtiquettes::ligneDe(std::uint32_t valeur) const {
    const auto it =
        std::lower_bound(lignes_.begin(), lignes_.end(), valeur,
                         [](const Ligne& l, std::uint32_t v) { return l.etiquette.valeur < v; });
    if (it == lignes_.end() || it->etiquette.valeur != valeur)
        return -1;
    return static_cast<int>(it - lignes_.begin());
}

std::string PanneauEtiquettes::nom(std::uint32_t valeur) const {
    const int l = ligneDe(valeur);
    return l >= 0 ? lignes_[static_cast<std::size_t>(l)].nom : std::string();
}

CouleurRVB PanneauEtiquettes::couleur(std::uint32_t valeur) const {
    const int l = ligneDe(valeur);
    if (l >= 0)
        return lignes_[static_cast<std::size_t>(l)].couleur;
    return ouvert_.images3D != nullptr ? ouvert_.images3D->palette.couleur(valeur)
                                       : couleurParDefaut(valeur);
}

bool PanneauEtiquettes::estVisible(std::uint32_t valeur) const {
    const int l = ligneDe(valeur);
    return l < 0 || lignes_[static_cast<std::size_t>(l)].visible;
}

std::optional<std::uint32_t> PanneauEtiquettes::choisie() const {
    const QList<QTableWidgetItem*> choix = table_->selectedItems();
    if (choix.isEmpty())
        return std::nullopt;
    return lignes_[static_cast<std::size_t>(choix.first()->row())].etiquette.valeur;
}

void PanneauEtiquettes::montrerMaillages(const std::vector<MaillageEtiquette>& scene,
                                         const std::vector<std::vector<std::uint32_t>>& apercus) {
    valeursVue_.clear();
    std::vector<MaillageVue> maillages;
    for (std::size_t i = 0; i < scene.size(); ++i) {
        valeursVue_.push_back(scene[i].valeur);
        maillages.push_back(
            {&scene[i].maillage, {}, true, i < apercus.size() ? &apercus[i] : nullptr});
    }
    if (ouvert_.fenetreOpenGL != nullptr)
        ouvert_.fenetreOpenGL->remplacerMaillagesEtiquettes(std::move(maillages));
    majVue();
}

void PanneauEtiquettes::choisirMaillage(int indice) {
    if (indice < 0 || indice >= static_cast<int>(valeursVue_.size())) {
        choisirLigne(-1, false);
        return;
    }
    const int ligne = ligneDe(valeursVue_[static_cast<std::size_t>(indice)]);
    choisirLigne(ligne, true);
}

void PanneauEtiquettes::choisirVoxel(const Coord3D& v) {
    const CImageTroisD* volume = ouvert_.images3D.get();
    if (volume == nullptr || v.x < 0 || v.y < 0 || v.z < 0 || v.x >= volume->largeur ||
        v.y >= volume->hauteur || v.z >= volume->profondeur)
        return;
    const std::uint32_t valeur = volume->etiquetteVoxel(v.x, v.y, v.z);
    choisirLigne(valeur > 0 ? ligneDe(valeur) : -1, false);
}

void PanneauEtiquettes::choisirLigne(int ligne, bool deplacer) {
    deplacer_ = deplacer;
    if (ligne < 0) {
        table_->clearSelection();
    } else {
        // A row hidden by the filter comes back: the filter goes.
        if (table_->isRowHidden(ligne))
            filtre_->clear();
        table_->selectRow(ligne);
        table_->scrollToItem(table_->item(ligne, Valeur));
    }
    deplacer_ = true;
}

void PanneauEtiquettes::ligneChoisie() {
    if (parCode_)
        return;
    majVue();
    const std::optional<std::uint32_t> valeur = choisie();
    if (!valeur || !deplacer_)
        return;
    const EtiquettePresente& e = lignes_[static_cast<std::size_t>(ligneDe(*valeur))].etiquette;
    Q_EMIT centreChoisi({arrondi(e.centre[0]), arrondi(e.centre[1]), arrondi(e.centre[2])});
}

void PanneauEtiquettes::caseChangee(QTableWidgetItem* item) {
    if (parCode_ || item->column() != Visible)
        return;
    lignes_[static_cast<std::size_t>(item->row())].visible = item->checkState() == Qt::Checked;
    majVue();
}

void PanneauEtiquettes::filtrer(const QString& texte) {
    const QString t = texte.trimmed();
    for (int r = 0; r < table_->rowCount(); ++r) {
        const Ligne& l = lignes_[static_cast<std::size_t>(r)];
        const bool garde = t.isEmpty() ||
                           QString::fromStdString(l.nom).contains(t, Qt::CaseInsensitive) ||
                           QString::number(l.etiquette.valeur) == t;
        table_->setRowHidden(r, !garde);
    }
}

void PanneauEtiquettes::toutMontrer(bool visible) {
    parCode_ = true;
    for (int r = 0; r < table_->rowCount(); ++r) {
        if (table_->isRowHidden(r))
            continue;
        lignes_[static_cast<std::size_t>(r)].visible = visible;
        table_->item(r, Visible)->setCheckState(visible ? Qt::Checked : Qt::Unchecked);
    }
    parCode_ = false;
    majVue();
}

void PanneauEtiquettes::majVue() {
    COpenGL* vue = ouvert_.fenetreOpenGL;
    if (vue == nullptr)
        return;
    const std::optional<std::uint32_t> valeur = choisie();
    vue->maillageEnAvant = -1;
    for (std::size_t i = 0; i < vue->maillagesEtiquettes.size() && i < valeursVue_.size(); ++i) {
        const std::uint32_t v = valeursVue_[i];
        const CouleurRVB c = couleur(v);
        MaillageVue& m = vue->maillagesEtiquettes[i];
        m.couleur = {c[0] / 255.0f, c[1] / 255.0f, c[2] / 255.0f};
        m.visible = estVisible(v);
        if (valeur && *valeur == v)
            vue->maillageEnAvant = static_cast<int>(i);
    }
    vue->opaciteMaillages = static_cast<float>(opacite_->value()) / kOpaciteMax;
    // One frame for however many changes the event loop brings at once (a slider dragged).
    vue->update();
}

} // namespace Stravol
