#pragma once

#include <QDialog>

class QProgressBar;

// The window that shows how far a download has come: one progress bar from 0 to 100. It is
// modeless, so the download goes on while it is shown; closing it (or Escape) asks the download
// to stop.
class CDownloadProgressDlg : public QDialog
{
    Q_OBJECT

public:
    explicit CDownloadProgressDlg(QWidget *parent = nullptr);

    void SetPos(int position);
    int GetPos() const;
    QProgressBar *ProgressBar() const { return m_progress; }

Q_SIGNALS:
    void cancelRequested();

protected:
    void reject() override;

private:
    QProgressBar *m_progress;
};
