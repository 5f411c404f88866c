#include "documenttools.h"

#include "documentrun.h"
#include "findbar.h"
#include "resultsmodel.h"

#include "document/workspacedoc.h"
#include "document/xmlvalidator.h"
#include "framework/appsettings.h"
#include "framework/cmdui.h"
#include "framework/filedialogs.h"
#include "framework/messagehelper.h"
#include "panes/childframe.h"
#include "panes/nodelistcontrol.h"
#include "panes/nodepage.h"
#include "panes/propertysheetview.h"
#include "panes/treewrightview.h"
#include "resources/commandids.h"
#include "tree/elementtreemodel.h"
#include "tree/elementview.h"

#include <QAbstractItemView>
#include <QCoreApplication>
#include <QItemSelectionModel>
#include <QLabel>
#include <QMainWindow>
#include <QPushButton>
#include <QTreeView>

namespace {

const QString StaleNote = QStringLiteral(" The document has changed since: the results may be stale.");

QString hitsText(int count)
{
    return count == 1 ? QStringLiteral("1 result") : QStringLiteral("%1 results").arg(count);
}

} // namespace

CDocumentTools::CDocumentTools(QMainWindow *window, ActiveDocument activeDocument, FrameOf frameOf)
    : QObject(window), m_window(window), m_activeDocument(std::move(activeDocument)), m_frameOf(std::move(frameOf)),
      m_findBar(new CFindBar(window)),
      m_validationBar(new CResultsBar(QStringLiteral("Validation"),
                                      {QStringLiteral("Line"), QStringLiteral("Severity"), QStringLiteral("Node"),
                                       QStringLiteral("Message")},
                                      PathColumn, window))
{
    m_validationBar->setObjectName(QStringLiteral("ValidationBar"));
    window->addDockWidget(Qt::BottomDockWidgetArea, m_findBar);
    window->addDockWidget(Qt::BottomDockWidgetArea, m_validationBar);
    window->tabifyDockWidget(m_findBar, m_validationBar);
    m_findBar->hide();
    m_validationBar->hide();

    connect(m_findBar, &CFindBar::findRequested, this, &CDocumentTools::StartFind);
    connect(m_findBar, &CResultsBar::rowActivated, this, [this](int row) { ActivateRow(m_findBar, row); });
    connect(m_validationBar, &CResultsBar::rowActivated, this, [this](int row) { ActivateRow(m_validationBar, row); });
    connect(m_findBar, &CResultsBar::cancelRequested, this, [this] {
        if (m_findRun)
            m_findRun->Cancel();
    });
    connect(m_validationBar, &CResultsBar::cancelRequested, this, [this] {
        if (m_validationRun)
            m_validationRun->Cancel();
        m_validationBar->EndRun(QStringLiteral("Validation cancelled."));
    });
    RegisterCommands();
}

CDocumentTools::~CDocumentTools() = default;

CDocumentRun *CDocumentTools::CurrentRun() const
{
    if (m_findRun && m_findRun->IsRunning())
        return m_findRun;
    return m_validationRun;
}

void CDocumentTools::RegisterCommands()
{
    auto hasDocument = [this](CCmdUI *ui) { ui->Enable(m_activeDocument() != nullptr); };
    AddCommand(ID_EDIT_FIND, [this] { m_findBar->FocusPattern(); }, hasDocument);
    auto canStep = [this](CCmdUI *ui) { ui->Enable(m_stepBar && m_stepBar->Model()->rowCount() > 0); };
    AddCommand(ID_EDIT_FIND_NEXT, [this] {
        if (m_stepBar)
            m_stepBar->Step(1);
    }, canStep);
    AddCommand(ID_EDIT_FIND_PREVIOUS, [this] {
        if (m_stepBar)
            m_stepBar->Step(-1);
    }, canStep);
    AddCommand(ID_TOOLS_VALIDATE, [this] { StartValidation(); }, hasDocument);
    AddCommand(ID_TOOLS_VALIDATE_SCHEMA, [this] {
        const QString file = FileDialogs::GetOpenFileName(
            m_window, QStringLiteral("Schemas (*.xsd *.rng *.dtd);;All Files (*)"));
        if (!file.isEmpty())
            StartValidation(file);
    }, hasDocument);
    AddCommand(ID_VIEW_FIND_BAR, [this] { m_findBar->setVisible(m_findBar->isHidden()); },
               [this](CCmdUI *ui) { ui->SetCheck(!m_findBar->isHidden()); });
    AddCommand(ID_VIEW_VALIDATION_BAR, [this] { m_validationBar->setVisible(m_validationBar->isHidden()); },
               [this](CCmdUI *ui) { ui->SetCheck(!m_validationBar->isHidden()); });
}

void CDocumentTools::Watch(CWorkSpaceDoc *document)
{
    // Results hold their nodes; once the document changes they may point elsewhere than what
    // was found.
    disconnect(document, &CWorkSpaceDoc::editStarting, this, nullptr);
    connect(document, &CWorkSpaceDoc::editStarting, this, [this, document] {
        for (CResultsBar *bar : {static_cast<CResultsBar *>(m_findBar), m_validationBar}) {
            const bool mine = (bar == m_findBar ? m_findDocument : m_validationDocument) == document;
            if (mine && !bar->Model()->IsStale() && (bar->Model()->rowCount() > 0 || bar->IsRunning())) {
                bar->Model()->SetStale(true);
                if (!bar->IsRunning())
                    bar->SetStatus(bar->StatusLabel()->text() + StaleNote);
            }
        }
    });
    connect(document, &QObject::destroyed, this, [this](QObject *gone) {
        if (gone == m_findDocument || !m_findDocument) {
            m_findBar->Model()->Clear();
            m_findBar->EndRun(QString());
        }
        if (gone == m_validationDocument || !m_validationDocument) {
            m_validationBar->Model()->Clear();
            m_validationBar->EndRun(QString());
        }
    }, Qt::UniqueConnection);
}

void CDocumentTools::StartFind(const FindOptions &options)
{
    CWorkSpaceDoc *document = m_activeDocument();
    if (!document)
        return;
    if (m_findRun) {
        m_findRun->Cancel();
        m_findRun->deleteLater();
    }
    m_findDocument = document;
    Watch(document);
    m_stepBar = m_findBar;
    m_findBar->show();
    m_findBar->BeginRun(QStringLiteral("Searching..."), !options.xpath);

    auto *run = new CDocumentRun(document, this);
    m_findRun = run;
    QPointer<CFindBar> bar = m_findBar;
    QPointer<CDocumentRun> guard = run;
    const XmlNode top = document->GetDOMDocument()->documentNode();
    connect(run, &CDocumentRun::interruptedByEdit, this, [bar, guard] {
        if (bar && guard)
            bar->EndRun(QStringLiteral("The search stopped when the document was edited; %1 so far.")
                            .arg(hitsText(bar->Model()->rowCount())) + StaleNote);
    });
    // Results are posted to the application object, which outlives every run; the guards say
    // whether the bar and the run are still there to take them.
    run->Start([bar, guard, top, options](const std::atomic<bool> &cancel) {
        XmlSearch search(top, options);
        QString error;
        auto deliver = [bar, guard](QList<FindHit> hits, double progress) {
            QList<ResultRow> rows;
            rows.reserve(hits.size());
            for (FindHit &hit : hits) {
                ResultRow row;
                row.cells = {QString(), hit.kind, hit.matched, hit.line > 0 ? QString::number(hit.line) : QString()};
                row.node = std::move(hit.node);
                rows.append(std::move(row));
            }
            QMetaObject::invokeMethod(qApp, [bar, guard, rows = std::move(rows), progress]() mutable {
                if (!bar || !guard || guard->IsCancelled() || !bar->IsRunning())
                    return;
                bar->Model()->Append(std::move(rows));
                bar->SetProgress(progress);
                bar->SetStatus(QStringLiteral("Searching... %1").arg(hitsText(bar->Model()->rowCount())));
            }, Qt::QueuedConnection);
        };
        bool ok = search.Prepare(&error) && search.Run(cancel, deliver, &error);
        const bool limited = search.StoppedAtLimit();
        const bool cancelled = cancel.load();
        QMetaObject::invokeMethod(qApp, [bar, guard, ok, error, limited, cancelled] {
            if (!bar || !guard || !bar->IsRunning())
                return;
            const int count = bar->Model()->rowCount();
            QString status;
            if (!ok)
                status = error;
            else if (cancelled)
                status = QStringLiteral("The search was cancelled; %1 so far.").arg(hitsText(count));
            else if (limited)
                status = QStringLiteral("The search stopped after %1.").arg(hitsText(count));
            else if (count == 0)
                status = QStringLiteral("Nothing was found.");
            else
                status = QStringLiteral("%1.").arg(hitsText(count));
            if (bar->Model()->IsStale())
                status += StaleNote;
            bar->EndRun(status);
        }, Qt::QueuedConnection);
    });
}

void CDocumentTools::StartValidation(const QString &schemaFile)
{
    CWorkSpaceDoc *document = m_activeDocument();
    if (!document)
        return;
    if (m_validationRun) {
        m_validationRun->Cancel();
        m_validationRun->deleteLater();
    }
    m_validationDocument = document;
    Watch(document);
    m_stepBar = m_validationBar;
    m_validationBar->show();
    m_validationBar->raise();
    m_validationBar->BeginRun(QStringLiteral("Validating..."), false);

    auto *run = new CDocumentRun(document, this);
    m_validationRun = run;
    auto validator = std::make_shared<XmlValidator>(document->GetDOMDocument()->documentNode(), document->GetPathName(),
                                                    schemaFile,
                                                    AppSettings::IsSettingOn(QString::fromLatin1(AppSettings::ResolveExternals)));
    QPointer<CDocumentTools> self = this;
    QPointer<CDocumentRun> guard = run;
    run->Start([validator](const std::atomic<bool> &) { validator->TakeSnapshot(); },
               [validator, self, guard](const std::atomic<bool> &) {
                   ValidationReport report = validator->Validate();
                   QMetaObject::invokeMethod(qApp, [self, guard, report = std::move(report)] {
                       if (self && guard && !guard->IsCancelled())
                           self->ShowValidation(report);
                   }, Qt::QueuedConnection);
               });
}

void CDocumentTools::ShowValidation(const ValidationReport &report)
{
    CResultsModel *model = m_validationBar->Model();
    const bool stale = model->IsStale();
    const XmlNode top = m_validationDocument ? m_validationDocument->GetDOMDocument()->documentNode() : XmlNode();
    QList<ResultRow> rows;
    for (const ValidationIssue &issue : report.issues) {
        ResultRow row;
        row.warning = issue.warning;
        row.steps = issue.steps;
        // Found again in the document itself while it is as it was copied.
        if (!stale && !top.isNull() && !issue.steps.isEmpty())
            row.node = XmlSearch::NodeAtSteps(top, issue.steps);
        row.cells = {issue.line > 0 ? QString::number(issue.line) : QString(),
                     issue.warning ? QStringLiteral("Warning") : QStringLiteral("Error"), issue.path, issue.message};
        rows.append(std::move(row));
    }
    model->Append(std::move(rows));
    QString status;
    if (!report.ran) {
        status = report.failure;
        ShowMessageText(report.failure, MB::IconExclamation);
    } else {
        const QString against = report.schemaLocation.isEmpty()
            ? QStringLiteral("its internal DTD")
            : QStringLiteral("the %1 \"%2\"").arg(report.schemaKind, report.schemaLocation);
        const int errors = report.ErrorCount();
        const int warnings = int(report.issues.size()) - errors;
        if (errors == 0 && warnings == 0)
            status = QStringLiteral("The document is valid against %1.").arg(against);
        else if (errors == 0)
            status = QStringLiteral("The document is valid against %1, with %2 warning(s).").arg(against).arg(warnings);
        else
            status = QStringLiteral("The document is not valid against %1: %2 error(s), %3 warning(s).")
                         .arg(against).arg(errors).arg(warnings);
    }
    if (stale)
        status += StaleNote;
    m_validationBar->EndRun(status);
}

void CDocumentTools::ActivateRow(CResultsBar *bar, int row)
{
    CWorkSpaceDoc *document = bar == m_findBar ? m_findDocument.data() : m_validationDocument.data();
    if (!document || row < 0 || row >= bar->Model()->rowCount())
        return;
    const ResultRow &result = bar->Model()->Row(row);
    XmlNode node = result.node;
    if (node.isNull() && !result.steps.isEmpty())
        node = XmlSearch::NodeAtSteps(document->GetDOMDocument()->documentNode(), result.steps);
    if (!node.isNull())
        SelectNode(document, node);
}

void CDocumentTools::SelectNode(CWorkSpaceDoc *document, const XmlNode &node)
{
    CChildFrame *frame = m_frameOf ? m_frameOf(document) : nullptr;
    if (!frame || node.isNull())
        return;
    // The tree shows elements and the document type; other nodes are rows of their element.
    XmlNode shown = node;
    const int type = node.nodeType();
    if (type == NodeType::Attribute)
        shown = node.ownerElement();
    else if (type != NodeType::Element && type != NodeType::DocumentType && type != NodeType::Document)
        shown = node.parentNode();
    CElementView *tree = frame->TreePane();
    const QModelIndex index = shown.nodeType() == NodeType::Document ? tree->TreeModel()->index(0, 0)
                                                                     : tree->TreeModel()->IndexForNode(shown);
    if (!index.isValid())
        return;
    tree->SelectItem(index);
    if (shown == node)
        return;
    CPropertySheetView *sheet = frame->NodePane()->Sheet();
    for (int i = 0; i < sheet->GetPageCount(); ++i) {
        auto *page = qobject_cast<CNodePage *>(sheet->GetPage(i));
        if (!page)
            continue;
        sheet->SetActivePage(i);
        page->OnKickIdle();
        page->FinishFilling(); // the row may be among those still to come
        CNodeListControl *list = page->ListControl();
        for (int r = 0; r < list->RowCount(); ++r) {
            if (list->RowNode(r) != node)
                continue;
            QAbstractItemView *view = list->CurrentView();
            const QModelIndex rowIndex = view->model()->index(r, 0);
            view->selectionModel()->setCurrentIndex(rowIndex, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
            view->scrollTo(rowIndex);
            break;
        }
        break;
    }
}
