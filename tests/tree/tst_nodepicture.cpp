// The pictures of the node kinds, shared by the element tree and the node list.
#include "resources/nodepicture.h"

#include <QImage>
#include <QSet>
#include <QtTest>

class TestNodePicture : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void everyKindHasADistinctCrispPicture()
    {
        QSet<QByteArray> seen;
        for (int id : {132, 133, 134, 135, 136, 137, 138, 139, 177}) {
            const QIcon icon = NodePicture(id);
            QVERIFY2(!icon.isNull(), qPrintable(QString::number(id)));
            const QImage one = icon.pixmap(QSize(16, 16), 1.0).toImage();
            const QImage two = icon.pixmap(QSize(16, 16), 2.0).toImage();
            QCOMPARE(one.size(), QSize(16, 16));
            QCOMPARE(two.size(), QSize(32, 32));
            int opaque = 0;
            for (int y = 0; y < one.height(); ++y)
                for (int x = 0; x < one.width(); ++x)
                    opaque += qAlpha(one.pixel(x, y)) > 128;
            QVERIFY2(opaque >= 40, qPrintable(QString::number(id)));
            const QByteArray bits(reinterpret_cast<const char *>(one.constBits()), one.sizeInBytes());
            QVERIFY2(!seen.contains(bits), qPrintable(QString::number(id)));
            seen.insert(bits);
        }
        QVERIFY(NodePicture(140).isNull());
        QVERIFY(NodePicture(0).isNull());
    }
};

QTEST_MAIN(TestNodePicture)
#include "tst_nodepicture.moc"
