#include "Services.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QMessageBox>
#include <QPointer>
#include <QSoundEffect>
#include <QUrl>


namespace platform {

QString resourceFolder()
{
    const QString programDir = QCoreApplication::applicationDirPath();
    // A folder "resources" beside the program or one level up, and the
    // shared data folder of an installed program, which the build tree
    // mirrors (from bin/, and from libexec/tessaly/ or a folder of tests).
    const QStringList candidates = {
        programDir + QStringLiteral("/resources"),
        programDir + QStringLiteral("/../resources"),
        programDir + QStringLiteral("/../share/tessaly/resources"),
        programDir + QStringLiteral("/../../share/tessaly/resources"),
    };
    for (const QString &candidate : candidates) {
        if (QFileInfo(candidate).isDir())
            return QDir(candidate).canonicalPath();
    }
    return programDir + QStringLiteral("/resources");
}

QString QtSoundPlayer::resolve(const QString &path)
{
    QString normalized = path;
    normalized.replace(QLatin1Char('\\'), QLatin1Char('/'));
    if (normalized.isEmpty())
        return QString();
    if (QFileInfo(normalized).isAbsolute())
        return normalized;
    if (QFileInfo::exists(normalized))
        return QFileInfo(normalized).absoluteFilePath();
    // A path such as ./resources/click.wav names a file of our resource folder.
    QString relative = QDir::cleanPath(normalized);
    if (relative.startsWith(QLatin1String("resources/")))
        relative = relative.mid(int(qstrlen("resources/")));
    const QString inResources = resourceFolder() + QLatin1Char('/') + relative;
    return QFileInfo::exists(inResources) ? inResources : QString();
}

bool QtSoundPlayer::PlaySoundFile(const QString &path)
{
    const QString file = resolve(path);
    if (file.isEmpty() || !QFileInfo(file).isFile())
        return false;
    // One effect per file, kept so that a sound is not cut off when the next
    // click starts. The application owns them: they must go before the
    // multimedia library's own statics do at exit.
    static QHash<QString, QPointer<QSoundEffect>> effects;
    QPointer<QSoundEffect> &effect = effects[file];
    if (!effect) {
        effect = new QSoundEffect(QCoreApplication::instance());
        effect->setSource(QUrl::fromLocalFile(file));
    }
    if (effect->status() == QSoundEffect::Error)
        return false;
    effect->play();
    return true;
}

void DesktopShell::ShellOpen(QWidget *, const QString &target)
{
    QDesktopServices::openUrl(QUrl(target));
}

void DesktopShell::Navigate(const QString &target)
{
    QDesktopServices::openUrl(QUrl::fromUserInput(target));
}

int QtMessageBoxes::MsgBox(const QString &prompt, int style, const QString &title)
{
    const QMessageBox::Icon icon = (style & vbCritical) ? QMessageBox::Critical : QMessageBox::NoIcon;
    QMessageBox box(icon, title, prompt, QMessageBox::Ok);
    box.exec();
    return vbOK;
}

} // namespace platform
