#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

namespace ui {

// The about box "Info": title, version, the maker's address and copyright,
// links to the maker's pages, and the system-information program.
class frmAbout : public QDialog {
    Q_OBJECT
public:
    explicit frmAbout(QWidget* parent = nullptr);

    void cmdOK_Click();
    void cmdSysInfo_Click();
    void cmdInfo_Click();
    void lblAdress_Click();
    void Picture1_Click();

    void StartSysInfo();
    // One value of the system's lookup (see app/sysInfoLookup.h). It must
    // fit a buffer of 1024 bytes with its closing NUL; on failure KeyVal is
    // emptied and the result is false.
    static bool GetKeyValue(qint32 KeyRoot, const QString& KeyName, const QString& SubKeyRef,
                            QString& KeyVal);
    // Opens a web or mail address through the desktop; "http://" is put in
    // front of anything that starts neither with it nor with "mailto:".
    void subLink(const QString& sLink);

    // The maker's address block: six lines separated by carriage returns.
    static QString addressBlock();

    QLabel* picIcon() const { return m_picIcon; }
    QLabel* lblTitle() const { return m_lblTitle; }
    QLabel* lblVersion() const { return m_lblVersion; }
    QLabel* lblAdress() const { return m_lblAdress; }
    QLabel* lblLizenz() const { return m_lblLizenz; }
    QLabel* picture1() const { return m_picture1; }
    QPushButton* cmdOK() const { return m_cmdOK; }
    QPushButton* cmdSysInfo() const { return m_cmdSysInfo; }
    QPushButton* cmdInfo() const { return m_cmdInfo; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Form_Load();

    QLabel* m_picIcon = nullptr;
    QLabel* m_lblTitle = nullptr;
    QLabel* m_lblVersion = nullptr;
    QLabel* m_lblAdress = nullptr;
    QLabel* m_picture1 = nullptr;
    QLabel* m_lblLizenz = nullptr;
    QPushButton* m_cmdOK = nullptr;
    QPushButton* m_cmdSysInfo = nullptr;
    QPushButton* m_cmdInfo = nullptr;
};

} // namespace ui
