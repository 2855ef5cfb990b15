#pragma once
// What a test compares before and after the program ran: every file and folder below a folder.

#include <QDirIterator>
#include <QStringList>

inline QStringList Contents(const QString& folder) {
    QStringList entries;
    QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot | QDir::System,
                    QDirIterator::Subdirectories);
    while (it.hasNext())
        entries.append(it.next());
    return entries;
}
