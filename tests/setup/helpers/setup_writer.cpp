// The settings dialog as one of several writers of the store, for the store's
// concurrency test:
//   setup_writer WRITES
// Opens frmSetup offscreen and, WRITES / 8 times, changes every control OK stores and
// clicks OK, which writes its eight keys. Then prints
//   clicks=N writes=W seconds=S longest_click_ms=M
//   wrote KEY=VALUE          (the values of the last click, one line per key)
// Click n enters "Soak title n" and "Soak phrase n", so the numbers only grow. A message
// box (a refused date) is printed to stderr and makes the exit status 3.

#include "dialogs/setup/frmSetup.h"
#include "platform/MessageBox.h"

#include <QApplication>
#include <QCheckBox>
#include <QDate>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <utility>
#include <vector>

namespace {

constexpr int KeysPerClick = 8; // cmdOK_Click's writes

template <typename Control> Control *Find(const QWidget &dialog, const char *name)
{
    Control *control = dialog.findChild<Control *>(QString::fromLatin1(name));
    if (!control) {
        std::fprintf(stderr, "setup_writer: the dialog has no %s\n", name);
        std::exit(2);
    }
    return control;
}

using Entries = std::vector<std::pair<QString, QString>>;

// Sets the controls as a person would for click n, and returns what OK should store.
Entries EnterClick(setup::frmSetup &dialog, int n)
{
    const QString title = QStringLiteral("Soak title %1").arg(n);
    const QString target = QStringLiteral("Soak phrase %1").arg(n);
    const QString date = QDate(2030, 1, 1).addDays(n).toString(Qt::ISODate);
    const int position = n / 2 % 2;
    const int direction = n % 2; // sideways: a random height allows no other
    const bool days = n % 2 == 1;
    const bool image = n % 3 == 0;
    const int speed = n % 11;

    Find<QLineEdit>(dialog, "txtTitle")->setText(title);
    Find<QLineEdit>(dialog, "txtTarget")->setText(target);
    Find<QLineEdit>(dialog, "txtDate")->setText(date);
    Find<QCheckBox>(dialog, "chkDays")->setChecked(days);
    Find<QCheckBox>(dialog, "chkImage")->setChecked(image);
    Find<QSlider>(dialog, "sldSpeed")->setValue(speed);
    dialog.optPosition[position]->click();
    dialog.optDirection[direction]->click();

    const auto flag = [](bool on) { return on ? QStringLiteral("1") : QStringLiteral("0"); };
    return {{QStringLiteral("Title"), title},
            {QStringLiteral("Date"), date},
            {QStringLiteral("Target"), target},
            {QStringLiteral("Position"), QString::number(position)},
            {QStringLiteral("Direction"), QString::number(direction)},
            {QStringLiteral("IncludeDays"), flag(days)},
            {QStringLiteral("ImageUsed"), flag(image)},
            {QStringLiteral("Speed"), QString::number(speed)}};
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    bool ok = false;
    const int writes = args.value(0).toInt(&ok);
    if (args.size() != 1 || !ok || writes <= 0 || writes % KeysPerClick != 0) {
        std::fprintf(stderr, "usage: setup_writer WRITES (a multiple of %d)\n", KeysPerClick);
        return 2;
    }

    int messages = 0;
    platform::SetMessageBoxResponder([&messages](const platform::MessageBoxRequest &request) {
        ++messages;
        std::fprintf(stderr, "setup_writer: message box: %s\n", qPrintable(request.text));
        return platform::MsgAnswer::Ok;
    });

    setup::frmSetup dialog;
    dialog.show();
    QPushButton *okButton = Find<QPushButton>(dialog, "CmdOK");
    const int clicks = writes / KeysPerClick;
    Entries last;
    QElapsedTimer all;
    all.start();
    qint64 longestNs = 0;
    for (int n = 0; n < clicks; ++n) {
        last = EnterClick(dialog, n);
        QElapsedTimer one;
        one.start();
        okButton->click();
        longestNs = std::max(longestNs, one.nsecsElapsed());
    }
    std::printf("clicks=%d writes=%d seconds=%.2f longest_click_ms=%.1f\n", clicks, writes,
                double(all.nsecsElapsed()) / 1e9, double(longestNs) / 1e6);
    for (const auto &[key, value] : last)
        std::printf("wrote %s=%s\n", qPrintable(key), qPrintable(value));
    platform::SetMessageBoxResponder({});
    return messages == 0 ? 0 : 3;
}
