#pragma once

#include <QDockWidget>
#include <QStringList>

class CResultsModel;
class QLabel;
class QProgressBar;
class QPushButton;
class QTreeView;
class QVBoxLayout;

// A dock that lists the results of a run over a document: a line that says how the run goes or
// went, its progress and Cancel while it runs, and the rows. Activating a row (double click,
// Enter) or stepping to it asks for its node to be selected.
class CResultsBar : public QDockWidget
{
    Q_OBJECT

public:
    CResultsBar(const QString &title, const QStringList &headers, int pathColumn, QWidget *parent = nullptr);

    CResultsModel *Model() const { return m_model; }
    QTreeView *View() const { return m_view; }
    QLabel *StatusLabel() const { return m_status; }
    QProgressBar *ProgressBar() const { return m_progress; }
    QPushButton *CancelButton() const { return m_cancel; }

    // A run started (the rows cleared) or ended; `measured` when its progress can be told.
    void BeginRun(const QString &status, bool measured);
    void EndRun(const QString &status);
    bool IsRunning() const { return m_running; }
    void SetProgress(double share);
    void SetStatus(const QString &text);

    // Makes the row `delta` rows after the current one current (wrapping around) and activates
    // it. False when there are no rows.
    bool Step(int delta);

Q_SIGNALS:
    void rowActivated(int row);
    void cancelRequested();

protected:
    // The layout that holds the status line and the rows; subclasses put their controls above.
    QVBoxLayout *ContentLayout() const { return m_layout; }

private:
    CResultsModel *m_model;
    QVBoxLayout *m_layout;
    QLabel *m_status;
    QProgressBar *m_progress;
    QPushButton *m_cancel;
    QTreeView *m_view;
    bool m_running = false;
};
