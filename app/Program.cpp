#include "Program.h"

#include "FormAccessibility.h"

#include "frmSplash.h"
#include "frmabt.h"
#include "frmmain.h"
#include "frmmsg.h"
#include "platform/host/Host.h"
#include "platform/desktop/Windows.h"
#include "platform/host/Timer.h"


static void loadArt()
{
    // The art is compiled into the static app library; its registration
    // has to be pulled in by name.
    Q_INIT_RESOURCE(art);
}

Program::Program(platform::Host &host)
    : m_host(host)
{
    loadArt();
    // Before any window exists, so that none of their parts is ever seen
    // through Qt's own, plainer interfaces.
    installFormAccessibility();
}

Program::~Program() = default;

void Program::start()
{
    splash().show();
}

frmSplash &Program::splash()
{
    if (!m_splash) {
        m_splash = std::make_unique<frmSplash>(m_host);
        frmSplash *splash = m_splash.get();
        // The introduction waits in the popup's event loops: it runs once the
        // splash's timer handler has returned, on the host's clock, so that
        // it keeps its place among the timers.
        QObject::connect(splash, &frmSplash::timeIsUp, splash,
                         [this, splash] { m_host.clock.singleShot(0, splash, [this] { introduce(); }); });
        // At once: the program ends within the click that asked. A window
        // already let go may still be asked (a close request on its way).
        QObject::connect(splash, &frmSplash::askedToGo, splash, [this, splash] {
            if (m_splash.get() == splash)
                unloadSplash();
        });
    }
    return *m_splash;
}

frmmsg &Program::popup()
{
    if (!m_popup)
        m_popup = std::make_unique<frmmsg>(m_host);
    return *m_popup;
}

frmmain &Program::mainWindow()
{
    if (!m_mainWindow) {
        m_mainWindow = std::make_unique<frmmain>(m_host);
        m_mainWindow->setWindowIcon(icon());
        QObject::connect(m_mainWindow.get(), &frmmain::aboutRequested, m_mainWindow.get(), [this] { showAbout(); });
    }
    return *m_mainWindow;
}

frmabt &Program::about()
{
    if (!m_about) {
        m_about = std::make_unique<frmabt>(m_host);
        QObject::connect(m_about.get(), &frmabt::hidden, m_about.get(), [this] { returnKeyboardToMainWindow(); });
    }
    return *m_about;
}

void Program::showAbout()
{
    frmabt &window = about();
    window.show();
    window.raise();
    platform::activateWindow(window);
}

void Program::unloadSplash()
{
    if (!m_popup && !m_mainWindow) {
        m_host.programEnd.end();
        return;
    }
    // Asked from the splash window's own click handler: it goes once the
    // handler has returned.
    frmSplash *leaving = m_splash.release();
    leaving->hide();
    leaving->deleteLater();
}

namespace {

const char *const kIntroduction[] = {
    "This is the final freeware by \r\n Morvane for the year 2003.",
    "This randomly changes what\r\nyou typed into upper or lower cases,",
    "Achieving this kind of effect:\r\nhOw ARe YoU?",
};

} // namespace

void Program::introduce()
{
    platform::ProgramEnd &programEnd = m_host.programEnd;
    if (programEnd.hasEnded())
        return;
    frmmsg &message = popup();
    message.shownext(QString::fromLatin1(kIntroduction[0]));
    if (programEnd.hasEnded())
        return;
    message.shownext(QString::fromLatin1(kIntroduction[1]));
    if (programEnd.hasEnded())
        return;
    message.showclose(QString::fromLatin1(kIntroduction[2]));
    if (programEnd.hasEnded())
        return;

    // The popup that had the keyboard is gone: the main window takes it.
    frmmain &main = mainWindow();
    main.show();
    platform::activateWindow(main);
}

void Program::returnKeyboardToMainWindow()
{
    if (m_mainWindow && m_mainWindow->isVisible())
        platform::activateWindow(*m_mainWindow);
}

QIcon Program::icon()
{
    // Every drawing of it, so the window system takes the one for its screen.
    QIcon icon;
    for (const char *name : {"tessaly.png", "tessaly@2x.png", "tessaly@3x.png"})
        icon.addFile(QStringLiteral(":/art/") + QLatin1String(name));
    return icon;
}
