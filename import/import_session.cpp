#include "import/import_session.h"

namespace sonavistor {

const ImportAttempt& ImportSession::attempt(MeterConnection& meter, const DayRange& range, Progress* progress)
{
    last_ = runImportAttempt(meter, range, progress, keep_ == Keep::Rows);
    if (last_.outcome != ImportAttempt::Outcome::Imported)
        ++failed_;
    return last_;
}

bool ImportSession::retryDue() const
{
    return last_.outcome == ImportAttempt::Outcome::BadRecord && failed_ < attempts_;
}

const ImportAttempt& ImportSession::run(MeterConnection& meter, const DayRange& range, Progress* progress)
{
    do
        attempt(meter, range, progress);
    while (retryDue());
    return last_;
}

}  // namespace sonavistor
