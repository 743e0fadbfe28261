#pragma once
// One import of a day (or of a run of records): its attempts, its retries
// and its outcome. A bad or short transfer is tried again, up to
// kImportAttempts in all; a failed request ends the session at once. The
// import window waits a moment between attempts, the command line does not.

#include "import/day_import.h"

namespace sonavistor {

class ImportSession {
public:
    // What an attempt keeps of the records that came.
    enum class Keep {
        Rows,   // decoded: a record that fails its check fails the attempt
        Bytes,  // as the meter sent them, unchecked (a dump of its memory)
    };

    explicit ImportSession(Keep keep = Keep::Rows, int attempts = kImportAttempts) : keep_(keep), attempts_(attempts) {}

    // One attempt at the range's records. A failed one counts.
    const ImportAttempt& attempt(MeterConnection& meter, const DayRange& range, Progress* progress = nullptr);
    // The last attempt failed in a way worth trying again, and attempts are left.
    bool retryDue() const;
    // Attempts until one ends the session; the last one's outcome.
    const ImportAttempt& run(MeterConnection& meter, const DayRange& range, Progress* progress = nullptr);

    const ImportAttempt& last() const { return last_; }
    int failedAttempts() const { return failed_; }
    int attempts() const { return attempts_; }
    // A new session: no attempt failed yet.
    void reset() { failed_ = 0; }

private:
    Keep keep_;
    int attempts_;
    int failed_ = 0;
    ImportAttempt last_;
};

}  // namespace sonavistor
