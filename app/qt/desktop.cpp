#include "qt/desktop.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QUrl>

#include "qt/text.h"

namespace tarvel::app {

bool QtDesktop::open(const std::string& path) {
    // The desktop's opener starts even for a missing file and fails later,
    // out of sight; a missing path is told here instead.
    if (!QFileInfo::exists(qs(path))) return false;
    return QDesktopServices::openUrl(QUrl::fromLocalFile(qs(path)));
}

}  // namespace tarvel::app
