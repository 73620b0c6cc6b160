#include "ui/dialogs/listExport.h"

#include "app/msgBox.h"
#include "store/exportWriter.h"
#include "ui/controls/dialogParts.h"
#include "ui/dialogs/verlaufModel.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QProgressDialog>
#include <QStandardPaths>

namespace ui {

namespace {

QString chooseWithDialog(QWidget* parent, const QString& caption, const QString& suggested,
                         const QString& filters, QString* selectedFilter) {
    return QFileDialog::getSaveFileName(parent, caption, suggested, filters, selectedFilter);
}

} // namespace

ListExport::ListExport(QWidget* parent, QString title)
    : m_parent(parent), m_title(std::move(title)), m_chooseFile(chooseWithDialog) {}

QString ListExport::csvFilter() {
    return QStringLiteral("CSV für Tabellenkalkulation (*.csv)");
}

QString ListExport::jsonFilter() {
    return QStringLiteral("JSON (*.json)");
}

void ListExport::run(const VerlaufModel& model) const {
    if (model.total() == 0)
        return;
    const QString path = chooseTarget(model);
    if (!path.isEmpty())
        tell(write(model, path), path);
}

QString ListExport::chooseTarget(const VerlaufModel& model) const {
    // The documents folder, or home where there is none (the dialog would
    // otherwise start wherever the program was started from).
    QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (!QDir(folder).exists())
        folder = QDir::homePath();
    QString selected = csvFilter();
    QString path =
        m_chooseFile(m_parent, QStringLiteral("Bewertungen exportieren"),
                     QDir(folder).filePath(model.exportBaseName() + QStringLiteral(".csv")),
                     csvFilter() + QStringLiteral(";;") + jsonFilter(), &selected);
    if (path.isEmpty() || !QFileInfo(path).suffix().isEmpty())
        return path;
    // A name without an extension takes the chosen type's; the dialog did
    // not ask about that name, so it is asked here.
    path += selected == jsonFilter() ? QStringLiteral(".json") : QStringLiteral(".csv");
    if (QFileInfo::exists(path) &&
        app::MsgBox(QStringLiteral("Die Datei „%1“ gibt es schon. Soll sie ersetzt werden?")
                        .arg(QDir::toNativeSeparators(path)),
                    app::vbYesNo | app::vbQuestion | app::vbDefaultButton2, m_title) != app::vbYes)
        return {};
    return path;
}

store::ExportResult ListExport::write(const VerlaufModel& model, const QString& path) const {
    const qint32 total = model.total();
    QProgressDialog progress(QStringLiteral("Bewertungen werden exportiert…"),
                             QStringLiteral("Abbrechen"), 0, total, m_parent);
    progress.setWindowTitle(m_title);
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(500);
    progress.setAutoClose(false);
    progress.setAutoReset(false);
    const BusyCursor busy;
    store::ExportResult result =
        store::exportRatings(path, store::formatOfPath(path), model.table(), model.member(),
                             model.filter(), [&](qint64 written) {
                                 progress.setValue(int(std::min<qint64>(written, total)));
                                 return !progress.wasCanceled();
                             });
    progress.close();
    return result;
}

void ListExport::tell(const store::ExportResult& result, const QString& path) const {
    if (result.ok)
        app::MsgBox(QStringLiteral("%1 Bewertungen wurden nach „%2“ exportiert.")
                        .arg(QLocale(QLocale::German).toString(result.rows),
                             QDir::toNativeSeparators(path)),
                    app::vbOKOnly | app::vbInformation, m_title);
    else if (result.cancelled)
        app::MsgBox(
            QStringLiteral("Der Export wurde abgebrochen; es wurde keine Datei geschrieben."),
            app::vbOKOnly | app::vbInformation, m_title);
    else
        app::MsgBox(result.error + QStringLiteral("\nEs wurde keine Datei geschrieben."),
                    app::vbOKOnly | app::vbCritical, m_title);
}

} // namespace ui
