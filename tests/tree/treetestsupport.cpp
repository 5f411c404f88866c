#include "treetestsupport.h"

#include "document/xmldocument.h"

#include <QTest>
#include <QVBoxLayout>

TreeFixture::TreeFixture(const QByteArray &xml)
    : document(std::make_unique<CWorkSpaceDoc>()), window(std::make_unique<FrameWindow>())
{
    const QString path = folder.write(QStringLiteral("test.xml"), xml);
    if (!document->OnOpenDocument(path))
        qFatal("the test document does not open");
    auto *layout = new QVBoxLayout(window.get());
    view = new CElementView(document.get(), window.get());
    layout->addWidget(view);
    window->resize(400, 600);
    window->show();
    view->OnInitialUpdate();
    if (!QTest::qWaitForWindowExposed(window.get()))
        qWarning("the tree's window is not exposed");
}

void TreeFixture::CheckModel()
{
    // The tester fills every branch when attached: only for the small documents of edit tests.
    modelTester = std::make_unique<QAbstractItemModelTester>(view->model(), QAbstractItemModelTester::FailureReportingMode::QtTest);
}

TreeFixture::~TreeFixture()
{
    modelTester.reset();
    window.reset(); // the view goes before its document
}

QModelIndex TreeFixture::item(const QStringList &labels) const
{
    QAbstractItemModel *model = view->model();
    QModelIndex current = model->index(0, 0);
    for (const QString &label : labels) {
        view->expand(current);
        while (model->canFetchMore(current))
            model->fetchMore(current);
        QModelIndex found;
        for (int row = 0; row < model->rowCount(current); ++row) {
            if (model->index(row, 0, current).data().toString() == label) {
                found = model->index(row, 0, current);
                break;
            }
        }
        if (!found.isValid())
            return QModelIndex();
        current = found;
    }
    return current;
}

void TreeFixture::click(const QModelIndex &index) const
{
    view->scrollTo(index);
    QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::NoModifier, view->visualRect(index).center());
}

QString TreeFixture::xml() const
{
    return document->GetDOMDocument()->xml();
}


QStringList labelsUnder(QAbstractItemModel *model, const QModelIndex &parent)
{
    while (model->canFetchMore(parent))
        model->fetchMore(parent);
    QStringList labels;
    for (int row = 0; row < model->rowCount(parent); ++row)
        labels << model->index(row, 0, parent).data().toString();
    return labels;
}

QString rootXml(const TreeFixture &tree)
{
    return tree.document->GetDOMDocument()->documentElement().xml();
}
