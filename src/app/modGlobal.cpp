#include "app/modGlobal.h"

namespace modGlobal {

QStringList colNeueBewertungen;
qint32 lAnzahlBewertungen = 0;
QString sStandardUser;
qint16 iAnzeigeModus = 0;
qint32 lAnzahlGesamt = 0;
QString sFremdUser;
bool bFremdModus = false;
bool bCheckInet = false;
qint32 lSeitenAnfang = 0;
bool bKuntaBrowser = false;
QString sFeedbackURL;
QString sArtikelURL;
QString sPlattform;
std::shared_ptr<store::Connection> cnDB;
QString sDatenbankPfad;

void resetGlobals() {
    colNeueBewertungen.clear();
    lAnzahlBewertungen = 0;
    sStandardUser.clear();
    iAnzeigeModus = 0;
    lAnzahlGesamt = 0;
    sFremdUser.clear();
    bFremdModus = false;
    bCheckInet = false;
    lSeitenAnfang = 0;
    bKuntaBrowser = false;
    sFeedbackURL.clear();
    sArtikelURL.clear();
    sPlattform.clear();
    cnDB.reset();
    sDatenbankPfad.clear();
}

} // namespace modGlobal
