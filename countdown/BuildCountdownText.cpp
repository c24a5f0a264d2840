#include "countdown/BuildCountdownText.h"

#include "core/Dates.h"
#include "settings/Settings.h"

namespace countdown {

BuiltCountdown BuildCountdownText(qint16 IncludeDays, CountdownPieces earlier)
{
    const CountdownInputs inputs{
        core::Today(),
        settings::ReadText(settings::key::Title),
        settings::ReadText(settings::key::Date),
        settings::ReadText(settings::key::Target),
        IncludeDays,
        QLocale(),
    };
    BuiltCountdown built{std::move(earlier), std::nullopt};
    built.failure = ComposeCountdown(inputs, built.pieces);
    return built;
}

} // namespace countdown
