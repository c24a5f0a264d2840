#include "app/modGeneral.h"

namespace modGeneral {

qint16 ImageIndex = 1;
qint16 DefaultTab = 0;
qint32 ScreenWidth = 0;
qint32 ScreenHeight = 0;
qint32 RunMode = RunModeNone;
qint32 PreviewWindow = 0;
Rect DisplayRect;

qint16 Position = 0;
qint16 Direction = 0;
qint16 ImageUsed = 0;
QString ImagePath;
QString ImageName;
qint16 ImageSize = 0;
QString ImageTag;

} // namespace modGeneral
