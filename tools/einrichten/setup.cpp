#include "setup.h"

#include "app/profileEdit.h"
#include "app/profileFile.h"
#include "app/signInStore.h"
#include "base/windows1252.h"
#include "errors/runtimeError.h"
#include "store/connection.h"
#include "store/schema.h"

#include <filesystem>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QUrl>
#include <system_error>
#include <tuple>
#include <vector>

namespace fs = std::filesystem;

namespace setup {
namespace {

// Data folders of the installed program whose files are linked, not copied.
const QStringList kLinkedFolders{QStringLiteral("Help"), QStringLiteral("images")};

fs::path pathOf(const QString& s) {
    return fs::path(QFile::encodeName(s).toStdString());
}

QString fromStd(const std::error_code& ec) {
    return QString::fromLocal8Bit(ec.message().c_str());
}

QString expandHome(const QString& path) {
    if (path == QLatin1String("~"))
        return QDir::homePath();
    if (path.startsWith(QLatin1String("~/")))
        return QDir::homePath() + path.mid(1);
    return path;
}

bool hasControlCharacter(const QString& s) {
    for (const QChar c : s)
        if (c.category() == QChar::Other_Control)
            return true;
    return false;
}

// Copies a program under a temporary name and renames it over the old copy,
// so that a running copy is never half replaced. The copy keeps the
// installed file's time: a later installation is told apart by it, unless
// `renew` says the copy came from another place.
QString copyProgram(const fs::path& from, const fs::path& to, bool renew) {
    std::error_code ec;
    const auto fromStatus = fs::status(from, ec);
    if (!fs::is_regular_file(fromStatus))
        return QStringLiteral("Das Programm %1 fehlt.").arg(QString::fromStdString(from.string()));
    const auto size = fs::file_size(from, ec);
    const auto time = fs::last_write_time(from, ec);
    if (!renew && !fs::is_symlink(fs::symlink_status(to, ec)) && fs::is_regular_file(to, ec) &&
        fs::file_size(to, ec) == size && fs::last_write_time(to, ec) == time)
        return {};
    fs::path temp = to;
    temp += ".neu";
    fs::remove(temp, ec);
    if (fs::copy_file(from, temp, ec); !ec)
        fs::last_write_time(temp, time, ec);
    if (!ec)
        fs::permissions(temp, fs::perms(0755), ec);
    if (!ec)
        fs::rename(temp, to, ec);
    if (ec) {
        std::error_code ignored;
        fs::remove(temp, ignored);
        return QStringLiteral("%1 kann nicht nach %2 kopiert werden: %3")
            .arg(QString::fromStdString(from.string()), QString::fromStdString(to.string()),
                 fromStd(ec));
    }
    return {};
}

QString linkFile(const fs::path& target, const fs::path& link) {
    std::error_code ec;
    if (fs::is_symlink(fs::symlink_status(link, ec)) && fs::read_symlink(link, ec) == target)
        return {};
    fs::remove(link, ec);
    fs::create_symlink(target, link, ec);
    if (ec)
        return QStringLiteral("Die Verknüpfung %1 kann nicht angelegt werden: %2")
            .arg(QString::fromStdString(link.string()), fromStd(ec));
    return {};
}

// The installed folder the copies were made from: a copy of the same size
// and time from another place (the package's folder moved) is still renewed.
// Folders set up before the record have none, and are renewed once.
fs::path originFile(const fs::path& folder) {
    return folder / ".herkunft";
}

QString recordedOrigin(const fs::path& folder) {
    QFile f(QString::fromStdString(originFile(folder).string()));
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()).trimmed() : QString();
}

QString recordOrigin(const fs::path& folder, const QString& installed) {
    QFile f(QString::fromStdString(originFile(folder).string()));
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        f.write((installed + QLatin1Char('\n')).toUtf8()) < 0)
        return QStringLiteral("%1 kann nicht geschrieben werden: %2")
            .arg(f.fileName(), f.errorString());
    return {};
}

QString builtInTemplate() {
    return QStringLiteral("[Main]\n\n[User]\n\n[Marktplatz]\n");
}

} // namespace

QString defaultFolder() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           QStringLiteral("/notenschau/programm");
}

QString configFile(const QString& folder) {
    return folder + QStringLiteral("/Bin/config.INI");
}

QString databaseFile(const QString& folder) {
    return folder + QStringLiteral("/notenschau.db");
}

bool isSetUp(const QString& folder) {
    return QFileInfo::exists(configFile(folder));
}

const QStringList& copiedPrograms() {
    static const QStringList programs{
        QStringLiteral("notenschau"), QStringLiteral("notenschau-cli"),
        QStringLiteral("notenschau-db"), QStringLiteral("notenschau-launcher")};
    return programs;
}

Values normalised(Values v) {
    for (QString* s : {&v.member, &v.clientId, &v.clientSecret, &v.refreshToken, &v.apiUrl,
                       &v.plattform, &v.folder})
        *s = s->trimmed();
    if (v.apiUrl.isEmpty())
        v.apiUrl =
            v.installed.apiUrl.isEmpty() ? QString::fromLatin1(kDefaultApiUrl) : v.installed.apiUrl;
    if (v.plattform.isEmpty())
        v.plattform = QString::fromLatin1(kDefaultPlattform);
    v.folder = QDir::cleanPath(QDir::current().absoluteFilePath(
        expandHome(v.folder.isEmpty() ? defaultFolder() : v.folder)));
    return v;
}

Values withStored(Values v) {
    const QString folder = normalised(v).folder;
    if (!isSetUp(folder))
        return v;
    const app::ProfileFile ini = app::ProfileFile::load(configFile(folder));
    const std::pair<QString*, std::pair<const char*, const char*>> fields[] = {
        {&v.member, {"User", "Username"}},
        {&v.clientId, {"Marktplatz", "ClientId"}},
        {&v.clientSecret, {"Marktplatz", "ClientSecret"}},
        {&v.refreshToken, {"Marktplatz", "RefreshToken"}},
        {&v.apiUrl, {"Marktplatz", "ApiUrl"}},
        {&v.plattform, {"Main", "Plattform"}},
        {&v.ruName, {"Marktplatz", "RuName"}},
        {&v.anwendung, {"Marktplatz", "Anwendung"}},
    };
    for (const auto& [value, key] : fields)
        if (value->isEmpty())
            *value = ini.value(QLatin1String(key.first), QLatin1String(key.second), {});
    return v;
}

QStringList missing(const Values& v) {
    QStringList names;
    if (v.member.trimmed().isEmpty())
        names << QStringLiteral("--mitglied");
    if (v.effectiveClientId().trimmed().isEmpty())
        names << QStringLiteral("--client-id");
    if (v.effectiveClientSecret().trimmed().isEmpty())
        names << QStringLiteral("--client-secret");
    return names;
}

Outcome checkLocally(const Values& v, const QString& installed) {
    if (const QStringList names = missing(v); !names.isEmpty())
        return {Status::BadCall,
                QStringLiteral("Es fehlen Angaben: %1.").arg(names.join(QStringLiteral(", ")))};
    const std::pair<const char*, const QString*> named[] = {{"Mitgliedsname", &v.member},
                                                            {"ClientId", &v.clientId},
                                                            {"ClientSecret", &v.clientSecret},
                                                            {"RefreshToken", &v.refreshToken},
                                                            {"ApiUrl", &v.apiUrl},
                                                            {"Plattform", &v.plattform}};
    for (const auto& [name, value] : named) {
        if (hasControlCharacter(*value))
            return {Status::BadCall,
                    QStringLiteral("%1 enthält einen Zeilenumbruch oder ein Steuerzeichen.")
                        .arg(QLatin1String(name))};
        if (value->size() > app::ProfileFile::kMaxValueLength)
            return {Status::BadCall,
                    QStringLiteral("%1 ist länger als %2 Zeichen; Notenschau liest nicht mehr.")
                        .arg(QLatin1String(name))
                        .arg(app::ProfileFile::kMaxValueLength)};
    }
    const QFileInfo folder(v.folder);
    if (folder.exists() && !folder.isDir())
        return {Status::BadCall, QStringLiteral("%1 ist kein Ordner.").arg(v.folder)};
    if (folder.exists() && QFileInfo(installed).exists() &&
        folder.canonicalFilePath() == QFileInfo(installed).canonicalFilePath())
        return {Status::BadCall,
                QStringLiteral("%1 ist der installierte Programmordner; bitte wählen Sie einen "
                               "eigenen Ordner.")
                    .arg(v.folder)};
    if (isSetUp(v.folder) && !v.overwrite)
        return {Status::AlreadySetUp,
                QStringLiteral("Notenschau ist in %1 schon eingerichtet. Die Einstellungen "
                               "werden nur ersetzt, wenn Sie es verlangen (--ueberschreiben); "
                               "die Datenbank bleibt dabei erhalten.")
                    .arg(v.folder)};
    if (folder.exists() && !folder.isWritable())
        return {Status::Failed,
                QStringLiteral("In den Ordner %1 kann nicht geschrieben werden.").arg(v.folder)};
    const QString database = databaseFile(v.folder);
    if (QFileInfo::exists(database)) {
        try {
            store::Connection::openToRead(database, store::databasePassword());
        } catch (const errors::RuntimeError& e) {
            return {Status::Failed,
                    QStringLiteral("Die vorhandene Datenbank lässt sich nicht öffnen: %1 "
                                   "Es wurde nichts geschrieben.")
                        .arg(e.description())};
        }
    }
    return {};
}

QString configText(const Values& v, const QString& templateText) {
    const QString main = QStringLiteral("Main");
    const QString market = QStringLiteral("Marktplatz");
    QString apiHost = QUrl(v.apiUrl).host();
    std::vector<app::ProfileSetting> settings{
        {main, QStringLiteral("Database"), QStringLiteral("notenschau.db")},
        {main, QStringLiteral("Plattform"), v.plattform},
        {main, QStringLiteral("PruefHost1"), apiHost},
        {QStringLiteral("User"), QStringLiteral("Username"), v.member},
        {market, QStringLiteral("ApiUrl"), v.apiUrl},
        {market, QStringLiteral("ClientId"), v.clientId},
        {market, QStringLiteral("ClientSecret"), v.clientSecret},
        {market, QStringLiteral("RefreshToken"), v.refreshToken},
    };
    if (apiHost.isEmpty())
        settings.erase(settings.begin() + 2);
    // A sign-in's own keys; absent ones stay out of a configuration set up by hand.
    if (!v.ruName.isEmpty())
        settings.push_back({market, QStringLiteral("RuName"), v.ruName});
    if (!v.anmeldungBis.isEmpty())
        settings.push_back({market, QStringLiteral("AnmeldungBis"), v.anmeldungBis});
    // The folder's programs find the keys where the set-up found them.
    if (!v.anwendung.isEmpty())
        settings.push_back({market, QStringLiteral("Anwendung"), v.anwendung});
    return app::withSettings(templateText, std::move(settings));
}

QString refreshProgramFiles(const QString& installed, const QString& folder) {
    const fs::path from = pathOf(installed);
    const fs::path to = pathOf(folder);
    std::error_code ec;
    fs::create_directories(to, ec);
    if (ec)
        return QStringLiteral("Der Ordner %1 kann nicht angelegt werden: %2")
            .arg(folder, fromStd(ec));
    const QString origin = QFileInfo(installed).canonicalFilePath();
    const bool renew = recordedOrigin(to) != origin;
    for (const QString& program : copiedPrograms())
        if (QString error = copyProgram(from / pathOf(program), to / pathOf(program), renew);
            !error.isEmpty())
            return error;
    if (renew)
        if (QString error = recordOrigin(to, origin); !error.isEmpty())
            return error;
    for (const QString& sub : kLinkedFolders) {
        const QDir source(installed + QLatin1Char('/') + sub);
        if (!source.exists())
            continue;
        fs::create_directories(to / pathOf(sub), ec);
        if (ec)
            return QStringLiteral("Der Ordner %1 kann nicht angelegt werden: %2")
                .arg(folder + QLatin1Char('/') + sub, fromStd(ec));
        for (const QString& name : source.entryList(QDir::Files))
            if (QString error = linkFile(pathOf(source.absoluteFilePath(name)),
                                         to / pathOf(sub) / pathOf(name));
                !error.isEmpty())
                return error;
    }
    return {};
}

QString readConfigText(const QString& folder) {
    return app::readProfileText(configFile(folder));
}

Outcome write(const Values& v, const QString& installed, qint32 ratings,
              const std::optional<QString>& given) {
    const bool newFolder = !QFileInfo::exists(v.folder);
    if (QString error = refreshProgramFiles(installed, v.folder); !error.isEmpty())
        return {Status::Failed, error, ratings};
    std::error_code ec;
    // The folder holds the member's ratings and keys: the user's alone.
    if (newFolder)
        fs::permissions(pathOf(v.folder), fs::perms(0700), ec);
    fs::create_directories(pathOf(v.folder) / "Bin", ec);
    if (ec)
        return {Status::Failed,
                QStringLiteral("Der Ordner %1/Bin kann nicht angelegt werden: %2")
                    .arg(v.folder, fromStd(ec)),
                ratings};

    const QString database = databaseFile(v.folder);
    const bool keptDatabase = QFileInfo::exists(database);
    if (!keptDatabase) {
        try {
            store::createDatabase(database);
        } catch (const errors::RuntimeError& e) {
            return {
                Status::Failed,
                QStringLiteral("Die Datenbank kann nicht angelegt werden: %1").arg(e.description()),
                ratings};
        }
        fs::permissions(pathOf(database), fs::perms(0600), ec);
    }

    QFile templateFile(installed + QStringLiteral("/Bin/config.INI"));
    const QString templateText = given ? *given
                                 : templateFile.open(QIODevice::ReadOnly)
                                     ? base::decodeText(templateFile.readAll())
                                     : builtInTemplate();
    if (const auto written =
            app::writePrivateText(configFile(v.folder), configText(v, templateText));
        !written)
        return {Status::Failed, written.error(), ratings};

    // What was typed or pasted goes into the keyring, when one answers.
    bool inFile = false;
    for (const auto& [member, what, value] :
         {std::tuple{QString(), QStringLiteral("ClientSecret"), v.clientSecret},
          std::tuple{v.member, QStringLiteral("RefreshToken"), v.refreshToken}})
        if (!value.isEmpty())
            inFile |=
                app::keepSecret(configFile(v.folder), member, what, value) == app::SecretHome::File;
    const QString secrets =
        inFile ? QStringLiteral("\nKein Schlüsselbund gefunden: Die Schlüssel stehen in %1, nur "
                                "für Sie lesbar.")
                     .arg(configFile(v.folder))
               : QString();
    return {Status::Done,
            QStringLiteral("Notenschau ist eingerichtet in %1.\n"
                           "Das Mitglied %2 hat beim Marktplatz %3 Bewertungen.\n"
                           "Datenbank: %4 (%5)")
                    .arg(v.folder, v.member, QString::number(ratings), database,
                         keptDatabase ? QStringLiteral("vorhanden, wird weiter benutzt")
                                      : QStringLiteral("neu angelegt")) +
                secrets,
            ratings};
}

} // namespace setup
