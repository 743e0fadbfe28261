// A day of readings (43,200 rows) leaving the program: Export to Excel as the
// command runs it, the data sheet to PDF (time and the process's peak
// memory), and the preview up to its first page on screen. And ten days
// (432,000 rows) in the data view exported: the resident memory it adds
// (the sheet stops at its 65,536 rows; the rows are read a page at a time).
#include "bench/support/bench_support.h"
#include "common/child_window.h"
#include "common/file_dialogs.h"
#include "common/message_service.h"
#include "print/report_project.h"
#include "export/export_command.h"
#include "print/report_preview.h"
#include "store/scratch_database.h"

#include <QCoreApplication>
#include <QFile>

#include <algorithm>
#include <atomic>
#include <thread>

#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <sys/resource.h>

using namespace sonavistor;

namespace {

constexpr int kDay = 43200;

class Always : public FileDialogService {
public:
    QString path;
    QString getSaveFileName(QWidget*, const QString&, const QString&) override { return path; }
    QString getOpenFileName(QWidget*, const QString&) override { return path; }
};

class DataView : public ChildWindow {
public:
    std::optional<TableId> dataTable() const override { return TableLoadData; }
};

void fillLoadData(ScratchDatabase& scratch, int rows)
{
    const QByteArray sql =
        QStringLiteral("with recursive c(n) as (select 1 union all select n + 1 from c where n < %1) "
                       "insert into LoadData (NDate, NTime, MeaValue, Weight, RecNo) "
                       "select '2024/5/17', (n * 2 / 3600 % 24) || ':' || (n * 2 / 60 % 60) || ':' || (n * 2 % 60), "
                       "(40 + n % 50) || '.' || (n % 10), 'A', n from c")
            .arg(rows)
            .toUtf8();
    sqlite3_exec(scratch.db().handle(), sql.constData(), nullptr, nullptr, nullptr);
}

// A working database whose LoadData holds a day of readings.
ScratchDatabase& day()
{
    static ScratchDatabase scratch;
    static bool filled = false;
    if (!filled) {
        fillLoadData(scratch, kDay);
        filled = true;
    }
    return scratch;
}

ReportDocument dataSheet(const ScratchDatabase& scratch)
{
    TReportProject project;
    project.setProjectFile(QStringLiteral(SONAVISTOR_SOURCE_DIR "/resources/quorvane_en.rav"));
    project.Open();
    ReportDataConnection connection(const_cast<ScratchDatabase&>(scratch).db());
    connection.bind(TableLoadData);
    return project.runDefaultReport(connection, QStringLiteral("Acme Acoustics"), QDateTime::currentDateTime());
}

double peakMegabytes()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024.0;
}

void BM_ExportToExcel(benchmark::State& state)
{
    ScratchDatabase& scratch = day();
    bench_support::QuietMessages messages;
    Always files;
    files.path = scratch.folder() + QStringLiteral("/day.xls");
    DataView window;
    for (auto _ : state)
        exportActiveWindow(nullptr, &window, scratch.db(), messages, files);
    state.counters["rows"] = kDay;
    state.counters["bytes"] = static_cast<double>(QFile(files.path).size());
}

// The resident memory an export adds at its highest, sampled every
// millisecond while it runs.
void BM_ExportTenDaysAddsResident(benchmark::State& state)
{
    static ScratchDatabase scratch;
    if (scratch.db().rowCount(TableLoadData) == 0)
        fillLoadData(scratch, 10 * kDay);
    bench_support::QuietMessages messages;
    Always files;
    files.path = scratch.folder() + QStringLiteral("/ten_days.xls");
    DataView window;
    long added = 0;
    for (auto _ : state) {
        QFile::remove(files.path);
        const long before = bench_support::residentKiB();
        std::atomic<bool> done{false};
        std::atomic<long> highest{before};
        std::thread sampler([&] {
            while (!done) {
                highest = std::max(highest.load(), bench_support::residentKiB());
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
        });
        exportActiveWindow(nullptr, &window, scratch.db(), messages, files);
        done = true;
        sampler.join();
        added = std::max(added, highest.load() - before);
    }
    state.counters["rows_in_view"] = 10 * kDay;
    state.counters["added_resident_MB"] = added / 1024.0;
}

void BM_DataSheetToPdf(benchmark::State& state)
{
    ScratchDatabase& scratch = day();
    const QString path = scratch.folder() + QStringLiteral("/day.pdf");
    int pages = 0;
    for (auto _ : state) {
        const ReportDocument document = dataSheet(scratch);
        pages = writeReportPdf(path, document).pagesDone;
    }
    state.counters["pages"] = pages;
    state.counters["pdf_MB"] = QFile(path).size() / 1048576.0;
    state.counters["peak_MB"] = peakMegabytes();
}

void BM_PreviewFirstPage(benchmark::State& state)
{
    ScratchDatabase& scratch = day();
    for (auto _ : state) {
        const ReportDocument document = dataSheet(scratch);
        ReportPreview preview(document, {});
        preview.show();
        while (preview.pageView()->pagesDrawn() == 0)
            QCoreApplication::processEvents();
    }
}

BENCHMARK(BM_ExportTenDaysAddsResident)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_ExportToExcel)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DataSheetToPdf)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(BM_PreviewFirstPage)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv)
{
    return bench_support::runWindowBenchmarks(argc, argv);
}
