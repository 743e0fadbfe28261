#include "help/help_contents.h"

#include <QRegularExpression>

namespace sonavistor {

namespace {

QString decodeEntities(QString text)
{
    text.replace(QLatin1String("&lt;"), QLatin1String("<"))
        .replace(QLatin1String("&gt;"), QLatin1String(">"))
        .replace(QLatin1String("&quot;"), QLatin1String("\""))
        .replace(QLatin1String("&#39;"), QLatin1String("'"))
        .replace(QLatin1String("&amp;"), QLatin1String("&"));
    return text;
}

QString attribute(const QString& attributes, const QString& name)
{
    static const QRegularExpression pattern(
        QStringLiteral(R"re((\w+)\s*=\s*(?:"([^"]*)"|'([^']*)'|([^\s>]+)))re"));
    for (auto it = pattern.globalMatch(attributes); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        if (m.captured(1).compare(name, Qt::CaseInsensitive) == 0) {
            for (int group = 2; group <= 4; ++group) {
                if (m.capturedStart(group) >= 0)
                    return decodeEntities(m.captured(group));
            }
        }
    }
    return QString();
}

}  // namespace

std::vector<ContentsEntry> parseContents(const QString& sitemap)
{
    static const QRegularExpression tag(QStringLiteral(R"(<\s*(/?)\s*(\w+)([^>]*)>)"));
    std::vector<ContentsEntry> top;
    // The lists open at this point; entries go into the innermost one. A
    // list opened inside a list holds the children of the entry before it.
    // (A child list is only on the stack while nothing is added to its
    // parent, so the pointers stay valid.)
    std::vector<std::vector<ContentsEntry>*> open;
    ContentsEntry entry;
    bool inObject = false;

    for (auto it = tag.globalMatch(sitemap); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        const bool closing = !m.captured(1).isEmpty();
        const QString name = m.captured(2).toLower();
        const QString attributes = m.captured(3);
        std::vector<ContentsEntry>* current = open.empty() ? &top : open.back();
        if (name == QLatin1String("ul")) {
            if (closing) {
                if (!open.empty())
                    open.pop_back();
            } else if (open.empty()) {
                open.push_back(&top);
            } else {
                open.push_back(current->empty() ? current : &current->back().children);
            }
        } else if (name == QLatin1String("object")) {
            if (!closing && attribute(attributes, QStringLiteral("type")).compare(
                                QLatin1String("text/sitemap"), Qt::CaseInsensitive) == 0) {
                inObject = true;
                entry = ContentsEntry();
            } else if (closing && inObject) {
                inObject = false;
                if (!entry.name.isEmpty() || !entry.local.isEmpty())
                    current->push_back(std::move(entry));
                entry = ContentsEntry();
            }
        } else if (name == QLatin1String("param") && inObject) {
            const QString key = attribute(attributes, QStringLiteral("name"));
            if (key.compare(QLatin1String("Name"), Qt::CaseInsensitive) == 0)
                entry.name = attribute(attributes, QStringLiteral("value"));
            else if (key.compare(QLatin1String("Local"), Qt::CaseInsensitive) == 0)
                entry.local = attribute(attributes, QStringLiteral("value"));
        }
    }
    return top;
}

}  // namespace sonavistor
