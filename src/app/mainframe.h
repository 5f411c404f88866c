#pragma once

#include <QMainWindow>

#include <memory>

class CTreewrightApp;
class CWorkSpaceDoc;
class QMdiArea;
class QMdiSubWindow;
class QPrinter;

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
    QPrinter *Printer();

protected:
    void closeEvent(QCloseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void BuildMenus();
    void UpdateTitle();

    CTreewrightApp *m_app;
    QMdiArea *m_mdiArea;
    std::unique_ptr<QPrinter> m_printer;
};
