#include "help/help_topic.h"

#include <QRegularExpression>

namespace sonavistor {

namespace {

QString singleSlashes(QString path)
{
    path.replace(QLatin1Char('\\'), QLatin1Char('/'));
    static const QRegularExpression runs(QStringLiteral("/{2,}"));
    path.replace(runs, QStringLiteral("/"));
    return path;
}

}  // namespace

HelpRequest parseHelpRequest(const QString& text)
{
    const qsizetype split = text.indexOf(QLatin1String("::"));
    if (split < 0)
        return {normalisedFilePath(text.trimmed()), QString()};
    return {normalisedFilePath(text.left(split).trimmed()), normalisedTopic(text.mid(split + 2).trimmed())};
}

QString normalisedFilePath(const QString& path)
{
    return singleSlashes(path);
}

QString normalisedTopic(const QString& topic)
{
    if (topic.isEmpty())
        return topic;
    QString path = singleSlashes(topic);
    if (!path.startsWith(QLatin1Char('/')))
        path.prepend(QLatin1Char('/'));
    return path;
}

QString resolveTopic(const QString& topic, const std::function<bool(const QString&)>& exists)
{
    const QString normal = normalisedTopic(topic);
    const qsizetype hash = normal.indexOf(QLatin1Char('#'));
    const QString page = hash < 0 ? normal : normal.left(hash);
    const QString fragment = hash < 0 ? QString() : normal.mid(hash);
    if (page.isEmpty())
        return QString();
    if (exists(page))
        return page + fragment;
    const qsizetype dot = page.lastIndexOf(QLatin1Char('.'));
    const QString stem = dot > page.lastIndexOf(QLatin1Char('/')) ? page.left(dot) : page;
    for (const char* extension : {".html", ".htm"}) {
        const QString candidate = stem + QLatin1String(extension);
        if (candidate != page && exists(candidate))
            return candidate + fragment;
    }
    return QString();
}

}  // namespace sonavistor
