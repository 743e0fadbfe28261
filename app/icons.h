#pragma once
// The program's pictures, drawn rather than shipped: tool-bar pictures
// (32 x 32, indexes of the tool-bar image list) and the two status icons.

#include <QIcon>
#include <QPixmap>

namespace sonavistor {

// Tool-bar picture by image-list index (0 measure, 1 import, 2 open,
// 4 export, 5 print, 6 options, 8 about, 9 exit).
QIcon toolBarIcon(int index);

// Status icons: 1 is drawn always, 0 only while the meter is connected.
QPixmap statusIcon(int index);

// The program's window icon.
QIcon programIcon();

}  // namespace sonavistor
