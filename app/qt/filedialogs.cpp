#include "qt/filedialogs.h"

#include <QApplication>
#include <QFileDialog>
#include <QStringList>

#include "qt/text.h"

namespace tarvel::app {

QString qtNameFilters(const std::string& filter) {
    const QStringList parts = qs(filter).split('|');
    QStringList out;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        const QString& description = parts[i];
        QString patterns = parts[i + 1];
        patterns.replace(';', ' ');
        out << (description.contains('(') ? description : description + " (" + patterns + ")");
    }
    return out.join(";;");
}

namespace {

std::optional<std::string> run(const FileDialogRequest& request, QFileDialog::AcceptMode mode) {
    QFileDialog dialog(QApplication::activeWindow(), qs(request.title), qs(request.initialFolder));
    dialog.setAcceptMode(mode);
    dialog.setFileMode(mode == QFileDialog::AcceptOpen ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    dialog.setNameFilters(qtNameFilters(request.filter).split(";;", Qt::SkipEmptyParts));
    dialog.setDefaultSuffix(qs(request.defaultExtension));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    return ss(dialog.selectedFiles().first());
}

}  // namespace

std::optional<std::string> QtFileDialogs::openFile(const FileDialogRequest& request) {
    return run(request, QFileDialog::AcceptOpen);
}

std::optional<std::string> QtFileDialogs::saveFile(const FileDialogRequest& request) {
    return run(request, QFileDialog::AcceptSave);
}

}  // namespace tarvel::app
