#pragma once

#include <QtGlobal>

// The stored codes of the block's travel, as Position and Direction hold them.
namespace settings {

enum PositionCode : qint32 { Center = 0, Random = 1 };

enum DirectionCode : qint32 { Forward = 0, Backward = 1, Downward = 2, Upward = 3 };

} // namespace settings
