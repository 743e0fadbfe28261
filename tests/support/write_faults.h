#pragma once
// Failing disks for the program's file writers: every operation of the
// whole-file writer fails in turn, and each time the folder must be left as
// it was and the failure said with its reason.

#include <QByteArray>
#include <QMap>
#include <QString>

#include <functional>

namespace sonavistor::test {

// Every file under a folder (hidden ones too), by relative path, with its bytes.
QMap<QString, QByteArray> folderFiles(const QString& folder);

// What a writer said of its failure: an Error's message, or the text it
// returns (empty: no failure reported).
QString errorOf(const std::function<void()>& write);

// Runs `write` once as it is (it must succeed), then with each open, write,
// sync, close and rename of the writer failing in turn (every k of a few,
// a spread sample of many), each from the folder as it was at the start.
// `write` returns the failure it reported (empty: none). Each faulty run
// must report a failure naming the system's reason, and leave the folder's
// files byte-identical: no new bytes in a target, no temporary left.
// Returns the number of faulty runs.
int expectEveryFaultLeavesTheFolder(const QString& folder, const std::function<QString()>& write);

}  // namespace sonavistor::test
