#pragma once
// What the program asks the viewer to show: "file::topic", as in
// "/opt/sonavistor/\quorvane.chm::/readme\welcome.doc", with separators of
// either kind, doubled or not.

#include <QString>

#include <functional>

namespace sonavistor {

struct HelpRequest {
    QString file;   // the help file, with '/' separators
    QString topic;  // the page inside it ("/readme/welcome.doc", fragment kept); empty: its default page
};

HelpRequest parseHelpRequest(const QString& text);

// Backslashes become '/', runs of separators one, and a topic starts with '/'.
QString normalisedFilePath(const QString& path);
QString normalisedTopic(const QString& topic);

// The page that shows a topic: the topic itself when the file holds it,
// else the page written for the document it names (readme/welcome.doc is
// shown by readme/welcome.html or .htm). Empty when there is none. A
// "#fragment" is kept. exists answers for a page path.
QString resolveTopic(const QString& topic, const std::function<bool(const QString&)>& exists);

}  // namespace sonavistor
