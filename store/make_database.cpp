// Build step: makes the empty working database of the program folder from
// the schema (the program itself never creates it).
#include "store/measurement_db.h"

#include "common/error.h"

#include <QFile>

#include <cstdio>

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_database PATH\n");
        return 2;
    }
    const QString path = QString::fromLocal8Bit(argv[1]);
    const QString fresh = path + QStringLiteral(".new");
    QFile::remove(fresh);
    try {
        sonavistor::MeasurementDatabase::createFromSchema(fresh);
    } catch (const sonavistor::Error& e) {
        std::fprintf(stderr, "make_database: %s\n", qPrintable(e.message()));
        return 1;
    }
    QFile::remove(path);
    if (!QFile::rename(fresh, path)) {
        std::fprintf(stderr, "make_database: cannot move the database to %s\n", argv[1]);
        return 1;
    }
    return 0;
}
