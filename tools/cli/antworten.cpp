#include "antworten.h"

#include "app/modini.h"
#include "runSupport.h"

#include <cstdio>
#include <QEventLoop>
#include <QFile>

namespace cli {
namespace {

using Kind = retrieval::ReplyOutcome::Kind;

// The text of "-": standard input, without the line end a shell adds.
QString standardInput() {
    QFile in;
    if (!in.open(stdin, QIODevice::ReadOnly))
        return {};
    QString text = QString::fromUtf8(in.readAll());
    while (text.endsWith(QLatin1Char('\n')) || text.endsWith(QLatin1Char('\r')))
        text.chop(1);
    return text;
}

} // namespace

int exitCodeOf(Kind kind) {
    switch (kind) {
    case Kind::Sent:
        return kOk;
    case Kind::AlreadyReplied:
    case Kind::Automated:
    case Kind::TextRefused:
    case Kind::NotAnswerable:
        return kAbgelehnt;
    case Kind::NotSignedIn:
    case Kind::NoConnection:
        return kKeineVerbindung;
    case Kind::UnknownRating:
    case Kind::Failed:
        break;
    }
    return kFehler;
}

int AntwortenCommand::runOnDatabase(const Arguments& args, ConsoleChooser&, ConsolePresenter&) {
    const QString text = args.text == QLatin1String("-") ? standardInput() : args.text;
    retrieval::ReplyOutcome outcome;
    QEventLoop loop;
    retrieval::ReplyRun run(modini::settings());
    QObject::connect(&run, &retrieval::ReplyRun::finished, &loop,
                     [&](const retrieval::ReplyOutcome& o) {
                         outcome = o;
                         loop.quit();
                     });
    // The text is checked before anything is asked of the marketplace.
    const bool checkedOnly = !retrieval::textProblem(text).isEmpty();
    if (!checkedOnly && checkConnection() != Connection::Online)
        return kKeineVerbindung;
    run.start(args.bewertung, text);
    if (run.isRunning())
        loop.exec();
    if (outcome.kind == Kind::Sent)
        out(outcome.message + QLatin1Char('\n'));
    else
        err(terminalLines(outcome.message) + QLatin1Char('\n'));
    return exitCodeOf(outcome.kind);
}

} // namespace cli
