#include "aboutdlg.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QStyle>
#include <QVBoxLayout>

CAboutDlg::CAboutDlg(QWidget *parent)
    : QDialog(parent)
{
    setWindowTitle(QStringLiteral("About"));
    auto *picture = new QLabel(this);
    picture->setPixmap(QApplication::windowIcon().isNull()
                           ? style()->standardIcon(QStyle::SP_FileDialogDetailedView).pixmap(48, 48)
                           : QApplication::windowIcon().pixmap(48, 48));
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
