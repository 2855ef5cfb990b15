#include "frame/file_dialogs.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QPrintDialog>
#include <QSettings>

namespace {

SaveDialogStandIn saveStandIn;
OpenDialogStandIn openStandIn;
PrintDialogStandIn printStandIn;

// While it lives, Qt's own settings point at a folder that can never be made, so the file dialog
// finds nothing to read and writing them fails quietly.
class QtSettingsAway {
  public:
    QtSettingsAway()
        : m_folder(QFileInfo(QSettings(QSettings::NativeFormat, QSettings::UserScope,
                                       QStringLiteral("QtProject"))
                                 .fileName())
                       .path()) {
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope,
                           QStringLiteral("/dev/null"));
    }
    ~QtSettingsAway() {
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_folder);
    }
    QtSettingsAway(const QtSettingsAway&) = delete;
    QtSettingsAway& operator=(const QtSettingsAway&) = delete;

  private:
    QString m_folder;
};

// "pdf" of "PDF 文档 (*.pdf)".
QString SuffixOf(const QString& filter) {
    const qsizetype dot = filter.lastIndexOf(QStringLiteral("*."));
    return dot < 0 ? QString() : filter.mid(dot + 2).chopped(1);
}

} // namespace

std::optional<SaveChoice> AskSaveFile(QWidget* parent, const QString& caption,
                                      const QString& suggestedPath, const QStringList& filters) {
    if (saveStandIn)
        return saveStandIn(caption, suggestedPath, filters);
    const QtSettingsAway away; // outlives the dialog, which writes its settings when destroyed
    QFileDialog dialog(parent, caption);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setNameFilters(filters);
    dialog.setDefaultSuffix(SuffixOf(filters.value(0)));
    QObject::connect(
        &dialog, &QFileDialog::filterSelected, &dialog,
        [&dialog](const QString& filter) { dialog.setDefaultSuffix(SuffixOf(filter)); });
    const QFileInfo suggested(suggestedPath);
    dialog.setDirectory(suggested.path());
    dialog.selectFile(suggested.fileName());
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return SaveChoice{dialog.selectedFiles().constFirst(),
                      static_cast<int>(filters.indexOf(dialog.selectedNameFilter()))};
}

void SetSaveDialogStandIn(SaveDialogStandIn standIn) {
    saveStandIn = std::move(standIn);
}

std::optional<QString> AskOpenFile(QWidget* parent, const QString& caption, const QString& folder,
                                   const QStringList& filters) {
    if (openStandIn)
        return openStandIn(caption, folder, filters);
    const QtSettingsAway away;
    QFileDialog dialog(parent, caption, folder);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setNameFilters(filters);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().constFirst();
}

void SetOpenDialogStandIn(OpenDialogStandIn standIn) {
    openStandIn = std::move(standIn);
}

bool AskPrint(QWidget* parent, QPrinter& printer) {
    if (printStandIn)
        return printStandIn(printer);
    QPrintDialog dialog(&printer, parent);
    return dialog.exec() == QDialog::Accepted;
}

void SetPrintDialogStandIn(PrintDialogStandIn standIn) {
    printStandIn = std::move(standIn);
}
