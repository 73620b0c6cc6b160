#pragma once

#include "output.h"

#include <QString>
#include <QStringList>

namespace cli {

// Exit codes, as the help text and the README list them.
enum Exit : int {
    kOk = 0,
    kFehler = 1, // settings (those the feedback source refuses too), database, storing
    kAufruf = 2,
    kKeineVerbindung = 3, // nothing loaded
    kMitgliedUnbekannt = 4,
    kNichtGeladen = 5,
    kUnvollstaendig = 6, // the connection broke while loading: what arrived is stored
    kAbgelehnt = 7,      // the marketplace refused a reply or a rating (the rest was sent)
    kBeschaeftigt = 8,   // another process checks the same database
    kAbgebrochen = 130,
};

enum class Command {
    None,
    Help,
    Version,
    Pruefen,
    Liste,
    Fremd,
    Profil,
    Suche,
    Verlauf,
    Anmeldung,
    Abmelden,
    Antworten,
    Offen,
    Bewerten,
    Status,
};

struct Arguments {
    Command command = Command::None;
    QString ordner;            // empty: the executable's folder
    QString anwendung;         // the application keys' file; empty: the installation's
    bool ja = false;           // pruefen: load without asking
    bool vollstaendig = false; // pruefen: walk the whole list and mark what is withdrawn
    bool warten = false;       // pruefen: wait while another process checks
    bool melden = false;       // pruefen: a desktop notice of new ratings
    QString fremd;             // liste: a foreign member instead of the standard user
    int art = 0;               // liste: 0 all, 1 positive, 2 neutral, 3 negative
    qint32 seite = 1;          // liste: 1-based page
    Format format = Format::Tsv;
    QString name; // fremd, profil: the member
    // fremd: the kinds to load (positive, neutral, negative) and how many of
    // the newest ratings to look at (-1: all); the dialog's defaults.
    bool arten[3] = {false, false, true};
    qint32 anzahl = 100;
    QString words;       // suche: what to look for
    bool alle = false;   // liste: every stored rating instead of a page; bewerten: every open item
    QString bewertung;   // antworten: the rating's marketplace id
    QString text;        // antworten: the reply, "-" for standard input; bewerten: the comment
    QStringList artikel; // bewerten: the item numbers to rate
    int vorlage = 0;     // bewerten: this template (1-based); 0: the templates in turn
};

struct ParsedArguments {
    Arguments arguments;
    QString error; // the German message of a mistake; empty: the call is fine
};

// The arguments after the program name.
ParsedArguments parseArguments(const QStringList& args);

QString helpText();

// "positiv", "neutral", "negativ" for 1 to 3; the number itself otherwise.
QString artName(int value);

} // namespace cli
