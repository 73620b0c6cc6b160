#pragma once

#include "retrieval/newRatingsNotice.h"

#include <QSet>
#include <QString>

namespace cli {

// What pruefen --melden needs once the check is over.
struct NoticeRun {
    retrieval::NoticeKinds kinds;
    QSet<QString> unstored; // the fetched ratings not stored before the check
    QString anwendung;      // handed on to the program when it is started
};

// The desktop notice of the ratings the check stored, and the program
// started when the user chooses "Anzeigen" in it. Never changes the exit code.
int announceNewRatings(const NoticeRun& run, int exit);

} // namespace cli
