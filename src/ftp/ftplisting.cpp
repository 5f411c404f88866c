#include "ftplisting.h"

#include <QRegularExpression>
#include <QStringList>
#include <QTimeZone>

namespace {

bool isSelfOrParent(const QString &name)
{
    return name.isEmpty() || name == QLatin1String(".") || name == QLatin1String("..");
}

QList<QString> lines(const QByteArray &data)
{
    QList<QString> result;
    for (const QByteArray &raw : data.split('\n')) {
        QByteArray line = raw;
        if (line.endsWith('\r'))
            line.chop(1);
        if (!line.isEmpty())
            result.append(QString::fromUtf8(line));
    }
    return result;
}

// An MLSD time, "YYYYMMDDHHMMSS" with optional fractions, always in UTC.
QDateTime mlsdTime(const QString &value)
{
    QDateTime time = QDateTime::fromString(value.left(14), QStringLiteral("yyyyMMddHHmmss"));
    if (!time.isValid())
        return {};
    time.setTimeSpec(Qt::UTC);
    return time;
}

int monthNumber(const QString &name)
{
    static const QStringList months = {"jan", "feb", "mar", "apr", "may", "jun",
                                       "jul", "aug", "sep", "oct", "nov", "dec"};
    return int(months.indexOf(name.toLower())) + 1;
}

} // namespace

QList<CFtpEntry> CFtpListing::ParseMlsd(const QByteArray &data, const QString &directory)
{
    QList<CFtpEntry> entries;
    for (const QString &line : lines(data)) {
        CFtpEntry entry;
        if (ParseMlsdLine(line, &entry)) {
            entry.directory = directory;
            entries.append(entry);
        }
    }
    return entries;
}

QList<CFtpEntry> CFtpListing::ParseList(const QByteArray &data, const QString &directory, const QDateTime &now)
{
    QList<CFtpEntry> entries;
    for (const QString &line : lines(data)) {
        CFtpEntry entry;
        if (ParseUnixLine(line, now, &entry) || ParseDosLine(line, &entry)) {
            entry.directory = directory;
            entries.append(entry);
        }
    }
    return entries;
}

bool CFtpListing::ParseMlsdLine(const QString &line, CFtpEntry *entry)
{
    // "fact=value;fact=value; name": the name is everything after the first blank.
    const qsizetype blank = line.indexOf(QLatin1Char(' '));
    if (blank < 0)
        return false;
    entry->name = line.mid(blank + 1);
    bool typed = false;
    QString perm;
    bool hasPerm = false;
    for (const QString &fact : line.left(blank).split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        const qsizetype equals = fact.indexOf(QLatin1Char('='));
        if (equals < 0)
            continue;
        const QString key = fact.left(equals).toLower();
        const QString value = fact.mid(equals + 1);
        if (key == QLatin1String("type")) {
            const QString type = value.toLower();
            if (type == QLatin1String("cdir") || type == QLatin1String("pdir"))
                return false;
            entry->isDirectory = type == QLatin1String("dir");
            entry->isLink = type.startsWith(QLatin1String("os.unix=slink")) || type.startsWith(QLatin1String("os.unix=symlink"));
            typed = true;
        } else if (key == QLatin1String("size") || key == QLatin1String("sizd")) {
            bool ok = false;
            const qint64 size = value.toLongLong(&ok);
            if (ok && size >= 0 && key == QLatin1String("size"))
                entry->size = size;
        } else if (key == QLatin1String("modify")) {
            entry->modified = mlsdTime(value);
        } else if (key == QLatin1String("create")) {
            entry->created = mlsdTime(value);
        } else if (key == QLatin1String("perm")) {
            perm = value.toLower();
            hasPerm = true;
        }
    }
    if (!typed || isSelfOrParent(entry->name))
        return false;
    // A file that may be neither written nor appended to, or a directory where nothing may be
    // created, is read-only for this login.
    if (hasPerm)
        entry->readOnly = entry->isDirectory ? !perm.contains(QLatin1Char('c')) : !perm.contains(QLatin1Char('w')) && !perm.contains(QLatin1Char('a'));
    entry->hidden = entry->name.startsWith(QLatin1Char('.'));
    if (entry->isDirectory)
        entry->size = 0;
    return true;
}

bool CFtpListing::ParseUnixLine(const QString &line, const QDateTime &now, CFtpEntry *entry)
{
    // "drwxr-xr-x 2 owner group 4096 Mar  5 15:07 name", the group column sometimes missing, a
    // link's name followed by " -> target". The date is found by its month; the size stands
    // before it and the name after the time or year and one blank.
    static const QRegularExpression token(QStringLiteral("\\S+"));
    if (line.size() < 10 || !QStringLiteral("-dlcbps").contains(line.at(0)))
        return false;
    QList<QRegularExpressionMatch> tokens;
    auto it = token.globalMatch(line);
    while (it.hasNext() && tokens.size() < 10)
        tokens.append(it.next());
    for (qsizetype i = 2; i + 3 < tokens.size(); ++i) {
        const int month = monthNumber(tokens[i].captured());
        bool dayOk = false, sizeOk = false;
        const int day = tokens[i + 1].captured().toInt(&dayOk);
        const qint64 size = tokens[i - 1].captured().toLongLong(&sizeOk);
        if (month == 0 || !dayOk || !sizeOk || size < 0 || day < 1 || day > 31)
            continue;
        const QString when = tokens[i + 2].captured();
        QDateTime time;
        if (when.contains(QLatin1Char(':'))) {
            const QTime clock = QTime::fromString(when, QStringLiteral("H:mm"));
            // Without a year the date lies within the last twelve months.
            QDate date(now.date().year(), month, day);
            if (date.isValid() && date > now.date().addDays(1))
                date = date.addYears(-1);
            time = QDateTime(date, clock);
        } else {
            bool yearOk = false;
            const int year = when.toInt(&yearOk);
            if (!yearOk)
                continue;
            time = QDateTime(QDate(year, month, day), QTime(0, 0));
        }
        const qsizetype nameStart = tokens[i + 2].capturedEnd() + 1;
        if (nameStart >= line.size())
            return false;
        QString name = line.mid(nameStart);
        const QChar type = line.at(0);
        entry->isLink = type == QLatin1Char('l');
        if (entry->isLink) {
            const qsizetype arrow = name.indexOf(QLatin1String(" -> "));
            if (arrow >= 0)
                name.truncate(arrow);
        }
        if (isSelfOrParent(name))
            return false;
        entry->name = name;
        entry->isDirectory = type == QLatin1Char('d');
        entry->size = entry->isDirectory ? 0 : size;
        entry->modified = time;
        entry->readOnly = line.at(2) != QLatin1Char('w');
        entry->hidden = name.startsWith(QLatin1Char('.'));
        return true;
    }
    return false;
}

bool CFtpListing::ParseDosLine(const QString &line, CFtpEntry *entry)
{
    // "03-05-02  03:07PM       <DIR>          name" or "...   1234 name".
    static const QRegularExpression dos(QStringLiteral(
        "^(\\d{2})-(\\d{2})-(\\d{2}|\\d{4})\\s+(\\d{1,2}):(\\d{2})\\s*([AaPp][Mm])?\\s+(<DIR>|\\d+)\\s+(.+)$"));
    const QRegularExpressionMatch match = dos.match(line);
    if (!match.hasMatch())
        return false;
    int year = match.captured(3).toInt();
    if (match.captured(3).size() == 2)
        year += year < 70 ? 2000 : 1900;
    int hour = match.captured(4).toInt();
    const QString half = match.captured(6).toUpper();
    if (half == QLatin1String("PM") && hour < 12)
        hour += 12;
    else if (half == QLatin1String("AM") && hour == 12)
        hour = 0;
    const QString name = match.captured(8);
    if (isSelfOrParent(name))
        return false;
    entry->name = name;
    entry->isDirectory = match.captured(7) == QLatin1String("<DIR>");
    entry->size = entry->isDirectory ? 0 : match.captured(7).toLongLong();
    entry->modified = QDateTime(QDate(year, match.captured(1).toInt(), match.captured(2).toInt()),
                                QTime(hour, match.captured(5).toInt()));
    entry->hidden = name.startsWith(QLatin1Char('.'));
    return true;
}
