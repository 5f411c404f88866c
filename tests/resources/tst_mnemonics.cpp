// Keyboard access to the menus: within each menu no two entries share a mnemonic, since a key
// that belongs to two entries only moves between them instead of choosing one.
#include "resources/menuresource.h"

#include <QtTest>

namespace {

// The mnemonic letter of a menu text ("Save &As...\tCtrl+S" has 'a'); null when it has none.
QChar mnemonic(const QString &text)
{
    const QString label = text.section(QLatin1Char('\t'), 0, 0);
    for (qsizetype i = 0; i + 1 < label.size(); ++i) {
        if (label.at(i) != QLatin1Char('&'))
            continue;
        if (label.at(i + 1) == QLatin1Char('&')) {
            ++i;
            continue;
        }
        return label.at(i + 1).toLower();
    }
    return {};
}

// Every clash in `items` and, each on its own, in their submenus, as "menu: letter (a, b)".
void collectClashes(const QString &where, const QList<MenuItemResource> &items, QStringList &clashes)
{
    QHash<QChar, QString> seen;
    for (const MenuItemResource &item : items) {
        if (item.kind == MenuItemResource::Kind::Separator)
            continue;
        const QChar key = mnemonic(item.text);
        if (!key.isNull()) {
            if (seen.contains(key))
                clashes.append(QStringLiteral("%1: %2 (%3, %4)").arg(where, key, seen.value(key), item.text));
            seen.insert(key, item.text);
        }
        if (item.kind == MenuItemResource::Kind::Popup)
            collectClashes(where + QLatin1Char('/') + item.text, item.items, clashes);
    }
}

} // namespace

class TestMnemonics : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void noClashInAnyMenu_data()
    {
        QTest::addColumn<int>("resource");
        for (int id : {128, 130, 131, 172, 175, 176, 181, 219})
            QTest::addRow("%d", id) << id;
    }
    void noClashInAnyMenu()
    {
        QFETCH(int, resource);
        const QList<MenuItemResource> &menu = MenuResource(resource);
        QVERIFY(!menu.isEmpty());
        QStringList clashes;
        collectClashes(QString::number(resource), menu, clashes);
        QVERIFY2(clashes.isEmpty(), qPrintable(clashes.join(QStringLiteral("; "))));
    }
};

QTEST_GUILESS_MAIN(TestMnemonics)
#include "tst_mnemonics.moc"
