#pragma once

#include <functional>
#include <QString>

class QWidget;

namespace store {
struct ExportResult;
}

namespace ui {

class VerlaufModel;

// Exports what the list of "Verlauf und Suche" holds: asks for the file,
// writes it with a progress dialog that can cancel, and tells the outcome in
// a message box with the dialog's title.
class ListExport {
public:
    // Asks for the file to export to (QFileDialog::getSaveFileName's
    // arguments); an empty name cancels. Tests answer it themselves.
    using FileChooser =
        std::function<QString(QWidget* parent, const QString& caption, const QString& suggested,
                              const QString& filters, QString* selectedFilter)>;

    ListExport(QWidget* parent, QString title);

    void setFileChooser(FileChooser chooser) { m_chooseFile = std::move(chooser); }
    void run(const VerlaufModel& model) const;

    static QString csvFilter();
    static QString jsonFilter();

private:
    // The file to write, or empty when the user cancelled.
    QString chooseTarget(const VerlaufModel& model) const;
    store::ExportResult write(const VerlaufModel& model, const QString& path) const;
    void tell(const store::ExportResult& result, const QString& path) const;

    QWidget* m_parent;
    QString m_title;
    FileChooser m_chooseFile;
};

} // namespace ui
