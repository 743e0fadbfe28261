#include "help/chm_archive.h"

#include <QFile>
#include <QFileInfo>

#include <chm_lib.h>

namespace sonavistor {

namespace {

// No page or picture of a help file comes near this; a larger length is a
// damaged directory entry, not something to allocate.
constexpr qint64 kLargestObject = 64 * 1024 * 1024;
// The file header: a signature, its version, and where the directory and
// the content begin.
constexpr qint64 kHeaderSize = 0x60;

quint64 little64(const QByteArray& bytes, qsizetype at)
{
    quint64 value = 0;
    for (int i = 7; i >= 0; --i)
        value = value << 8 | static_cast<quint8>(bytes[at + i]);
    return value;
}

// A file cut off before the end of its directory or the start of its content
// is damaged; one cut off later shows as damaged pages.
bool headerFits(const QByteArray& header, qint64 fileSize)
{
    if (header.size() < kHeaderSize || !header.startsWith("ITSF"))
        return false;
    const quint64 size = static_cast<quint64>(fileSize);
    const quint64 directoryOffset = little64(header, 72);
    const quint64 directoryLength = little64(header, 80);
    // Only the third version of the header says where the content begins.
    const bool third = static_cast<quint8>(header[4]) >= 3;
    const quint64 contentOffset = third ? little64(header, 88) : 0;
    return directoryOffset <= size && directoryLength <= size - directoryOffset && contentOffset <= size;
}

QString problemText(const QString& path, const char* what)
{
    return QStringLiteral("The help file %1 %2").arg(path, QString::fromLatin1(what));
}

// #SYSTEM entries are little-endian 16-bit code and length, then the data.
quint16 word(const QByteArray& bytes, qsizetype at)
{
    return static_cast<quint16>(static_cast<quint8>(bytes[at]) | static_cast<quint8>(bytes[at + 1]) << 8);
}

QString objectPath(QString name)
{
    if (!name.isEmpty() && !name.startsWith(QLatin1Char('/')))
        name.prepend(QLatin1Char('/'));
    return name;
}

struct FindSuffix {
    const char* suffix;
    QString found;
};

int findBySuffix(chmFile*, chmUnitInfo* ui, void* context)
{
    auto* find = static_cast<FindSuffix*>(context);
    const QString path = QString::fromUtf8(ui->path);
    if (path.endsWith(QLatin1String(find->suffix), Qt::CaseInsensitive)) {
        find->found = path;
        return CHM_ENUMERATOR_SUCCESS;
    }
    return CHM_ENUMERATOR_CONTINUE;
}

}  // namespace

std::unique_ptr<ChmArchive> ChmArchive::open(const QString& path, QString* problem)
{
    const QFileInfo info(path);
    if (!info.exists()) {
        *problem = problemText(path, "cannot be found.");
        return nullptr;
    }
    QFile file(path);
    if (!info.isFile() || !file.open(QIODevice::ReadOnly)) {
        *problem = problemText(path, "cannot be read.");
        return nullptr;
    }
    const char* damaged = "is damaged or is not a compiled help file.";
    if (!headerFits(file.read(kHeaderSize), file.size())) {
        *problem = problemText(path, damaged);
        return nullptr;
    }
    file.close();
    chmFile* handle = chm_open(QFile::encodeName(path).constData());
    if (!handle) {
        *problem = problemText(path, damaged);
        return nullptr;
    }
    std::unique_ptr<ChmArchive> archive(new ChmArchive(handle, path));
    archive->readSystemInformation();
    return archive;
}

ChmArchive::ChmArchive(chmFile* handle, QString path) : handle_(handle), path_(std::move(path)) {}

ChmArchive::~ChmArchive()
{
    chm_close(handle_);
}

ChmArchive::ReadResult ChmArchive::read(const QString& path, QByteArray* bytes) const
{
    chmUnitInfo unit{};
    const QByteArray name = path.toUtf8();
    if (name.size() > CHM_MAX_PATHLEN || chm_resolve_object(handle_, name.constData(), &unit) != CHM_RESOLVE_SUCCESS)
        return ReadResult::Missing;
    if (unit.length > static_cast<LONGUINT64>(kLargestObject))
        return ReadResult::Damaged;
    QByteArray data(static_cast<qsizetype>(unit.length), Qt::Uninitialized);
    const LONGINT64 got = unit.length == 0 ? 0
        : chm_retrieve_object(handle_, &unit, reinterpret_cast<unsigned char*>(data.data()), 0,
                              static_cast<LONGINT64>(unit.length));
    if (got != static_cast<LONGINT64>(unit.length))
        return ReadResult::Damaged;  // the file ends before the object does
    *bytes = std::move(data);
    return ReadResult::Ok;
}

bool ChmArchive::contains(const QString& path) const
{
    chmUnitInfo unit{};
    const QByteArray name = path.toUtf8();
    return name.size() <= CHM_MAX_PATHLEN && chm_resolve_object(handle_, name.constData(), &unit) == CHM_RESOLVE_SUCCESS;
}

void ChmArchive::readSystemInformation()
{
    QByteArray system;
    if (read(QStringLiteral("/#SYSTEM"), &system) == ReadResult::Ok) {
        // A version word pair, then entries of code, length and text.
        qsizetype at = 4;
        while (at + 4 <= system.size()) {
            const quint16 code = word(system, at);
            const quint16 length = word(system, at + 2);
            at += 4;
            if (at + length > system.size())
                break;
            const QString text = QString::fromUtf8(system.mid(at, length)).section(QChar(0), 0, 0);
            if (code == 0)
                contentsFile_ = objectPath(text);
            else if (code == 2)
                defaultTopic_ = objectPath(text);
            else if (code == 3)
                title_ = text;
            at += length;
        }
    }
    if (contentsFile_.isEmpty()) {
        FindSuffix find{".hhc", QString()};
        chm_enumerate(handle_, CHM_ENUMERATE_NORMAL | CHM_ENUMERATE_FILES, findBySuffix, &find);
        contentsFile_ = find.found;
    }
}

}  // namespace sonavistor
