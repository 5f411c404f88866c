// Directory listings from a server: any bytes give entries with names that stay in the folder.
#include "fuzzsupport.h"
#include "ftp/ftplisting.h"

#include <QDateTime>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const QDateTime now(QDate(2024, 6, 1), QTime(12, 0), Qt::UTC);
    for (const QList<CFtpEntry> &entries : {CFtpListing::ParseMlsd(bytes, QStringLiteral("/dir")),
                                            CFtpListing::ParseList(bytes, QStringLiteral("/dir"), now)}) {
        for (const CFtpEntry &entry : entries) {
            FuzzSupport::require(!entry.name.isEmpty(), "an entry has a name");
            FuzzSupport::require(entry.name != QLatin1String(".") && entry.name != QLatin1String(".."),
                                 "the folder itself and its parent are no entries");
            FuzzSupport::require(entry.directory == QLatin1String("/dir"), "an entry stays in its folder");
            FuzzSupport::require(entry.size >= -1, "a size is known or -1");
        }
    }
    return 0;
}
