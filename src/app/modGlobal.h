#pragma once

#include "base/feedbackConstants.h"

#include <memory>
#include <QString>
#include <QStringList>

namespace store {
class Connection;
}

// The state that more than one window shares, zero or empty at start.
// Long is 32-bit, Integer 16-bit.
namespace modGlobal {

extern QStringList colNeueBewertungen; // feedback lines of the last load run
extern qint32 lAnzahlBewertungen;      // total the feedback source reported
extern QString sStandardUser;          // configuration User/Username
extern qint16 iAnzeigeModus;           // list filter of the main window
extern qint32 lAnzahlGesamt;           // rows of the current view
extern QString sFremdUser;             // foreign member being analysed
extern bool bFremdModus;               // the main window shows a foreign member
extern bool bCheckInet;                // configuration Main/checkInet
extern qint32 lSeitenAnfang;           // 1-based first row of the current page
extern bool bKuntaBrowser;             // configuration Main/KuntaBrowser
extern QString sFeedbackURL;
extern QString sArtikelURL; // holds the placeholder "[#Artikel#]"
extern QString sPlattform;  // configuration Main/Plattform
extern std::shared_ptr<store::Connection> cnDB;
extern QString sDatenbankPfad; // configuration Main/Database

// Rows of a page of the list.
inline constexpr qint32 kSeitenGroesse = feedback::kPageSize;

// Back to the start state (a headless tool between runs, tests).
void resetGlobals();

} // namespace modGlobal
