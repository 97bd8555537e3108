#pragma once
// Start-up of the program: one running copy only, the program's font and the
// Chinese texts of Qt's own dialogs.
#include <QApplication>
#include <QLockFile>
#include <QString>

namespace tarvel::app {

inline constexpr const char* kInstanceLockName = "TarvelYJ";

// The user's runtime folder (XDG_RUNTIME_DIR), where the lock lives.
QString runtimeFolder();

// Only one copy of the program runs at a time: a lock file "TarvelYJ" in the
// runtime folder, held for the life of this object. A lock left behind by a
// copy that crashed (its process is gone) is taken over; a live copy's lock
// never goes stale by age.
class SingleInstance {
public:
    explicit SingleInstance(const QString& folder = runtimeFolder());
    // False while another copy holds the lock.
    bool acquire();

private:
    QLockFile lock_;
};

// WenQuanYi Micro Hei at 9 points, the CJK font of the system in the place of
// the Windows font 宋体.
void useProgramFont(QApplication& app);
// Qt's own texts (file dialogs, standard buttons) in Chinese, when the
// system has the translations.
void useChineseTexts(QApplication& app);

}  // namespace tarvel::app
