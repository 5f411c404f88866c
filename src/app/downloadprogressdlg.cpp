#include "downloadprogressdlg.h"

#include <QGuiApplication>
#include <QProgressBar>
#include <QScreen>
#include <QVBoxLayout>

CDownloadProgressDlg::CDownloadProgressDlg(QWidget *parent) : QDialog(parent), m_progress(new QProgressBar(this))
{
    setObjectName(QStringLiteral("DownloadProgressDlg"));
    m_progress->setObjectName(QStringLiteral("111"));
    m_progress->setRange(0, 100);
    m_progress->setValue(0);
    // The bar fills the window less 15 pixels on every side.
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(15, 15, 15, 15);
    layout->addWidget(m_progress);
    setMinimumWidth(360);
    adjustSize();
    if (!parent) {
        if (QScreen *screen = QGuiApplication::primaryScreen())
            move(screen->availableGeometry().center() - rect().center());
    }
}

void CDownloadProgressDlg::SetPos(int position)
{
    m_progress->setValue(qBound(0, position, 100));
}

int CDownloadProgressDlg::GetPos() const
{
    return m_progress->value();
}

void CDownloadProgressDlg::reject()
{
    // Closing the window and Escape both come here.
    Q_EMIT cancelRequested();
    QDialog::reject();
}
