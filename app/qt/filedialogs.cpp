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

std::optional<std::vector<std::string>> run(const FileDialogRequest& request, QFileDialog::AcceptMode mode,
                                            QFileDialog::FileMode files) {
    QFileDialog dialog(QApplication::activeWindow(), qs(request.title), qs(request.initialFolder));
    dialog.setAcceptMode(mode);
    dialog.setFileMode(files);
    if (files == QFileDialog::Directory) {
        dialog.setOption(QFileDialog::ShowDirsOnly);
    } else {
        dialog.setNameFilters(qtNameFilters(request.filter).split(";;", Qt::SkipEmptyParts));
        dialog.setDefaultSuffix(qs(request.defaultExtension));
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return std::nullopt;
    std::vector<std::string> chosen;
    for (const QString& path : dialog.selectedFiles()) chosen.push_back(ss(path));
    return chosen;
}

std::optional<std::string> first(const std::optional<std::vector<std::string>>& chosen) {
    if (!chosen) return std::nullopt;
    return chosen->front();
}

}  // namespace

std::optional<std::string> QtFileDialogs::openFile(const FileDialogRequest& request) {
    return first(run(request, QFileDialog::AcceptOpen, QFileDialog::ExistingFile));
}

std::optional<std::string> QtFileDialogs::saveFile(const FileDialogRequest& request) {
    return first(run(request, QFileDialog::AcceptSave, QFileDialog::AnyFile));
}

std::optional<std::vector<std::string>> QtFileDialogs::openFiles(const FileDialogRequest& request) {
    return run(request, QFileDialog::AcceptOpen, QFileDialog::ExistingFiles);
}

std::optional<std::string> QtFileDialogs::chooseFolder(const FileDialogRequest& request) {
    return first(run(request, QFileDialog::AcceptOpen, QFileDialog::Directory));
}

}  // namespace tarvel::app
