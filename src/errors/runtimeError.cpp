#include "errors/runtimeError.h"

namespace errors {

RuntimeError::RuntimeError(int number, QString description, QString source)
    : m_number(number),
      m_description(description.isEmpty() ? standardDescription(number) : std::move(description)),
      m_source(std::move(source)) {
    m_what =
        QString(QString::number(m_number) + QStringLiteral(" (") + m_description + QLatin1Char(')'))
            .toUtf8();
}

QString RuntimeError::standardDescription(int number) {
    switch (number) {
    case 3:
        return QStringLiteral("Return ohne GoSub");
    case 5:
        return QStringLiteral("Ungültiger Prozeduraufruf oder ungültiges Argument");
    case 6:
        return QStringLiteral("Überlauf");
    case 7:
        return QStringLiteral("Nicht genügend Speicher");
    case 9:
        return QStringLiteral("Index außerhalb des gültigen Bereichs");
    case 11:
        return QStringLiteral("Division durch Null");
    case 13:
        return QStringLiteral("Typen unverträglich");
    case 52:
        return QStringLiteral("Dateiname oder -nummer falsch");
    case 53:
        return QStringLiteral("Datei nicht gefunden");
    case 57:
        return QStringLiteral("Fehler beim Geräte-E/A");
    case 61:
        return QStringLiteral("Datenträger voll");
    case 70:
        return QStringLiteral("Zugriff verweigert");
    case 75:
        return QStringLiteral("Fehler beim Zugriff auf Pfad/Datei");
    case 91:
        return QStringLiteral("Objektvariable oder With-Blockvariable nicht festgelegt");
    case 94:
        return QStringLiteral("Unzulässige Verwendung von Null");
    default:
        return QStringLiteral("Anwendungs- oder objektdefinierter Fehler");
    }
}

void raise(int number, const QString& description) {
    throw RuntimeError(number, description);
}

} // namespace errors
