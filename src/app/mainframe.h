#pragma once

#include <QMainWindow>

class CTreewrightApp;
class CWorkSpaceDoc;
class QMdiArea;
class QMdiSubWindow;

// The main window: a multiple-document area holding one window per open document.
class CMainFrame : public QMainWindow
{
    Q_OBJECT

public:
    explicit CMainFrame(CTreewrightApp *app, QWidget *parent = nullptr);
    ~CMainFrame() override;

    QMdiArea *MdiArea() const { return m_mdiArea; }
    void CreateDocumentWindow(CWorkSpaceDoc *document);
    void ActivateDocumentWindow(CWorkSpaceDoc *document);
    CWorkSpaceDoc *ActiveDocument() const;
    QMdiSubWindow *WindowOf(CWorkSpaceDoc *document) const;

protected:
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void BuildMenus();
    void UpdateTitle();

    CTreewrightApp *m_app;
    QMdiArea *m_mdiArea;
};
