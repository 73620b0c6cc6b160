#include "ui/dialogs/frmuser.h"

#include "app/modGlobal.h"
#include "app/msgBox.h"
#include "app/vbConvert.h"
#include "base/clock.h"
#include "errors/procedure.h"
#include "retrieval/modIConnect.h"
#include "store/modData.h"
#include "store/ratingStoring.h"
#include "ui/controls/chbox.h"
#include "ui/dialogs/frmLade2.h"
#include "ui/forms.h"
#include "ui/main/frmAnzeige.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace ui {

using namespace modGlobal;

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

QPushButton* button(QWidget* parent, const char* name, const QString& caption) {
    auto* b = new QPushButton(caption, parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setAutoDefault(false);
    return b;
}

void critical(const QString& text) {
    app::MsgBox(text, app::vbOKOnly | app::vbCritical);
}

} // namespace

frmuser::frmuser(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmuser"));
    setWindowTitle(QStringLiteral("Bewertungen auslesen"));
    setModal(true);
    auto* layout = new QVBoxLayout(this);

    auto* nameFrame = new QGroupBox(QStringLiteral("Username (Ebay-Name)"), this);
    auto* nameRow = new QHBoxLayout(nameFrame);
    m_cmbUser = new QComboBox(nameFrame);
    m_cmbUser->setObjectName(QStringLiteral("cmbUser"));
    m_cmbUser->setEditable(true);
    m_cmbUser->setInsertPolicy(QComboBox::NoInsert);
    m_cmbUser->lineEdit()->setMaxLength(kLongestName);
    m_cmbUser->setMinimumWidth(260);
    m_cmddelete = button(nameFrame, "cmddelete", {});
    m_cmddelete->setIcon(style()->standardIcon(QStyle::SP_TrashIcon));
    m_cmddelete->setToolTip(QStringLiteral("Eintrag aus der Datenbank entfernen"));
    m_cmddelete->setAccessibleName(QStringLiteral("Entfernen"));
    m_ZorButton1 = button(nameFrame, "ZorButton1", QStringLiteral("&Datenbank"));
    nameRow->addWidget(m_cmbUser, 1);
    nameRow->addWidget(m_cmddelete);
    nameRow->addWidget(m_ZorButton1);
    layout->addWidget(nameFrame);

    // The profile frame.
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
    layout->addWidget(m_Frame5);

    // The search frame.
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
    layout->addWidget(m_Frame4);

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

void frmuser::setMemberText(const QString& text, bool changeHandling) {
    const bool before = bTextSetzen;
    bTextSetzen = !changeHandling;
    m_cmbUser->setEditText(text);
    bTextSetzen = before;
}

void frmuser::Form_Load() {
    errors::Procedure p("[frmuser] Private Sub Form_Load()");
    p.step([] { lSuchLimit = 100; });
    p.step([] { bSucheNegativ = true; });
    p.step([this] { readcmbnew(); });
    p.step([this] {
        if (m_cmbUser->count() > 0) {
            selectFirst();
        } else {
            m_cmddelete->setEnabled(false);
            m_ZorButton1->setEnabled(false);
        }
    });
}

void frmuser::selectFirst() {
    bTextSetzen = true;
    m_cmbUser->setCurrentIndex(0);
    bTextSetzen = false;
    cmbUser_Click();
}

void frmuser::readcmbnew() {
    errors::Procedure p("[frmuser] Public Sub readcmbnew()");
    // Emptying the box is no edit of the user's: the profile just shown stays.
    const bool before = bTextSetzen;
    bTextSetzen = true;
    p.step([this] { m_cmbUser->clear(); });
    p.step([this] {
        const modData::Collection<QString> users = modData::read_AllUserTemp();
        for (const QString& user : users)
            m_cmbUser->addItem(user);
    });
    m_cmbUser->setCurrentIndex(-1);
    bTextSetzen = before;
}

void frmuser::cmbUser_Click() {
    errors::Procedure p("[frmuser] Private Sub cmbUser_Click()");
    p.step([this] {
        m_ZorButton1->setEnabled(true);
        m_cmddelete->setEnabled(true);
    });
    p.step([this] {
        const modData::Collection<QString> overview =
            modData::read_UebersichtBewertungen(m_cmbUser->currentText());
        UebersichtBewertung = overview.items();
    });
    p.step([this] { check(); });
}

void frmuser::cmbUser_Change() {
    if (bTextSetzen)
        return;
    errors::Procedure p("[frmuser] Private Sub cmbUser_Change()");
    p.step([this] {
        m_ZorButton1->setEnabled(false);
        m_cmddelete->setEnabled(false);
    });
    p.step([this] { UebersichtBewertung = {QStringLiteral("leer")}; });
    p.step([this] { check(); });
}

void frmuser::Option1_Click(int Index) {
    errors::Procedure p("[frmuser] Private Sub Option1_Click(Index As Integer)");
    p.step([&] {
        m_txtanzahl->setEnabled(Index == 4);
        static const qint32 limits[5] = {-1, 1000, 200, 100, 0};
        if (Index >= 0 && Index < 5)
            lSuchLimit = limits[Index];
    });
}

void frmuser::showProfile(const QStringList& values) {
    for (int k = 0; k < 3; ++k)
        for (int c = 0; c < 3; ++c)
            m_counts[size_t(k)][size_t(c)]->setText(values.value(3 * k + c));
    m_lblProfil->setText(values.value(9));
    m_lblprozent->setText(values.value(10));
}

void frmuser::check() {
    errors::Procedure p("[frmuser] Public Function check()");
    p.step([this] {
        if (UebersichtBewertung.size() == 1) {
            showProfile({"0", "0", "0", "0", "0", "0", "0", "0", "0", "0", "-"});
            m_lblGesamt->setText(QStringLiteral("0"));
            m_lblDatum->setText(QStringLiteral("keine Daten"));
            return;
        }
        showProfile(UebersichtBewertung);
        m_lblGesamt->setText(UebersichtBewertung.value(11));
        m_lblDatum->setText(UebersichtBewertung.value(12));
    });
}

void frmuser::showForeignMember() {
    frmAnzeige& main = Form<frmAnzeige>::get();
    main.button(FeedbackView::ZorButton1)->hide();
    main.cmdback()->show();
    bFremdModus = true;
    main.cmdalleanzeigen_Click();
    main.lbluser()->setText(QStringLiteral("Fremd-User: ") + sFremdUser);
    main.lblinfo()->setText(QStringLiteral("Fremd-User Analyse"));
    main.lblProzente()->setText(QStringLiteral("Fremd-User Analyse"));
}

void frmuser::cmdsuche_Click() {
    errors::Procedure p("[frmuser] Private Sub cmdsuche_Click()");
    retrieval::FetchResult fetched;
    p.step([&] {
        if (!modIConnect::Ping()) {
            critical(QStringLiteral("Es besteht keine Verbindung zum Internet!"));
            p.exit();
        }
    });
    p.step([this] { Abort = false; });
    p.step([&] {
        if (m_cmbUser->currentText().trimmed().isEmpty()) {
            critical(QStringLiteral("Bitte geben Sie einen gültigen Ebay-Namen ein!"));
            p.exit();
        }
    });
    p.step([&] {
        if (app::CLng((m_txtanzahl->text() + QLatin1Char('0')).trimmed()) == 0) {
            critical(QStringLiteral("Bitte geben Sie einen Wert unter Benutzerdefiniert ein!"));
            p.exit();
        }
    });
    p.step([&] {
        sFremdUser = m_cmbUser->currentText();
        bSuchePositiv = m_chbox1[0]->Value();
        bSucheNeutral = m_chbox1[1]->Value();
        bSucheNegativ = m_chbox1[2]->Value();
        if (!bSuchePositiv && !bSucheNeutral && !bSucheNegativ) {
            critical(QStringLiteral("Bitte wählen Sie 'Suche nach' aus!"));
            p.exit();
        }
    });
    p.step([&] {
        if (lSuchLimit != 0)
            return;
        // A count below one asks for nothing: refused before anything is sent.
        const qint32 n = app::CLng(m_txtanzahl->text());
        if (n < 1) {
            critical(QStringLiteral("Bitte geben Sie einen Wert unter Benutzerdefiniert ein!"));
            return p.exit();
        }
        lSuchLimit = n;
    });
    frmAnzeige& main = Form<frmAnzeige>::get();
    p.step([&] {
        frmLade2& lade = Form<frmLade2>::get();
        lade.checkneueBewertungen(main.keineBewertungen, Abort, UebersichtBewertung);
        fetched = lade.showModal();
    });
    p.step([&] {
        if (!colNeueBewertungen.isEmpty()) {
            main.keineBewertungen = false;
        } else {
            app::MsgBox(QStringLiteral("Es wurden keine Bewertungen gefunden die mit den "
                                       "ausgewählten Optionen übereinstimmen!"),
                        app::vbOKOnly | app::vbInformation);
            main.keineBewertungen = true;
        }
    });
    p.step([&] {
        if (Abort) {
            app::MsgBox(QStringLiteral("Ladevorgang wurde abgebrochen!"),
                        app::vbOKOnly | app::vbInformation);
            p.exit();
        }
    });
    p.step([&] {
        if (main.keineBewertungen)
            return;
        // The member's earlier load is replaced in the batch that stores the
        // new one, so that a failed store keeps it.
        main.saveTemp(fetched.ratings);
        showForeignMember();
        cmdCancel_Click();
    });
}

void frmuser::ZorButton3_Click() {
    errors::Procedure p("[frmuser] Private Sub ZorButton3_Click()");
    QString S;
    retrieval::FetchResult fetched;
    p.step([&] {
        if (!modIConnect::Ping()) {
            critical(QStringLiteral("Es besteht keine Verbindung zum Internet!"));
            p.exit();
        }
    });
    p.step([this] { ZorButton4_Click(); });
    p.step([&] {
        if (m_cmbUser->currentText().trimmed().isEmpty())
            p.exit();
    });
    p.step([&] {
        Abort = false;
        S = m_cmbUser->currentText();
        frmAnzeige& main = Form<frmAnzeige>::get();
        fetched = Form<frmLade2>::get().getbewertungen(S, main.keineBewertungen, Abort,
                                                       UebersichtBewertung);
    });
    // Only a profile that arrived replaces the stored one: a request that
    // ended without one, a connection error included, changes nothing.
    const bool arrived = fetched.end == retrieval::SyncOutcome::Kind::Stored &&
                         fetched.profile.size() >= 11 && !Abort;
    if (!p.active())
        return;
    if (arrived) {
        p.setHandling(errors::Handling::SkipSilently);
        p.step([&] { showProfile(UebersichtBewertung); });
        p.step([&] { m_lblGesamt->setText(QString::number(lAnzahlBewertungen)); });
        p.step([&] {
            if (m_lblprozent->text() == QLatin1String("Alle erhaltenen Bewertungen"))
                m_lblprozent->setText(QStringLiteral("-"));
        });
        p.step([&] {
            if (!store::storeProfile(S, UebersichtBewertung, lAnzahlBewertungen))
                app::MsgBox(store::storeFailureMessage(), app::vbOKOnly | app::vbCritical);
        });
        p.step([&] {
            m_lblDatum->setText(app::Clock::now().toString(QStringLiteral("dd.MM.yyyy hh:mm")));
        });
        p.step([this] { readcmbnew(); });
        p.step([&] { setMemberText(S, false); });
        p.step([this] {
            m_ZorButton1->setEnabled(true);
            m_cmddelete->setEnabled(true);
        });
        return;
    }
    if (Abort) {
        p.step([this] { UebersichtBewertung = {QStringLiteral("fehler")}; });
        p.step([this] { setMemberText({}, true); });
        p.step([this] { check(); });
        return;
    }
    // A connection error: the member's stored overview shows again.
    p.step([&] {
        UebersichtBewertung = modData::read_UebersichtBewertungen(S).items();
        check();
    });
}

void frmuser::ZorButton1_Click() {
    errors::Procedure p("[frmuser] Private Sub ZorButton1_Click()");
    p.step([&] {
        if (m_cmbUser->currentText().isEmpty()) {
            cmdCancel_Click();
            p.exit();
        }
    });
    p.step([this] { sFremdUser = m_cmbUser->currentText(); });
    p.step([this] { showForeignMember(); });
    p.step([this] { cmdCancel_Click(); });
}

void frmuser::cmddelete_Click() {
    errors::Procedure p("[frmuser] Private Sub cmddelete_Click()");
    const QString text = m_cmbUser->currentText();
    p.step([&] {
        if (text.trimmed().isEmpty())
            return p.exit();
        const int answer = app::MsgBox(QStringLiteral("Sind Sie sicher das der Eintrag: ") + text +
                                           QStringLiteral(" aus der Datenbank entfernt werden "
                                                          "soll?"),
                                       app::vbYesNo);
        if (answer != app::vbYes)
            p.exit();
    });
    p.step([&] { modData::deleteUebersichtUser(text); });
    p.step([this] { readcmbnew(); });
    p.step([this] {
        if (m_cmbUser->count() == 0) {
            m_cmddelete->setEnabled(false);
            m_ZorButton1->setEnabled(false);
            setMemberText({}, false);
            UebersichtBewertung = {QStringLiteral("nix")};
            check();
        } else {
            selectFirst();
        }
    });
}

void frmuser::ZorButton4_Click() {
    errors::Procedure p("[frmuser] Private Sub ZorButton4_Click()");
    p.step([this] {
        m_Frame5->show();
        m_Frame4->hide();
        m_ZorButton4->hide();
        m_ZorButton2->show();
    });
}

void frmuser::ZorButton2_Click() {
    errors::Procedure p("[frmuser] Private Sub ZorButton2_Click()");
    p.step([this] {
        m_Frame4->show();
        m_Frame5->hide();
        m_ZorButton2->hide();
        m_ZorButton4->show();
    });
}

void frmuser::cmdCancel_Click() {
    errors::Procedure p("[frmuser] Private Sub cmdCancel_Click()");
    p.step([this] { Form<frmuser>::unload(); });
}

void frmuser::selectuserandshow(const QString& username) {
    errors::Procedure p("[frmuser] Public Function selectuserandshow(username As String)");
    p.step([&] { setMemberText(username, true); });
    p.step([this] { ZorButton3_Click(); });
    p.step([this] {
        if (Form<frmuser>::isLoaded())
            exec();
    });
}

void frmuser::done(int r) {
    Form_Unload();
    QDialog::done(r);
}

void frmuser::Form_Unload() {
    if (m_unloaded)
        return;
    m_unloaded = true;
    errors::Procedure p("[frmuser] Private Sub Form_Unload(Cancel As Integer)",
                        errors::Handling::SkipSilently);
    p.step([] {
        if (Form<frmAnzeige>::isLoaded())
            Form<frmAnzeige>::get().show();
    });
}

} // namespace ui
