// One full day of readings (720 records, 43,200 rows) through the data core.
#include "analysis/saved_file.h"
#include "common/message_service.h"
#include "export/grid_to_excel.h"
#include "export/reading_rows_dataset.h"
#include "import/record_decoder.h"
#include "store/measurement_db.h"
#include "store/staging_file.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <vector>

using namespace sonavistor;

namespace {

constexpr int kRecords = 720;
constexpr int kRows = kRecords * kSamplesPerRecord;  // 43,200

std::vector<int> dayOfRecords()
{
    std::vector<int> memory(static_cast<size_t>(kRecords) * kRecordSize);
    for (int n = 0; n < kRecords; ++n) {
        int* r = memory.data() + n * kRecordSize;
        const int minutes = n * 2;  // 120 s per record
        r[2] = 0x24;
        r[3] = 0x05;
        r[4] = 0x17;
        r[5] = ((minutes / 60) / 10) << 4 | ((minutes / 60) % 10);
        r[6] = ((minutes % 60) / 10) << 4 | ((minutes % 60) % 10);
        r[7] = 0;
        for (int k = 0; k < kSamplesPerRecord; ++k) {
            const int raw = 550 + (n * 7 + k * 13) % 400;
            r[8 + 2 * k] = raw & 0xFF;
            r[9 + 2 * k] = raw >> 8;
        }
    }
    return memory;
}

std::vector<ReadingRow> dayOfRows()
{
    const std::vector<int> memory = dayOfRecords();
    std::vector<ReadingRow> rows;
    rows.reserve(kRows);
    for (int n = 0; n < kRecords; ++n) {
        const auto record = DecodeRecord(memory.data() + n * kRecordSize);
        for (const DecodedSample& s : *record) {
            rows.push_back(s.row);
            rows.back().RecNo = static_cast<qint32>(rows.size() - 1);
        }
    }
    return rows;
}

class NoMessages : public MessageService {
public:
    MessageButton show(const MessageRequest&) override { return Yes; }
};

struct Workspace {
    QTemporaryDir dir;
    MeasurementDatabase db;
    Workspace()
    {
        MeasurementDatabase::createFromSchema(dir.filePath("Quorvane.db"));
        db.ConnectAccess(dir.path());
    }
};

void BM_DecodeDay(benchmark::State& state)
{
    const std::vector<int> memory = dayOfRecords();
    for (auto _ : state) {
        int rows = 0;
        for (int n = 0; n < kRecords; ++n) {
            const auto record = DecodeRecord(memory.data() + n * kRecordSize);
            rows += static_cast<int>(record->size());
            benchmark::DoNotOptimize(record);
        }
        benchmark::DoNotOptimize(rows);
    }
    state.counters["rows"] = kRows;
}
BENCHMARK(BM_DecodeDay)->Unit(benchmark::kMillisecond);

void BM_StageAndBulkLoadDay(benchmark::State& state)
{
    Workspace ws;
    const std::vector<ReadingRow> rows = dayOfRows();
    for (auto _ : state) {
        state.PauseTiming();
        ws.db.ClearTable(TableGetRecorde);
        state.ResumeTiming();
        StagingFile staging(ws.dir.path());
        staging.open();
        for (const ReadingRow& row : rows)
            staging.writeImportRow(row);
        staging.close();
        ws.db.PostDateTimeRecnoWeight(staging.path());
    }
    state.counters["rows"] = static_cast<double>(ws.db.rowCount(TableGetRecorde));
}
BENCHMARK(BM_StageAndBulkLoadDay)->Unit(benchmark::kMillisecond);

// The naive way, for comparison: one INSERT per row, each its own transaction.
void BM_NaiveInsertDay(benchmark::State& state)
{
    Workspace ws;
    const std::vector<ReadingRow> rows = dayOfRows();
    for (auto _ : state) {
        state.PauseTiming();
        ws.db.ClearTable(TableGetRecorde);
        state.ResumeTiming();
        for (const ReadingRow& row : rows) {
            const QByteArray sql = QStringLiteral("insert into GetRecorde values ('%1', '%2', '%3', '%4', %5)")
                                       .arg(row.NDate, row.NTime, row.MeaValue, row.Weight)
                                       .arg(row.RecNo)
                                       .toUtf8();
            sqlite3_exec(ws.db.handle(), sql.constData(), nullptr, nullptr, nullptr);
        }
    }
    state.counters["rows"] = static_cast<double>(ws.db.rowCount(TableGetRecorde));
}
BENCHMARK(BM_NaiveInsertDay)->Unit(benchmark::kMillisecond)->Iterations(2);

void BM_WriteSavedFileDay(benchmark::State& state)
{
    QTemporaryDir dir;
    const std::vector<ReadingRow> rows = dayOfRows();
    for (auto _ : state)
        writeSavedFile(dir.filePath("day.qrv"), rows);
}
BENCHMARK(BM_WriteSavedFileDay)->Unit(benchmark::kMillisecond);

void BM_ReadSavedFileDay(benchmark::State& state)
{
    QTemporaryDir dir;
    writeSavedFile(dir.filePath("day.qrv"), dayOfRows());
    for (auto _ : state) {
        SavedFileReader reader(dir.filePath("day.qrv"));
        SavedReading reading;
        int n = 0;
        while (reader.next(reading))
            ++n;
        benchmark::DoNotOptimize(n);
    }
}
BENCHMARK(BM_ReadSavedFileDay)->Unit(benchmark::kMillisecond);

void BM_ExportDay(benchmark::State& state)
{
    Workspace ws;
    NoMessages messages;
    const std::vector<ReadingRow> rows = dayOfRows();
    const auto columns = ws.db.columns(TableLoadData);
    for (auto _ : state) {
        state.PauseTiming();
        ReadingRowsDataset dataset(rows, columns);
        ReadingRowsGrid grid(dataset);
        QFile::remove(ws.dir.filePath("day.xls"));
        state.ResumeTiming();
        TGridToExcel exporter(messages);
        exporter.DataGrid = &grid;
        exporter.ShowProgress = false;
        exporter.FileName = ws.dir.filePath("day.xls");
        benchmark::DoNotOptimize(exporter.ExportSheet());
    }
}
BENCHMARK(BM_ExportDay)->Unit(benchmark::kMillisecond);

void BM_AppendLiveRowAfterFullDay(benchmark::State& state)
{
    Workspace ws;
    std::vector<ReadingRow> rows = dayOfRows();
    for (ReadingRow& row : rows) {
        ++row.RecNo;
        ws.db.appendRow(TableMeaData, row);
    }
    qint32 recNo = kRows;
    ReadingRow row = rows.front();
    for (auto _ : state) {
        row.RecNo = ++recNo;
        ws.db.appendRow(TableMeaData, row);
    }
    state.counters["rows_before"] = kRows;
}
BENCHMARK(BM_AppendLiveRowAfterFullDay)->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
