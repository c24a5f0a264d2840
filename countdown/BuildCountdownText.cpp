#include "countdown/BuildCountdownText.h"

#include "core/Dates.h"
#include "settings/Settings.h"

namespace countdown {

CountdownInputs StoredCountdownInputs(qint16 IncludeDays)
{
    return {
        core::Today(),
        settings::ReadText(settings::key::Title),
        settings::ReadText(settings::key::Date),
        settings::ReadText(settings::key::Target),
        IncludeDays,
        QLocale(),
    };
}

BuiltCountdown BuildCountdownText(qint16 IncludeDays, CountdownPieces earlier)
{
    BuiltCountdown built{std::move(earlier), std::nullopt};
    built.failure = ComposeCountdown(StoredCountdownInputs(IncludeDays), built.pieces);
    return built;
}

} // namespace countdown
