#include "qt/desktop.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>

#include "qt/text.h"

namespace tarvel::app {

bool QtDesktop::open(const std::string& path) {
    // The desktop's opener starts even for a missing file and fails later,
    // out of sight; a missing path is told here instead.
    if (!QFileInfo::exists(qs(path))) return false;
    return QDesktopServices::openUrl(QUrl::fromLocalFile(qs(path)));
}

bool QtDesktop::openInTextEditor(const std::string& path) {
    if (!QFileInfo::exists(qs(path))) return false;
    // The graphical editors of the usual desktops, the first one installed.
    for (const char* editor : {"gnome-text-editor", "gedit", "kwrite", "kate", "mousepad", "pluma", "xed",
                               "featherpad", "leafpad"}) {
        const QString program = QStandardPaths::findExecutable(editor);
        if (!program.isEmpty() && QProcess::startDetached(program, {qs(path)})) return true;
    }
    return false;
}

}  // namespace tarvel::app
