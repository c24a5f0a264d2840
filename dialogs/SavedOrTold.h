#pragma once

#include "platform/MessageBox.h"
#include "platform/Store.h"

#include <optional>

namespace dialogs {

// A write of the settings that failed is told once, with the system's reason. The caller
// then keeps its dialog open with what was typed in it, to be tried again.
inline bool SavedOrTold(const std::optional<QString> &failure)
{
    if (failure)
        platform::MsgBox(QStringLiteral("The settings could not be saved in %1:\r\n%2")
                             .arg(platform::StoreFilePath(), *failure),
                         platform::MsgButtons::Ok, platform::MsgIcon::Critical);
    return !failure;
}

} // namespace dialogs
