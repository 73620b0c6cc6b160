#include "ui/dialogs/loadWindow.h"

#include "retrieval/loadRun.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace ui {

LoadWindow::LoadWindow(const char* name, const QString& caption, QWidget* parent)
    : QDialog(parent) {
    setObjectName(QString::fromLatin1(name));
    setWindowTitle(caption);
    setModal(true);
    auto* layout = new QVBoxLayout(this);
    m_label1 = new QLabel(this);
    m_label1->setObjectName(QStringLiteral("Label1"));
    m_label2 = new QLabel(this);
    m_label2->setObjectName(QStringLiteral("Label2"));
    m_label3 = new QLabel(retrieval::LoadRun::label3(), this);
    m_label3->setObjectName(QStringLiteral("Label3"));
    m_label3->setWordWrap(true);
    m_progress = new QProgressBar(this);
    m_progress->setObjectName(QStringLiteral("ProgressBar1"));
    m_progress->setValue(0);
    m_cmdabort = new QPushButton(QStringLiteral("Abbrechen"), this);
    m_cmdabort->setObjectName(QStringLiteral("cmdabort"));
    layout->addWidget(m_label1);
    layout->addWidget(m_label2);
    layout->addWidget(m_progress);
    layout->addWidget(m_label3);
    auto* row = new QHBoxLayout;
    row->addStretch();
    row->addWidget(m_cmdabort);
    layout->addLayout(row);
    setMinimumWidth(460);
}

LoadWindow::~LoadWindow() = default;

void LoadWindow::adopt(retrieval::LoadRun* run) {
    delete m_run;
    m_run = run;
    m_run->setParent(this);
    m_result = std::make_shared<retrieval::FetchResult>();
    connect(m_run, &retrieval::LoadRun::changed, this, &LoadWindow::showRun);
    connect(m_run, &retrieval::LoadRun::closed, this, [this] {
        *m_result = m_run->takeResult();
        if (isVisible())
            done(QDialog::Accepted);
    });
    connect(m_cmdabort, &QPushButton::clicked, m_run, &retrieval::LoadRun::cmdabort_Click);
    emit runCreated(m_run);
}

retrieval::FetchResult LoadWindow::showModal() {
    QPointer<LoadWindow> self(this);
    const auto result = m_result ? m_result : std::make_shared<retrieval::FetchResult>();
    // A run that ended before the window showed needs no window.
    if (m_run && !m_run->isClosed())
        exec();
    if (self)
        close();
    return std::move(*result);
}

// Closing by the window frame is a cancel.
void LoadWindow::reject() {
    if (m_run && !m_run->isClosed())
        m_run->cmdabort_Click();
    QDialog::reject();
}

void LoadWindow::showRun() {
    m_label1->setText(m_run->label1());
    m_label2->setText(m_run->label2());
    m_progress->setMaximum(std::max(1, m_run->progressMaximum()));
    m_progress->setValue(std::min(m_run->progressValue(), m_progress->maximum()));
}

} // namespace ui
