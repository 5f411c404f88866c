#include "aboutdlg.h"

#include "resources/commandicon.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

CAboutDlg::CAboutDlg(QWidget *parent)
    : QDialog(parent)
{
    setWindowTitle(QStringLiteral("About"));
    auto *picture = new QLabel(this);
    picture->setPixmap(AboutPicture());
    auto *text = new QLabel(QStringLiteral("Treewright Version %1\nAn editor for XML documents.")
                                .arg(QStringLiteral(TREEWRIGHT_VERSION)), this);
    text->setTextFormat(Qt::PlainText);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    auto *row = new QHBoxLayout;
    row->addWidget(picture);
    row->addWidget(text, 1);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(row);
    layout->addWidget(buttons);
}
