#pragma once

#include "framework/cmdtarget.h"
#include "document/xmlsearch.h"

#include <QObject>
#include <QPointer>

#include <functional>

class CChildFrame;
class CDocumentRun;
class CFindBar;
class CResultsBar;
class CWorkSpaceDoc;
class QMainWindow;
struct ValidationReport;

// Find and Validate for the main window's documents: the two result docks, their commands, the
// runs behind them, and the selection of a result's node in its document's window. It stands on
// the command route after the document windows, so the source editor keeps its own Find and F3.
class CDocumentTools : public QObject, public CCmdTarget
{
    Q_OBJECT

public:
    using ActiveDocument = std::function<CWorkSpaceDoc *()>;
    using FrameOf = std::function<CChildFrame *(CWorkSpaceDoc *)>;

    CDocumentTools(QMainWindow *window, ActiveDocument activeDocument, FrameOf frameOf);
    ~CDocumentTools() override;

    CFindBar *FindBar() const { return m_findBar; }
    CResultsBar *ValidationBar() const { return m_validationBar; }

    // Searches the active document; results arrive while it runs.
    void StartFind(const FindOptions &options);
    // Validates the active document against what it names, or `schemaFile` when not empty.
    void StartValidation(const QString &schemaFile = QString());
    // The run going on now, if any (tests and benchmarks wait for it).
    CDocumentRun *CurrentRun() const;
    // Selects `node` of `document`: its element in the tree (making items down to it), and,
    // for a node the tree does not show, its row in the node list.
    void SelectNode(CWorkSpaceDoc *document, const XmlNode &node);

    enum Column { LineColumn, SeverityColumn, PathColumn, MessageColumn };

private:
    void RegisterCommands();
    void Watch(CWorkSpaceDoc *document);
    void ActivateRow(CResultsBar *bar, int row);
    void ShowValidation(const ValidationReport &report);

    QMainWindow *m_window;
    ActiveDocument m_activeDocument;
    FrameOf m_frameOf;
    CFindBar *m_findBar;
    CResultsBar *m_validationBar;
    // The bar F3 steps through: the one that was filled last.
    CResultsBar *m_stepBar = nullptr;
    QPointer<CDocumentRun> m_findRun, m_validationRun;
    QPointer<CWorkSpaceDoc> m_findDocument, m_validationDocument;
};
