#pragma once

// What the tests that drive programs on a real X server share: running the X tools,
// clicking into windows and taking screenshots.

#include <QImage>
#include <QPoint>
#include <QProcess>
#include <QString>
#include <QStringList>

namespace testing {

// Runs a tool to its end and returns what it printed.
inline QString Output(const QString &program, const QStringList &arguments)
{
    QProcess tool;
    tool.start(program, arguments);
    if (!tool.waitForFinished(10000)) {
        tool.kill();
        tool.waitForFinished();
        return {};
    }
    return QString::fromUtf8(tool.readAllStandardOutput()).trimmed();
}

inline QString XDoTool(const QStringList &arguments)
{
    return Output(QStringLiteral("xdotool"), arguments);
}

// Clicks into a window at a point of its client area, in pixels.
inline void ClickAt(const QString &window, QPoint point, int clicks = 1)
{
    XDoTool({"mousemove", "--window", window, QString::number(point.x()),
             QString::number(point.y()), "click", "--repeat", QString::number(clicks), "--delay",
             "80", "1"});
}

// The whole screen as it is now.
inline QImage Screenshot()
{
    QProcess import;
    import.start(QStringLiteral("import"), {"-window", "root", "png:-"});
    if (!import.waitForFinished(10000))
        return {};
    return QImage::fromData(import.readAllStandardOutput(), "PNG");
}

} // namespace testing
