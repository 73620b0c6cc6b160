#pragma once

#include "retrieval/syncOutcome.h"

#include <array>
#include <QDialog>
#include <QStringList>

class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace ui {

class chbox;

// "Bewertungen auslesen": analysing another member. A search loads the
// member's newest ratings of the chosen kinds and shows them in the main
// window; the profile shows and stores the member's rating profile; the
// database view shows ratings already stored.
class frmuser : public QDialog {
    Q_OBJECT
public:
    explicit frmuser(QWidget* parent = nullptr);

    // The member box's text as the dialog itself sets it.
    void setMemberText(const QString& text, bool changeHandling);

    void check();
    void readcmbnew();
    // Analyses username: its profile, then the dialog modally.
    void selectuserandshow(const QString& username);

    void cmbUser_Click();
    void cmbUser_Change();
    void Option1_Click(int Index);
    void cmdsuche_Click();
    void ZorButton3_Click();
    void ZorButton1_Click();
    void cmddelete_Click();
    void ZorButton4_Click();
    void ZorButton2_Click();
    void cmdCancel_Click();

    // The last load was cancelled or its member not found.
    bool Abort = false;
    // The profile shown: eleven values from the marketplace, fourteen from the
    // store, or one marker ("nix", "leer", "fehler").
    QStringList UebersichtBewertung;

    QComboBox* cmbUser() const { return m_cmbUser; }
    QPushButton* cmddelete() const { return m_cmddelete; }
    QPushButton* ZorButton1() const { return m_ZorButton1; }
    QPushButton* ZorButton2() const { return m_ZorButton2; }
    QPushButton* ZorButton3() const { return m_ZorButton3; }
    QPushButton* ZorButton4() const { return m_ZorButton4; }
    QPushButton* cmdsuche() const { return m_cmdsuche; }
    QPushButton* cmdCancel() const { return m_cmdCancel; }
    QGroupBox* Frame4() const { return m_Frame4; }
    QGroupBox* Frame5() const { return m_Frame5; }
    chbox* chbox1(int Index) const { return m_chbox1.at(size_t(Index)); }
    QRadioButton* Option1(int Index) const { return m_Option1.at(size_t(Index)); }
    QLineEdit* txtanzahl() const { return m_txtanzahl; }
    QLabel* lblpos1(int Index) const { return m_counts[0].at(size_t(Index)); }
    QLabel* lblNeu1(int Index) const { return m_counts[1].at(size_t(Index)); }
    QLabel* lblNeg1(int Index) const { return m_counts[2].at(size_t(Index)); }
    QLabel* lblProfil() const { return m_lblProfil; }
    QLabel* lblprozent() const { return m_lblprozent; }
    QLabel* lblGesamt() const { return m_lblGesamt; }
    QLabel* lblDatum() const { return m_lblDatum; }

protected:
    void done(int r) override;

private:
    // The chosen count of ratings to load: -1 all, 0 the one in txtanzahl.
    qint32 m_suchLimit = 100;
    // The constructor's parts (frmuserLayout.cpp).
    QGroupBox* nameFrame();
    QGroupBox* profileFrame();
    QGroupBox* searchFrame();
    void Form_Load();
    void Form_Unload();
    void showProfile(const QStringList& values);
    // The main window's foreign mode: its buttons, and its three captions.
    void showForeignButtons();
    void showForeignCaptions();
    void selectFirst();

    QComboBox* m_cmbUser = nullptr;
    QPushButton* m_cmddelete = nullptr;
    QPushButton* m_ZorButton1 = nullptr;
    QPushButton* m_ZorButton2 = nullptr;
    QPushButton* m_ZorButton3 = nullptr;
    QPushButton* m_ZorButton4 = nullptr;
    QPushButton* m_cmdsuche = nullptr;
    QPushButton* m_cmdCancel = nullptr;
    QGroupBox* m_Frame4 = nullptr;
    QGroupBox* m_Frame5 = nullptr;
    std::array<chbox*, 3> m_chbox1{};
    std::array<QRadioButton*, 5> m_Option1{};
    QLineEdit* m_txtanzahl = nullptr;
    std::array<std::array<QLabel*, 3>, 3> m_counts{};
    QLabel* m_lblProfil = nullptr;
    QLabel* m_lblprozent = nullptr;
    QLabel* m_lblGesamt = nullptr;
    QLabel* m_lblDatum = nullptr;
    bool bTextSetzen = false;
    bool m_unloaded = false;
};

} // namespace ui
