#pragma once

#include <QString>

class QWidget;

namespace platform {

// Plays wave files asynchronously; a missing or unplayable file plays
// nothing, silently.
class SoundPlayer {
public:
    virtual ~SoundPlayer() = default;
    // Returns whether playing started.
    virtual bool PlaySoundFile(const QString &path) = 0;
};

// Opens documents and addresses through the desktop.
class Shell {
public:
    virtual ~Shell() = default;
    // The shell's "open" verb on behalf of a window (mail addresses).
    virtual void ShellOpen(QWidget *window, const QString &target) = 0;
    // The container's hyperlink service (web addresses and the rest).
    virtual void Navigate(const QString &target) = 0;
};

// The modal message box.
class MessageBoxes {
public:
    enum Style : int { vbOKOnly = 0, vbCritical = 16 };
    enum Result : int { vbOK = 1 };

    virtual ~MessageBoxes() = default;
    virtual int MsgBox(const QString &prompt, int style, const QString &title) = 0;
};

class QtSoundPlayer final : public SoundPlayer {
public:
    bool PlaySoundFile(const QString &path) override;
    // Where a relative path is looked up: the current directory first, then
    // the program's own resource folder.
    static QString resolve(const QString &path);
};

class DesktopShell final : public Shell {
public:
    void ShellOpen(QWidget *window, const QString &target) override;
    void Navigate(const QString &target) override;
};

class QtMessageBoxes final : public MessageBoxes {
public:
    int MsgBox(const QString &prompt, int style, const QString &title) override;
};

// The folder that holds the program's sounds and artwork, wherever the
// program was started from.
QString resourceFolder();

} // namespace platform
