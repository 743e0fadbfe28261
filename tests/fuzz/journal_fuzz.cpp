// The logger's journal reader against any bytes: it never fails on them,
// and what it takes from them is exactly what a writer would have written
// (a damaged line is left out, never read as something else). The readings
// it gives then go through the acoustic figures, intervals included.
#include "analysis/acoustic_figures.h"
#include "analysis/saved_file.h"
#include "logging/log_journal.h"
#include "tests/fuzz/fuzz_support.h"

#include <cstdlib>

using namespace sonavistor;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzz::ensureApplication();
    const QByteArray input = fuzz::bytes(data, size);
    const JournalContents contents = readJournal(fuzz::writeInput(QStringLiteral("input.journal"), data, size));
    std::vector<AcousticSample> samples;
    for (const JournalEntry& e : contents.entries) {
        const QByteArray written = e.kind == JournalEntry::Kind::Base ? journalBaseEntry(e.day, e.base)
                                                                      : journalReadingEntry(e.day, e.line);
        if (!input.contains(written))
            std::abort();  // an entry no writer wrote
        if (e.kind == JournalEntry::Kind::Base)
            continue;
        const SavedReading reading = parseSavedReading(e.line);
        const QByteArrayView line(reading.line);
        samples.push_back({reading.level, reading.weighting,
                           rowSeconds(line.first(10), line.sliced(11, 8)).value_or(kUntimed)});
    }
    computeAcousticFigures(samples, {3600.0, 900});
    return 0;
}
