// Start-up's decisions over any argument list: the Windows saver's switch and window
// number, the screen-saver host's options, and the option a terminal run refuses.
#include "FuzzSupport.h"

#include "app/CommandLine.h"
#include "app/HackOptions.h"

using namespace startup;

namespace {

void CheckWindowsSwitches(const QStringList &arguments)
{
    const QString joined = ArgumentsFrom(arguments);
    if (joined.startsWith(u' ') || joined.endsWith(u' '))
        fuzz::Fail("blanks left around the arguments", joined);
    ModeOf(SwitchOf(joined));
    PreviewHostNumber(joined);
}

void CheckHostOptions(const QStringList &arguments)
{
    for (const QString &word : arguments) {
        if (WindowIdFrom(word) == 0u)
            fuzz::Fail("window id 0", word);
    }
    const HackOptions options = HackOptionsFrom(arguments);
    if ((options.run != HackRun::WindowId && options.windowId != 0) ||
        (options.run == HackRun::NotAHack && !options.unknown.isEmpty()) ||
        options.unknown.size() > arguments.size())
        fuzz::Fail("a window id or unknown words without their host run", arguments.join(u'|'));
    const QString refused = UnrecognisedOption(arguments);
    if (!refused.isEmpty() && (!refused.startsWith(u'-') || !arguments.contains(refused)))
        fuzz::Fail("refused a word that is no option given", arguments.join(u'|'));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    // No arguments at all is a case of its own; one empty argument is another.
    const QStringList arguments = size == 0 ? QStringList() : fuzz::SplitOnNul(data, size);
    CheckWindowsSwitches(arguments);
    CheckHostOptions(arguments);
    return 0;
}
