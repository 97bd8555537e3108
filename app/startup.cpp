#include "startup.h"

#include <QDir>
#include <QFont>
#include <QLibraryInfo>
#include <QStandardPaths>
#include <QTranslator>

namespace tarvel::app {

QString runtimeFolder() {
    QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    return folder.isEmpty() ? QDir::tempPath() : folder;
}

SingleInstance::SingleInstance(const QString& folder) : lock_(folder + "/" + kInstanceLockName) {
    // Age alone never makes the lock of a running copy stale; the owner's
    // process id decides.
    lock_.setStaleLockTime(0);
}

bool SingleInstance::acquire() {
    if (lock_.tryLock(0)) return true;
    // A lock whose owner is gone (a crash) is taken over.
    return lock_.error() == QLockFile::LockFailedError && lock_.removeStaleLockFile() && lock_.tryLock(0);
}

void useProgramFont(QApplication& app) {
    QFont font("WenQuanYi Micro Hei");
    font.setPointSize(9);
    app.setFont(font);
}

void useChineseTexts(QApplication& app) {
    auto* qt = new QTranslator(&app);
    if (qt->load("qtbase_zh_CN", QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        app.installTranslator(qt);
    } else {
        delete qt;
    }
}

}  // namespace tarvel::app
