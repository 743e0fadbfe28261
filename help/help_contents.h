#pragma once
// The table of contents of a help file: the sitemap (.hhc) its compiler
// stores, a nested list of entries with a name and the page they open.

#include <QString>

#include <vector>

namespace sonavistor {

struct ContentsEntry {
    QString name;
    QString local;  // the page, as written in the sitemap ("readme/welcome.html"); empty for a heading
    std::vector<ContentsEntry> children;
};

// Reads the sitemap's <UL>/<LI>/<OBJECT type="text/sitemap"> structure with
// its "Name" and "Local" parameters. Tolerant of missing end tags; text that
// is no sitemap gives no entries.
std::vector<ContentsEntry> parseContents(const QString& sitemap);

}  // namespace sonavistor
