#include "saver/SaverWindows.h"

#include "core/Twips.h"
#include "platform/SaverWindowCalls.h"
#include "saver/frmMain.h"

#include <QGuiApplication>
#include <QScreen>
#include <algorithm>

namespace saver {

namespace {

// The cover of a screen in a list of covers, const or not.
template <typename Covers> auto FindCover(Covers &covers, const QScreen *screen)
{
    return std::find_if(covers.begin(), covers.end(),
                        [screen](const auto &cover) { return cover.screen == screen; });
}

} // namespace

SaverWindows::SaverWindows()
{
    for (QScreen *screen : QGuiApplication::screens())
        CoverScreen(screen);
    connect(qGuiApp, &QGuiApplication::screenAdded, this, &SaverWindows::CoverScreen);
    connect(qGuiApp, &QGuiApplication::screenRemoved, this, &SaverWindows::UncoverScreen);
}

// Each window unloads as it would at the end of a one-screen run: the cursor comes back.
SaverWindows::~SaverWindows()
{
    EndAll();
}

frmMain *SaverWindows::primaryWindow() const
{
    if (frmMain *primary = windowOn(QGuiApplication::primaryScreen()))
        return primary;
    return m_covers.empty() ? nullptr : m_covers.front().window.get();
}

frmMain *SaverWindows::windowOn(const QScreen *screen) const
{
    const auto found = FindCover(m_covers, screen);
    return found == m_covers.end() ? nullptr : found->window.get();
}

void SaverWindows::CoverScreen(QScreen *screen)
{
    if (!screen || windowOn(screen) || m_ended)
        return;
    auto window = std::make_unique<frmMain>();
    // On its screen before it is set up and shown: the picture is decoded for that screen's
    // density, and a compositor puts a full-screen window on the output it belongs to,
    // whatever its position.
    window->setScreen(screen);
    const QRect pixels = screen->geometry();
    window->ScreenWidth = pixels.width() * core::TwipsPerPixel;
    window->ScreenHeight = pixels.height() * core::TwipsPerPixel;
    window->Form_Load();
    connect(window.get(), &frmMain::saverEnded, this, &SaverWindows::EndAll);
    platform::PlaceTopmost(window.get(), pixels);
    m_covers.push_back({screen, std::move(window)});
    AlignTicks();
}

// The scroll timers restarted together tick in the same wake-up of the event loop: one
// wake-up a tick for all the windows, not one for each.
void SaverWindows::AlignTicks()
{
    for (const Cover &cover : m_covers) {
        if (!cover.window->unloaded())
            cover.window->tmrScroll.start();
    }
}

void SaverWindows::UncoverScreen(QScreen *screen)
{
    const auto found = FindCover(m_covers, screen);
    if (found == m_covers.end())
        return;
    frmMain *window = found->window.release();
    m_covers.erase(found);
    window->close();
    // Not at once: the screen's removal is still being handled for its windows.
    window->deleteLater();
}

void SaverWindows::EndAll()
{
    m_ended = true; // a screen plugged in now is not worth a window
    for (const Cover &cover : m_covers) {
        if (!cover.window->unloaded())
            cover.window->close();
    }
}

} // namespace saver
