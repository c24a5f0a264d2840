#include "countdown/BuildCountdownText.h"

#include "platform/Dates.h"
#include "platform/MessageBox.h"
#include "settings/Settings.h"

namespace modGeneral {

qint16 IncludeDays = 0;
countdown::CountdownPieces Countdown;

void BuildCountdownText()
{
    const countdown::CountdownInputs inputs{
        platform::Today(),
        settings::ReadText(settings::key::Title),
        settings::ReadText(settings::key::Date),
        settings::ReadText(settings::key::Target),
        IncludeDays,
        QLocale(),
    };
    if (countdown::ComposeCountdown(inputs, Countdown)) {
        platform::MsgBox(DateCalculationErrorText, platform::MsgButtons::Ok,
                         platform::MsgIcon::Critical);
    }
}

} // namespace modGeneral
