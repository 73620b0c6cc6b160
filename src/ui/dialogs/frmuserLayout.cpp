// The widgets of "Bewertungen auslesen" and their connections; the
// handlers are in frmuser.cpp.
#include "ui/controls/chbox.h"
#include "ui/controls/dialogParts.h"
#include "ui/dialogs/frmuser.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QVBoxLayout>

namespace ui {

namespace {

// Member names of the marketplace are at most this long.
constexpr int kLongestName = 64;

QLabel* countLabel(QWidget* parent, const char* name, const QColor& colour) {
    auto* l = new QLabel(QStringLiteral("0"), parent);
    l->setObjectName(QString::fromLatin1(name));
    l->setAlignment(Qt::AlignCenter);
    QPalette pal = l->palette();
    pal.setColor(QPalette::WindowText, colour);
    l->setPalette(pal);
    return l;
}

} // namespace

frmuser::frmuser(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmuser"));
    setWindowTitle(QStringLiteral("Bewertungen auslesen"));
    setModal(true);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(nameFrame());
    layout->addWidget(profileFrame());
    layout->addWidget(searchFrame());

    auto* buttons = new QHBoxLayout;
    m_ZorButton4 = button(this, "ZorButton4", QStringLiteral("&Profil"));
    m_ZorButton2 = button(this, "ZorButton2", QStringLiteral("S&uchen"));
    m_cmdCancel = button(this, "cmdCancel", QStringLiteral("Abbrechen"));
    buttons->addWidget(m_ZorButton4);
    buttons->addWidget(m_ZorButton2);
    buttons->addStretch();
    buttons->addWidget(m_cmdCancel);
    layout->addLayout(buttons);
    // The search shows first.
    m_Frame5->hide();
    m_ZorButton2->hide();

    connect(m_cmbUser, &QComboBox::activated, this, [this] { cmbUser_Click(); });
    connect(m_cmbUser, &QComboBox::editTextChanged, this, [this] { cmbUser_Change(); });
    connect(m_cmddelete, &QPushButton::clicked, this, &frmuser::cmddelete_Click);
    connect(m_ZorButton1, &QPushButton::clicked, this, &frmuser::ZorButton1_Click);
    connect(m_ZorButton2, &QPushButton::clicked, this, &frmuser::ZorButton2_Click);
    connect(m_ZorButton3, &QPushButton::clicked, this, &frmuser::ZorButton3_Click);
    connect(m_ZorButton4, &QPushButton::clicked, this, &frmuser::ZorButton4_Click);
    connect(m_cmdsuche, &QPushButton::clicked, this, &frmuser::cmdsuche_Click);
    connect(m_cmdCancel, &QPushButton::clicked, this, &frmuser::cmdCancel_Click);

    Form_Load();
}

QGroupBox* frmuser::nameFrame() {
    auto* frame = new QGroupBox(QStringLiteral("Username (Ebay-Name)"), this);
    auto* nameRow = new QHBoxLayout(frame);
    m_cmbUser = new QComboBox(frame);
    m_cmbUser->setObjectName(QStringLiteral("cmbUser"));
    m_cmbUser->setEditable(true);
    m_cmbUser->setInsertPolicy(QComboBox::NoInsert);
    m_cmbUser->lineEdit()->setMaxLength(kLongestName);
    m_cmbUser->setMinimumWidth(260);
    m_cmddelete = button(frame, "cmddelete", {});
    m_cmddelete->setIcon(style()->standardIcon(QStyle::SP_TrashIcon));
    m_cmddelete->setToolTip(QStringLiteral("Eintrag aus der Datenbank entfernen"));
    m_cmddelete->setAccessibleName(QStringLiteral("Entfernen"));
    m_ZorButton1 = button(frame, "ZorButton1", QStringLiteral("&Datenbank"));
    nameRow->addWidget(m_cmbUser, 1);
    nameRow->addWidget(m_cmddelete);
    nameRow->addWidget(m_ZorButton1);
    return frame;
}

QGroupBox* frmuser::profileFrame() {
    m_Frame5 = new QGroupBox(QStringLiteral("Profil:"), this);
    m_Frame5->setObjectName(QStringLiteral("Frame5"));
    auto* grid = new QGridLayout(m_Frame5);
    const QStringList periods{QStringLiteral("Letzter Monat"), QStringLiteral("Letzte 6 Monate"),
                              QStringLiteral("Letzte 12 Monate")};
    for (int c = 0; c < 3; ++c)
        grid->addWidget(new QLabel(periods.at(c), m_Frame5), 0, c + 1, Qt::AlignCenter);
    static const char* const rowNames[3][3] = {{"lblpos1_0", "lblpos1_1", "lblpos1_2"},
                                               {"lblNeu1_0", "lblNeu1_1", "lblNeu1_2"},
                                               {"lblNeg1_0", "lblNeg1_1", "lblNeg1_2"}};
    const QColor colours[3] = {QColor(0, 128, 0), QColor(96, 96, 96), QColor(192, 0, 0)};
    const QStringList kinds{QStringLiteral("Positiv"), QStringLiteral("Neutral"),
                            QStringLiteral("Negativ")};
    for (int k = 0; k < 3; ++k) {
        grid->addWidget(new QLabel(kinds.at(k), m_Frame5), k + 1, 0);
        for (int c = 0; c < 3; ++c) {
            m_counts[size_t(k)][size_t(c)] = countLabel(m_Frame5, rowNames[k][c], colours[k]);
            grid->addWidget(m_counts[size_t(k)][size_t(c)], k + 1, c + 1);
        }
    }
    const auto valueRow = [&](int row, const QString& caption, const char* name) {
        grid->addWidget(new QLabel(caption, m_Frame5), row, 0, 1, 2);
        auto* value = new QLabel(m_Frame5);
        value->setObjectName(QString::fromLatin1(name));
        grid->addWidget(value, row, 2, 1, 2);
        return value;
    };
    m_lblProfil = valueRow(4, QStringLiteral("Bewertungsprofil:"), "lblProfil");
    m_lblprozent = valueRow(5, QStringLiteral("Positive Bewertungen:"), "lblprozent");
    m_lblGesamt = valueRow(6, QStringLiteral("Gesamt Bewertungen:"), "lblGesamt");
    m_lblDatum = valueRow(7, QStringLiteral("Stand der Bewertungen:"), "lblDatum");
    m_ZorButton3 = button(m_Frame5, "ZorButton3", QStringLiteral("&Aktualisieren"));
    grid->addWidget(m_ZorButton3, 8, 3);
    return m_Frame5;
}

QGroupBox* frmuser::searchFrame() {
    m_Frame4 = new QGroupBox(this);
    m_Frame4->setObjectName(QStringLiteral("Frame4"));
    auto* searchRow = new QHBoxLayout(m_Frame4);
    auto* kindsFrame = new QGroupBox(QStringLiteral("Suche nach"), m_Frame4);
    auto* kindsColumn = new QVBoxLayout(kindsFrame);
    const QStringList captions{QStringLiteral("Positive Bewertungen"),
                               QStringLiteral("Neutrale Bewertungen"),
                               QStringLiteral("Negative Bewertungen")};
    for (int i = 0; i < 3; ++i) {
        auto* box = new chbox(kindsFrame);
        box->setObjectName(QStringLiteral("chbox1_%1").arg(i));
        box->setCaption(captions.at(i));
        box->setValue(i == 2);
        kindsColumn->addWidget(box);
        m_chbox1[size_t(i)] = box;
    }
    kindsColumn->addStretch();
    auto* countFrame = new QGroupBox(QStringLiteral("Suche in"), m_Frame4);
    auto* countColumn = new QVBoxLayout(countFrame);
    const QStringList options{
        QStringLiteral("&allen Bewertungen"), QStringLiteral("letzten 1&000 Bewertungen"),
        QStringLiteral("letzten &200 Bewertungen"), QStringLiteral("letzten &100 Bewertungen"),
        QStringLiteral("Benut&zerdefiniert:")};
    for (int i = 0; i < 5; ++i) {
        m_Option1[size_t(i)] = new QRadioButton(options.at(i), countFrame);
        m_Option1[size_t(i)]->setObjectName(QStringLiteral("Option1_%1").arg(i));
        countColumn->addWidget(m_Option1[size_t(i)]);
        connect(m_Option1[size_t(i)], &QRadioButton::clicked, this,
                [this, i] { Option1_Click(i); });
    }
    m_txtanzahl = new QLineEdit(QStringLiteral("25"), countFrame);
    m_txtanzahl->setObjectName(QStringLiteral("txtanzahl"));
    m_txtanzahl->setMaxLength(9);
    countColumn->addWidget(m_txtanzahl);
    m_Option1[3]->setChecked(true);
    m_txtanzahl->setEnabled(false);
    searchRow->addWidget(kindsFrame);
    searchRow->addWidget(countFrame);
    m_cmdsuche = button(m_Frame4, "cmdsuche", QStringLiteral("&Suche starten"));
    m_cmdsuche->setDefault(true);
    auto* startColumn = new QVBoxLayout;
    startColumn->addStretch();
    startColumn->addWidget(m_cmdsuche);
    searchRow->addLayout(startColumn);
    return m_Frame4;
}

} // namespace ui
