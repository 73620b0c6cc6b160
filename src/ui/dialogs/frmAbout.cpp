#include "ui/dialogs/frmAbout.h"

#include "app/desktopOpen.h"
#include "app/msgBox.h"
#include "app/sysInfoLookup.h"
#include "base/deployment.h"
#include "base/programFolder.h"
#include "errors/procedure.h"
#include "ui/controls/dialogParts.h"
#include "ui/forms.h"
#include "version.h"

#include <QApplication>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QProcess>
#include <QPushButton>

namespace ui {
namespace {

// A label shows a carriage return as nothing; the box shows it as a line break.
QString shown(QString text) {
    return text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
}

void startProgram(const QString& path) {
    if (!QProcess::startDetached(path, {}))
        errors::raise(errors::RuntimeError::FileNotFound);
}

} // namespace

frmAbout::frmAbout(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(QStringLiteral("Info"));
    setModal(true);
    auto button = [this](const char* name, const QString& caption) {
        auto* b = new QPushButton(caption, this);
        b->setObjectName(QString::fromLatin1(name));
        return b;
    };
    m_picIcon = namedLabel(this, "picIcon");
    m_lblTitle = namedLabel(this, "lblTitle");
    QFont titleFont = m_lblTitle->font();
    titleFont.setPointSize(titleFont.pointSize() + 6);
    titleFont.setBold(true);
    m_lblTitle->setFont(titleFont);
    m_lblVersion = namedLabel(this, "lblVersion");
    QLabel* label1 = namedLabel(this, "Label1");
    label1->setText(QStringLiteral("Konzipiert und Entwickelt von:"));
    m_lblAdress = namedLabel(this, "lblAdress");
    m_picture1 = namedLabel(this, "Picture1");
    m_picture1->setPixmap(QPixmap(QStringLiteral(":/images/logo.png")));
    m_lblLizenz = namedLabel(this, "lblLizenz");
    for (QLabel* clickable : {m_lblAdress, m_picture1}) {
        clickable->setCursor(Qt::PointingHandCursor);
        clickable->installEventFilter(this);
    }
    m_cmdOK = button("cmdOK", QStringLiteral("OK"));
    m_cmdSysInfo = button("cmdSysInfo", QStringLiteral("System-Info..."));
    m_cmdInfo =
        button("cmdInfo", QString::fromUtf8(deployment::kProductFamily) + QStringLiteral("..."));
    connect(m_cmdOK, &QPushButton::clicked, this, &frmAbout::cmdOK_Click);
    connect(m_cmdSysInfo, &QPushButton::clicked, this, &frmAbout::cmdSysInfo_Click);
    connect(m_cmdInfo, &QPushButton::clicked, this, &frmAbout::cmdInfo_Click);

    auto* grid = new QGridLayout(this);
    grid->addWidget(m_picIcon, 0, 0, Qt::AlignTop);
    grid->addWidget(m_lblTitle, 0, 1);
    grid->addWidget(m_lblVersion, 1, 1);
    grid->addWidget(label1, 2, 1);
    grid->addWidget(m_lblAdress, 3, 1);
    grid->addWidget(m_picture1, 3, 2, Qt::AlignTop);
    grid->addWidget(m_lblLizenz, 4, 1, 1, 2);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_cmdInfo);
    buttons->addStretch();
    buttons->addWidget(m_cmdSysInfo);
    buttons->addWidget(m_cmdOK);
    grid->addLayout(buttons, 5, 0, 1, 3);
    m_cmdOK->setDefault(true);

    Form_Load();
}

QString frmAbout::addressBlock() {
    const QChar cr(QLatin1Char('\r'));
    return QString::fromUtf8(deployment::kMakerName) + cr +
           QString::fromUtf8(deployment::kMakerStreet) + cr +
           QString::fromUtf8(deployment::kMakerCity) + cr + cr + QStringLiteral("mail   ") +
           QString::fromUtf8(deployment::kSupportMail) + cr + QStringLiteral("web  ") +
           QString::fromUtf8(deployment::kSupportWeb);
}

void frmAbout::Form_Load() {
    errors::Procedure p("[frmAbout] Private Sub Form_Load()");
    p.step([this] {
        // The main window carries the program's icon.
        QIcon icon = QApplication::windowIcon();
        if (icon.isNull())
            icon = QIcon(QStringLiteral(":/images/notenschau.png"));
        setWindowIcon(icon);
        m_picIcon->setPixmap(icon.pixmap(32, 32));
    });
    p.step([this] {
        m_lblVersion->setText(QStringLiteral("Version %1.%2.%3")
                                  .arg(NOTENSCHAU_VERSION_MAJOR)
                                  .arg(NOTENSCHAU_VERSION_MINOR)
                                  .arg(NOTENSCHAU_VERSION_PATCH));
        m_lblTitle->setText(app::applicationTitle());
    });
    p.step([this] {
        m_lblAdress->setText(shown(addressBlock()));
        m_lblLizenz->setText(shown(QLatin1Char('\r') + QString::fromUtf8(deployment::kCopyright)));
    });
}

bool frmAbout::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        if (watched == m_lblAdress)
            lblAdress_Click();
        else if (watched == m_picture1)
            Picture1_Click();
    }
    return QDialog::eventFilter(watched, event);
}

void frmAbout::cmdOK_Click() {
    errors::Procedure p("[frmAbout] Private Sub cmdOK_Click()");
    p.step([] { Form<frmAbout>::unload(); });
}

void frmAbout::cmdSysInfo_Click() {
    errors::Procedure p("[frmAbout] Private Sub cmdSysInfo_Click()");
    p.step([this] { StartSysInfo(); });
}

void frmAbout::cmdInfo_Click() {
    errors::Procedure p("[frmAbout] Private Sub cmdInfo_Click()");
    p.step([this] { subLink(QString::fromUtf8(deployment::kProductPage)); });
}

void frmAbout::lblAdress_Click() {
    errors::Procedure p("[frmAbout] Private Sub lblAdress_Click()");
    p.step([this] { subLink(QString::fromUtf8(deployment::kSupportWeb)); });
}

void frmAbout::Picture1_Click() {
    errors::Procedure p("[frmAbout] Private Sub Picture1_Click()");
    p.step([this] { subLink(QString::fromUtf8(deployment::kSupportWeb)); });
}

void frmAbout::StartSysInfo() {
    errors::Procedure p("[frmAbout] Public Sub StartSysInfo()");
    QString SysInfoPath;
    p.step([&] {
        if (GetKeyValue(app::HKEY_LOCAL_MACHINE, QLatin1String(app::kSysInfoKey),
                        QLatin1String(app::kSysInfoValue), SysInfoPath)) {
            startProgram(SysInfoPath);
            p.exit();
        }
    });
    p.step([&] {
        if (GetKeyValue(app::HKEY_LOCAL_MACHINE, QLatin1String(app::kToolsKey),
                        QLatin1String(app::kToolsValue), SysInfoPath)) {
            const QString program =
                SysInfoPath + QLatin1Char('/') + QLatin1String(app::kSysInfoProgram);
            if (QFileInfo::exists(program)) {
                startProgram(program);
                p.exit();
            }
        }
    });
    p.step([] {
        app::MsgBox(QStringLiteral("Systeminformationsprogramm zur Zeit nicht verfügbar."),
                    app::vbOKOnly);
    });
}

bool frmAbout::GetKeyValue(qint32 KeyRoot, const QString& KeyName, const QString& SubKeyRef,
                           QString& KeyVal) {
    errors::Procedure p("[frmAbout] Public Function GetKeyValue(KeyRoot As Long, KeyName As "
                        "String, SubKeyRef As String, ByRef KeyVal As String) As Boolean");
    bool result = false;
    p.step([&] {
        const std::optional<QString> value = app::registryValue(KeyRoot, KeyName, SubKeyRef);
        if (!value || value->toLocal8Bit().size() + 1 > 1024) {
            KeyVal.clear();
            return;
        }
        KeyVal = value->section(QChar(0), 0, 0);
        result = true;
    });
    return result;
}

void frmAbout::subLink(const QString& sLink) {
    errors::Procedure p("[frmAbout] Private Sub subLink(sLink As String)");
    QString link = sLink;
    p.step([&] {
        // An https address keeps its scheme too: "http://" in front of it
        // would make an address no browser opens.
        if (link.left(7) != QStringLiteral("http://") &&
            link.left(7) != QStringLiteral("mailto:") && link.left(8) != QStringLiteral("https://"))
            link.prepend(QStringLiteral("http://"));
    });
    // What the desktop makes of it is not examined.
    p.step([&] { (void)app::openOnDesktop(link, base::programFolder()); });
}

} // namespace ui
