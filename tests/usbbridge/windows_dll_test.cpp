// The export directory of the 32-bit Windows Quillport.dll, read with the
// cross toolchain's objdump: 25 functions under a plain and a decorated
// standard-call name each, both at one address, and libusb0.dll its only
// import, by the 25 usb_ names.
#include <gtest/gtest.h>

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStringList>

#include <map>

namespace {

const std::map<QString, int> kArgumentBytes = {
    {"libusb_open", 4}, {"libusb_close", 4}, {"libusb_get_string", 20},
    {"libusb_get_string_simple", 16}, {"libusb_get_descriptor_by_endpoint", 24},
    {"libusb_get_descriptor", 20}, {"libusb_bulk_write", 20}, {"libusb_bulk_read", 20},
    {"libusb_interrupt_write", 20}, {"libusb_interrupt_read", 20}, {"libusb_control_msg", 32},
    {"libusb_set_configuration", 8}, {"libusb_claim_interface", 8},
    {"libusb_release_interface", 8}, {"libusb_set_altinterface", 8}, {"libusb_resetep", 8},
    {"libusb_clear_halt", 8}, {"libusb_reset", 4}, {"libusb_strerror", 0}, {"libusb_init", 0},
    {"libusb_set_debug", 4}, {"libusb_find_busses", 0}, {"libusb_find_devices", 0},
    {"libusb_device", 4}, {"libusb_get_busses", 0}};

struct PeDump {
    QString dllName;
    std::map<int, QString> addressOfIndex;  // export address table index -> RVA
    std::map<QString, int> indexOfName;     // exported name -> address table index
    QString importedDll;
    QStringList importedNames;
    int importedDllCount = 0;
};

PeDump readDump(const QString& text)
{
    PeDump dump;
    enum { None, Addresses, Names, Imports } section = None;
    const QRegularExpression address(R"(^\s*\[\s*(\d+)\]\s+\+base\[\s*\d+\]\s+([0-9a-f]+)\s+Export RVA)");
    const QRegularExpression name(R"(^\s*\[\s*(\d+)\]\s+(\S+)\s*$)");
    const QRegularExpression import(R"(^\s*[0-9a-f]+\s+\d+\s+(\S+)\s*$)");
    for (const QString& line : text.split('\n')) {
        if (line.startsWith("Name ") && line.contains("Quillport", Qt::CaseInsensitive))
            dump.dllName = line.section(' ', -1).trimmed();
        if (line.contains("Export Address Table --")) { section = Addresses; continue; }
        if (line.contains("[Ordinal/Name Pointer] Table")) { section = Names; continue; }
        if (line.contains("DLL Name:")) {
            section = Imports;
            dump.importedDll = line.section(':', 1).trimmed();
            ++dump.importedDllCount;
            continue;
        }
        if (line.trimmed().isEmpty() && section != Imports) { section = None; continue; }
        QRegularExpressionMatch m;
        if (section == Addresses && (m = address.match(line)).hasMatch())
            dump.addressOfIndex[m.captured(1).toInt()] = m.captured(2);
        else if (section == Names && (m = name.match(line)).hasMatch())
            dump.indexOfName[m.captured(2)] = m.captured(1).toInt();
        else if (section == Imports && (m = import.match(line)).hasMatch())
            dump.importedNames << m.captured(1);
        else if (section == Imports && line.trimmed().isEmpty() && !dump.importedNames.isEmpty())
            section = None;
    }
    return dump;
}

}  // namespace

TEST(QuillportWindowsDll, ExportsEveryFunctionTwiceAndImportsOnlyLibusb0)
{
    if (QString(OBJDUMP_PATH).isEmpty() || !QFile::exists(QUILLPORT_DLL_PATH))
        GTEST_SKIP() << "the mingw-w64 cross compiler is not installed, so Quillport.dll was not "
                        "built (scripts/install-deps installs it)";
    QProcess objdump;
    objdump.start(OBJDUMP_PATH, {"-p", QUILLPORT_DLL_PATH});
    ASSERT_TRUE(objdump.waitForFinished(30000));
    const PeDump dump = readDump(QString::fromLocal8Bit(objdump.readAllStandardOutput()));

    EXPECT_EQ(dump.dllName, "Quillport.DLL");
    EXPECT_EQ(dump.indexOfName.size(), 50u);
    for (const auto& [plain, bytes] : kArgumentBytes) {
        const QString decorated = QStringLiteral("_%1@%2").arg(plain).arg(bytes);
        ASSERT_TRUE(dump.indexOfName.count(plain)) << plain.toStdString();
        ASSERT_TRUE(dump.indexOfName.count(decorated)) << decorated.toStdString();
        EXPECT_EQ(dump.addressOfIndex.at(dump.indexOfName.at(plain)),
                  dump.addressOfIndex.at(dump.indexOfName.at(decorated)))
            << plain.toStdString() << " and its decorated twin point at different code";
    }

    EXPECT_EQ(dump.importedDllCount, 1);
    EXPECT_EQ(dump.importedDll, "libusb0.dll");
    QStringList expected;
    for (const auto& [plain, bytes] : kArgumentBytes)
        expected << QString(plain).replace("libusb_", "usb_");
    QStringList imported = dump.importedNames;
    expected.sort();
    imported.sort();
    EXPECT_EQ(imported, expected);
}
