#pragma once
// The three tables of the working database.

namespace sonavistor {

enum TableId : int {
    TableMeaData = 0,     // readings of the real-time window
    TableGetRecorde = 1,  // readings imported from the meter
    TableLoadData = 2,    // readings of the saved files in the data view
};

}  // namespace sonavistor
