// fooddb build FOODS.csv OUTPUT.mdb: turns the reviewable foods list into the Jet 4 food database
// the program reads. Any fault in the input stops it with a message and leaves OUTPUT as it was.

#include "fooddb/food_csv.h"
#include "fooddb/jet4_writer.h"

#include <QCoreApplication>
#include <QFile>

#include <cstdio>

namespace {

int Fail(const QString& message, int code = 1) {
    std::fputs(qUtf8Printable(QStringLiteral("fooddb: %1\n").arg(message)), stderr);
    return code;
}

} // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 4 || args[1] != QStringLiteral("build"))
        return Fail(QStringLiteral("usage: fooddb build FOODS.csv OUTPUT.mdb"), 2);
    const QString& csvPath = args[2];
    const QString& mdbPath = args[3];

    QFile csv(csvPath);
    if (!csv.open(QIODevice::ReadOnly))
        return Fail(QStringLiteral("cannot read %1: %2").arg(csvPath, csv.errorString()));
    const QByteArray content = csv.readAll();
    if (csv.error() != QFileDevice::NoError)
        return Fail(QStringLiteral("cannot read %1: %2").arg(csvPath, csv.errorString()));

    QString error;
    const auto table = ReadFoodsCsv(content, &error);
    if (!table)
        return Fail(QStringLiteral("%1: %2").arg(csvPath, error));
    if (!jet4::WriteDatabaseFile(mdbPath, *table, &error))
        return Fail(error);
    return 0;
}
