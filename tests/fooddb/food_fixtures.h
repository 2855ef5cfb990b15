#pragma once
// Food databases the tests write for themselves with the Jet 4 writer.

#include "fooddb/jet4_writer.h"

#include <QString>
#include <QTemporaryDir>

namespace fixtures {

// The FoodData columns, all Text.
std::vector<jet4::Column> FoodColumns();

// n foods in a FoodData table: row i (from 1) is 食物i, 别名i, energy i, quantity 100.
jet4::Table Foods(int n);

// Writes table into dir as fileName and returns the path; fails the calling test on error.
QString Write(const QTemporaryDir& dir, const QString& fileName, const jet4::Table& table);
QString Write(const QTemporaryDir& dir, const QString& fileName, const QByteArray& bytes);

// Known ways to break libmdb 1.0, applied to a file of the writer (catalog definition on page 2,
// its usage maps on page 3, its one row on page 4):
// the catalog's usage map becomes a zero-length row, which libmdb follows as a NULL pointer;
QByteArray WithEmptyCatalogMap(QByteArray file);
// the catalog row gets an LvProp value whose long-value chain points back to itself, which
// libmdb follows forever while its buffer grows.
QByteArray WithCyclicLvProp(QByteArray file);

// A stand-in for the reader program that stops itself as it starts, as a reader the machine
// gives no processor time; sent SIGCONT it goes on as realReader. Returns its path in dir.
QString StalledReader(const QTemporaryDir& dir, const QString& realReader);
// The process id of the stalled reader in dir once it has stopped, 0 until then.
int StalledReaderPid(const QTemporaryDir& dir);

} // namespace fixtures
