#pragma once
// The save, open and print dialogs. Like the message box, each goes through one function, and tests
// answer in its place instead of the modal dialog.
//
// The file dialogs are Qt's own, never the desktop's: the GTK and portal dialogs add every chosen
// file to the user's recently used files, and Qt's keeps its sidebar and history in
// ~/.config/QtProject.conf. Neither is wanted from a program that writes only what it is asked to.

#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

class QPrinter;
class QWidget;

struct SaveChoice {
    QString path;
    int filter = 0; // index into the offered filters
};

// Asks where to save, starting from suggestedPath. filters are "PDF 文档 (*.pdf)"-style; a name
// typed without a suffix gets the chosen filter's. Nothing when the user cancels.
std::optional<SaveChoice> AskSaveFile(QWidget* parent, const QString& caption,
                                      const QString& suggestedPath, const QStringList& filters);

using SaveDialogStandIn = std::function<std::optional<SaveChoice>(
    const QString& caption, const QString& suggestedPath, const QStringList& filters)>;
// While set, it answers instead of the dialog. Pass {} to restore the dialog.
void SetSaveDialogStandIn(SaveDialogStandIn standIn);

// Asks for a file to open in folder. Nothing when the user cancels.
std::optional<QString> AskOpenFile(QWidget* parent, const QString& caption, const QString& folder,
                                   const QStringList& filters);

using OpenDialogStandIn = std::function<std::optional<QString>(
    const QString& caption, const QString& folder, const QStringList& filters)>;
void SetOpenDialogStandIn(OpenDialogStandIn standIn);

// The system's print dialog for printer; true when the user chose to print.
bool AskPrint(QWidget* parent, QPrinter& printer);

using PrintDialogStandIn = std::function<bool(QPrinter& printer)>;
void SetPrintDialogStandIn(PrintDialogStandIn standIn);
