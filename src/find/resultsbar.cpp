#include "resultsbar.h"

#include "resultsmodel.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTreeView>
#include <QVBoxLayout>

CResultsBar::CResultsBar(const QString &title, const QStringList &headers, int pathColumn, QWidget *parent)
    : QDockWidget(title, parent), m_model(new CResultsModel(headers, pathColumn, this))
{
    auto *content = new QWidget(this);
    m_layout = new QVBoxLayout(content);
    m_layout->setContentsMargins(4, 4, 4, 4);
    auto *statusRow = new QHBoxLayout;
    m_status = new QLabel(content);
    m_status->setTextFormat(Qt::PlainText);
    m_status->setWordWrap(true);
    m_progress = new QProgressBar(content);
    m_progress->setMaximumWidth(160);
    m_progress->hide();
    m_cancel = new QPushButton(QStringLiteral("Cancel"), content);
    m_cancel->hide();
    statusRow->addWidget(m_status, 1);
    statusRow->addWidget(m_progress);
    statusRow->addWidget(m_cancel);
    m_layout->addLayout(statusRow);
    m_view = new QTreeView(content);
    m_view->setRootIsDecorated(false);
    m_view->setUniformRowHeights(true); // millions of rows stay quick to scroll
    m_view->setAlternatingRowColors(true);
    m_view->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_view->setModel(m_model);
    m_view->header()->setStretchLastSection(true);
    // Paths are the longest column; the others hold a word or a number.
    m_view->header()->resizeSection(pathColumn, 320);
    m_layout->addWidget(m_view, 1);
    setWidget(content);

    connect(m_cancel, &QPushButton::clicked, this, [this] { Q_EMIT cancelRequested(); });
    connect(m_view, &QTreeView::activated, this, [this](const QModelIndex &index) { Q_EMIT rowActivated(index.row()); });
}

void CResultsBar::BeginRun(const QString &status, bool measured)
{
    m_model->Clear();
    m_running = true;
    m_status->setText(status);
    m_progress->setRange(0, measured ? 1000 : 0);
    m_progress->setValue(0);
    m_progress->show();
    m_cancel->show();
}

void CResultsBar::EndRun(const QString &status)
{
    m_running = false;
    m_status->setText(status);
    m_progress->hide();
    m_cancel->hide();
}

void CResultsBar::SetProgress(double share)
{
    if (m_progress->maximum() > 0)
        m_progress->setValue(int(share * 1000));
}

void CResultsBar::SetStatus(const QString &text)
{
    m_status->setText(text);
}

bool CResultsBar::Step(int delta)
{
    const int rows = m_model->rowCount();
    if (rows == 0)
        return false;
    const QModelIndex current = m_view->currentIndex();
    int row = current.isValid() ? current.row() + delta : (delta > 0 ? 0 : rows - 1);
    row = ((row % rows) + rows) % rows;
    const QModelIndex index = m_model->index(row, 0);
    m_view->setCurrentIndex(index);
    m_view->scrollTo(index);
    Q_EMIT rowActivated(row);
    return true;
}
