// TForm1's working-database seam: start-up opens the database and empties
// its three tables; the menu refresh asks whether a table has rows.
#include "app/main_window.h"

namespace sonavistor {

void TForm1::openWorkingDatabase()
{
    // The working database arrives with the store; until then there is none.
}

bool TForm1::tableHasRows(TableId) const
{
    return false;
}

}  // namespace sonavistor
