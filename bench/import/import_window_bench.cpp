// A logged day of 720 records (43,200 rows) from a simulated meter at zero
// delay: the import window from its date panel's Import to the Imported
// state, the command-line tool's import of the same day (its workflow in
// this process, and the whole sonavistor-cli run), and the window's Save.
#include "analysis/saved_file.h"
#include "app/child_windows.h"
#include "app/main_window.h"
#include "bench/support/bench_support.h"
#include "common/file_dialogs.h"
#include "common/message_service.h"
#include "common/shell_state.h"
#include "import/day_import.h"
#include "import/day_list.h"
#include "import/import_session.h"
#include "import_window/import_window.h"
#include "meter/fake_hid_platform.h"
#include "meter/meter_connection.h"
#include "sim/memory_generator.h"
#include "sim/simulated_device.h"
#include "store/measurement_db.h"
#include "store/scratch_database.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QListWidget>
#include <QProcess>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

using namespace sonavistor;

namespace {

class FixedSavePath : public FileDialogService {
public:
    QString path;
    QString getSaveFileName(QWidget*, const QString&, const QString&) override { return path; }
    QString getOpenFileName(QWidget*, const QString&) override { return QString(); }
};

QByteArray fullDay()
{
    return generateMemory({{QDateTime::fromString("2024-05-17T00:00:00", Qt::ISODate), 720, 650, 150}});
}

// The program with the simulated meter plugged in and the import window
// open on its list of days.
struct Program {
    QTemporaryDir folder, locks;
    bench_support::QuietMessages messages;
    FixedSavePath dialogs;
    FakeHidPlatform hid;
    std::unique_ptr<MainWindow> form;
    ImportWindow* window = nullptr;

    Program()
    {
        MeasurementDatabase::createFromSchema(folder.filePath("Quorvane.db"));
        QFile::copy(QStringLiteral(SONAVISTOR_SOURCE_DIR "/resources/quorvane_en.rav"),
                    folder.filePath("quorvane_en.rav"));
        dialogs.path = folder.filePath("day.qrv");
        form = std::make_unique<MainWindow>(
            AppEnvironment{folder.path(), "sonavistor-bench", locks.path(), &messages, &dialogs, &hid});
        installStandardWindows(*form);
        form->show();
        MeterScenario scenario;
        scenario.memory = fullDay();
        plugSimulatedMeter(hid, scenario);
        while (!form->meterConnected())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        form->importData();
        window = qobject_cast<ImportWindow*>(ShellState.ImportWindowHandle.data());
        window->openDayList();
        window->findChild<QListWidget*>("ListBox1")->setCurrentRow(0);
    }
    ~Program()
    {
        form->close();
    }
};

void BM_WindowImportsDay(benchmark::State& state)
{
    Program program;
    for (auto _ : state) {
        program.window->importChosenDay();
        if (program.form->database().rowCount(TableGetRecorde) != 43200)
            state.SkipWithError("the day did not import");
    }
}

// What sonavistor-cli import does once it has the list of days: the
// attempts, the rows through a scratch GetRecorde, the saved file.
void BM_CommandLineWorkflowImportsDay(benchmark::State& state)
{
    Program program;
    QTemporaryDir out;
    const DayListOutcome list = readDayList(program.form->meter());
    const DayRange range = list.days.range(0);
    for (auto _ : state) {
        const ImportAttempt attempt = ImportSession().run(program.form->meter(), range);
        ScratchDatabase scratch;
        loadImportedRows(scratch.db(), scratch.folder(), attempt.rows);
        writeSavedFile(out.filePath("cli.qrv"), scratch.db().rows(TableGetRecorde));
        if (attempt.rows.size() != 43200)
            state.SkipWithError("the day did not import");
    }
}

// The whole command: process start, the list of days, the import, the file.
void BM_CommandLineToolImportsDay(benchmark::State& state)
{
    QTemporaryDir dir;
    QFile bin(dir.filePath("memory.bin"));
    bin.open(QIODevice::WriteOnly);
    bin.write(fullDay());
    bin.close();
    QFile json(dir.filePath("meter.json"));
    json.open(QIODevice::WriteOnly);
    json.write("{\"memory\": \"memory.bin\"}");
    json.close();
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_RUNTIME_DIR", dir.path());
    for (auto _ : state) {
        QProcess cli;
        cli.setProcessEnvironment(env);
        cli.start(CLI_PATH, {"import", "1", "-o", dir.filePath("day.qrv"), "--force", "--meter", "sim:" + json.fileName()});
        if (!cli.waitForFinished(60000) || cli.exitCode() != 0)
            state.SkipWithError("sonavistor-cli import failed");
    }
}

void BM_WindowSavesDay(benchmark::State& state)
{
    Program program;
    program.window->importChosenDay();
    for (auto _ : state)
        program.window->saveDay();
}

BENCHMARK(BM_WindowImportsDay)->Unit(benchmark::kMillisecond)->Iterations(10);
BENCHMARK(BM_CommandLineWorkflowImportsDay)->Unit(benchmark::kMillisecond)->Iterations(10);
BENCHMARK(BM_CommandLineToolImportsDay)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_WindowSavesDay)->Unit(benchmark::kMillisecond)->Iterations(20);

}  // namespace

int main(int argc, char** argv)
{
    return bench_support::runWindowBenchmarks(argc, argv);
}
