#include "ClipboardRun.h"

#include "core/CaseFilter.h"
#include "core/CaseRules.h"
#include "platform/desktop/Clipboard.h"
#include "platform/desktop/Windows.h"
#include "platform/host/Host.h"
#include "platform/host/Timer.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <QWidget>
#include <QWindow>

#include <string>

namespace {

// How long the desktop may take to give the small window the keyboard, and
// to take the new text.
constexpr int kDesktopWaitMs = 10 * 1000;

} // namespace

ClipboardRun::ClipboardRun(std::uint64_t seed, const CaseMode &mode, int serveForMs, QObject *parent)
    : QObject(parent), m_seed(seed), m_mode(mode), m_serveForMs(serveForMs)
    , m_bound(platform::systemHost().clock.newTimer(this))
{
}

ClipboardRun::~ClipboardRun() = default;

void ClipboardRun::start()
{
    // Wayland compositors show the clipboard only to the client with the
    // keyboard, and take a new one only from it.
    if (QGuiApplication::platformName().startsWith(QLatin1String("wayland")))
        askForKeyboard();
    else
        randomize();
}

void ClipboardRun::askForKeyboard()
{
    m_window = std::make_unique<QWidget>(nullptr, Qt::FramelessWindowHint);
    m_window->setWindowTitle(QStringLiteral("Tessaly"));
    m_window->resize(32, 32);
    connect(qGuiApp, &QGuiApplication::focusWindowChanged, this, [this](QWindow *focus) {
        if (!focus || focus != m_window->windowHandle())
            return;
        disconnect(qGuiApp, &QGuiApplication::focusWindowChanged, this, nullptr);
        m_bound->stop();
        // Out of the focus change first: reading the clipboard runs the
        // event loop.
        platform::systemHost().clock.singleShot(0, this, [this] { randomize(); });
    });
    bound(kDesktopWaitMs, [this] { fail(QStringLiteral("the desktop did not give the keyboard to read the clipboard")); });
    m_window->show();
    platform::activateWindow(*m_window);
}

void ClipboardRun::randomize()
{
    QClipboard *clipboard = QGuiApplication::clipboard();
    const QMimeData *data = clipboard->mimeData(QClipboard::Clipboard);
    const QString text = data && data->hasText() ? data->text() : QString();
    if (text.isEmpty())
        return fail(QStringLiteral("the clipboard holds no text"));
    const QByteArray utf8 = text.toUtf8();
    if (utf8.size() > kMostText)
        return fail(QStringLiteral("the clipboard holds more than 64 MiB of text"));

    CaseFilter filter(CaseRules::user(), m_seed, m_mode);
    std::string randomized;
    randomized.reserve(std::size_t(utf8.size()));
    filter.feed(utf8.constData(), std::size_t(utf8.size()), randomized);
    filter.finish(randomized);
    const QString result = QString::fromUtf8(randomized.data(), qsizetype(randomized.size()));
    clipboard->setText(result, QClipboard::Clipboard);
    // Read back rather than trust the call: the display may have refused.
    if (clipboard->text(QClipboard::Clipboard) != result)
        return fail(QStringLiteral("the clipboard could not be set"));
    if (!m_window)
        return set();
    // The compositor takes a new clipboard only from the client that has
    // the keyboard, at the serial of one of its input events, and may
    // refuse it silently; taken, it is offered back to that client.
    connect(clipboard, &QClipboard::changed, this, [this, clipboard](QClipboard::Mode mode) {
        if (mode != QClipboard::Clipboard)
            return;
        disconnect(clipboard, nullptr, this, nullptr);
        set();
    });
    bound(kDesktopWaitMs, [this] { fail(QStringLiteral("the desktop did not take the new text")); });
}

void ClipboardRun::set()
{
    if (m_window)
        m_window->hide();
    emit reported(0, QString());
    serve();
}

void ClipboardRun::bound(int milliseconds, std::function<void()> then)
{
    m_bound->stop();
    disconnect(m_bound, nullptr, this, nullptr);
    connect(m_bound, &platform::Timer::timeout, this, [this, then = std::move(then)] {
        m_bound->stop();
        then();
    });
    m_bound->setInterval(milliseconds);
    m_bound->start();
}

void ClipboardRun::serve()
{
    if (platform::clipboardManagerRunning()) {
        emit finished(0);
        return;
    }
    QClipboard *clipboard = QGuiApplication::clipboard();
    // Any selection that changes says so; the primary one (text selected
    // elsewhere) leaves the clipboard ours.
    connect(clipboard, &QClipboard::changed, this, [this, clipboard] {
        if (!clipboard->ownsClipboard())
            emit finished(0);
    });
    bound(m_serveForMs, [this] { emit finished(0); });
}

void ClipboardRun::fail(const QString &message)
{
    // Whatever answers late (the keyboard, the compositor) is no longer
    // waited for.
    disconnect(qGuiApp, nullptr, this, nullptr);
    disconnect(QGuiApplication::clipboard(), nullptr, this, nullptr);
    m_bound->stop();
    if (m_window)
        m_window->hide();
    emit reported(1, message);
    emit finished(1);
}
