#pragma once

#include <QObject>
#include <memory>
#include <vector>

class QScreen;

namespace saver {

class frmMain;

// The full-screen run: one saver window over each screen Qt reports, all set up from the
// same settings, each with its own layout. A screen added during the run is covered at
// once; a screen removed takes its window along and the run goes on. The input that
// ends one window ends them all.
class SaverWindows : public QObject
{
    Q_OBJECT

public:
    SaverWindows();
    ~SaverWindows() override;

    // The window over the primary screen, or the first one left; null when none is.
    frmMain *primaryWindow() const;
    int count() const { return int(m_covers.size()); }
    frmMain *windowOn(const QScreen *screen) const;

private:
    struct Cover
    {
        QScreen *screen;
        std::unique_ptr<frmMain> window;
    };

    void CoverScreen(QScreen *screen);
    void UncoverScreen(QScreen *screen);
    void AlignTicks();
    void EndAll();

    std::vector<Cover> m_covers;
    bool m_ended = false;
};

} // namespace saver
