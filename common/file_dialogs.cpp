#include "common/file_dialogs.h"

#include <QStringList>

namespace sonavistor {

QString toQtFilter(const QString& filter)
{
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList entries;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2)
        entries << QStringLiteral("%1 (%2)").arg(parts[i], parts[i + 1]);
    return entries.join(QStringLiteral(";;"));
}

}  // namespace sonavistor
