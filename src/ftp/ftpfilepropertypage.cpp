#include "ftpfilepropertypage.h"

#include <QCheckBox>
#include <QFrame>
#include <QGridLayout>
#include <QLabel>

namespace {

QLabel *valueLabel(const char *name, QWidget *parent)
{
    auto *label = new QLabel(parent);
    label->setObjectName(QString::fromLatin1(name));
    // Names come from the server: never read as markup.
    label->setTextFormat(Qt::PlainText);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    label->setMinimumWidth(1);
    return label;
}

QFrame *line(QWidget *parent)
{
    auto *frame = new QFrame(parent);
    frame->setFrameShape(QFrame::HLine);
    frame->setFrameShadow(QFrame::Sunken);
    return frame;
}

} // namespace

CFtpFilePropertyPage::CFtpFilePropertyPage(QWidget *parent)
    : QWidget(parent),
      m_fileName(valueLabel("filename", this)),
      m_server(valueLabel("server", this)),
      m_location(valueLabel("location", this)),
      m_size(valueLabel("size", this)),
      m_created(valueLabel("created", this)),
      m_modified(valueLabel("modified", this)),
      m_accessed(valueLabel("accessed", this)),
      m_readOnly(new QCheckBox(QStringLiteral("Read Only"), this)),
      m_hidden(new QCheckBox(QStringLiteral("Hidden"), this)),
      m_archive(new QCheckBox(QStringLiteral("Archive"), this)),
      m_system(new QCheckBox(QStringLiteral("System"), this)),
      m_compressed(new QCheckBox(QStringLiteral("Compressed"), this))
{
    auto *grid = new QGridLayout(this);
    int row = 0;
    auto add = [&](const char *label, QWidget *value) {
        grid->addWidget(new QLabel(QString::fromLatin1(label), this), row, 0);
        grid->addWidget(value, row++, 1, 1, 2);
    };
    add("Filename:", m_fileName);
    grid->addWidget(line(this), row++, 0, 1, 3);
    add("Server:", m_server);
    add("Location:", m_location);
    add("Size:", m_size);
    grid->addWidget(line(this), row++, 0, 1, 3);
    add("Created:", m_created);
    add("Modified:", m_modified);
    add("Accessed:", m_accessed);
    grid->addWidget(line(this), row++, 0, 1, 3);
    grid->addWidget(new QLabel(QStringLiteral("Attributes:"), this), row, 0);
    grid->addWidget(m_readOnly, row, 1);
    grid->addWidget(m_hidden, row++, 2);
    grid->addWidget(m_archive, row, 1);
    grid->addWidget(m_system, row++, 2);
    grid->addWidget(m_compressed, row++, 1);
    grid->setRowStretch(row, 1);
    grid->setColumnStretch(2, 1);
    // The attributes are shown, not changed.
    for (QCheckBox *box : {m_readOnly, m_hidden, m_archive, m_system, m_compressed})
        box->setEnabled(false);
}

void CFtpFilePropertyPage::OnInitDialog()
{
    m_fileName->setText(m_strFileName);
    m_location->setText(m_strLocation);
    m_server->setText(m_strServerName);
    m_size->setText(m_nSize == -1 ? QStringLiteral("n/a") : QString::number(m_nSize));
    m_created->setText(FormatTime(m_timeCreated));
    m_accessed->setText(FormatTime(m_timeLastAccess));
    m_modified->setText(FormatTime(m_timeLastWrite));
    m_readOnly->setChecked(m_bReadOnly);
    m_hidden->setChecked(m_bHidden);
    m_archive->setChecked(m_bArchive);
    m_system->setChecked(m_bSystem);
    m_compressed->setChecked(m_bCompressed);
}

QString CFtpFilePropertyPage::FormatTime(const QDateTime &time)
{
    if (!time.isValid())
        return QStringLiteral("n/a");
    static const char *const weekdays[] = {"Monday, ", "Tuesday, ", "Wednesday, ", "Thursday, ",
                                           "Friday, ", "Saturday ", "Sunday, "};
    static const char *const months[] = {"January ", "Feburary ", "March ", "April ", "May ", "June ",
                                         "July ", "August ", "September ", "October ", "November ", "December "};
    const QDateTime local = time.toLocalTime();
    const QDate date = local.date();
    const QTime clock = local.time();
    QString text = QString::fromLatin1(weekdays[date.dayOfWeek() - 1]);
    text += QString::fromLatin1(months[date.month() - 1]);
    text += QString::number(date.day()) + QStringLiteral(",  ") + QString::number(date.year()) + QLatin1Char(' ');
    const int hour = clock.hour();
    text += QString::number(hour <= 12 ? hour : hour - 12);
    text += QLatin1Char(':') + QString::number(clock.minute()) + QLatin1Char(':') + QString::number(clock.second());
    text += hour <= 12 ? QStringLiteral("  AM") : QStringLiteral("  PM");
    return text;
}
