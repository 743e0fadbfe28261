#include "tests/fuzz/fuzz_support.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

#include <cstdlib>
#include <memory>

namespace sonavistor::fuzz {

void ensureApplication()
{
    static int argc = 1;
    static char name[] = "fuzz";
    static char* argv[] = {name, nullptr};
    // Made once and never destroyed: at exit the statics it would need are
    // already gone.
    if (!QCoreApplication::instance())
        new QCoreApplication(argc, argv);
}

QString scratchFolder()
{
    static QTemporaryDir folder;
    if (!folder.isValid())
        std::abort();
    return folder.path();
}

QString writeInput(const QString& name, const uint8_t* data, size_t size)
{
    const QString path = scratchFolder() + QLatin1Char('/') + name;
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        file.write(reinterpret_cast<const char*>(data), static_cast<qint64>(size)) != static_cast<qint64>(size))
        std::abort();
    return path;
}

}  // namespace sonavistor::fuzz
