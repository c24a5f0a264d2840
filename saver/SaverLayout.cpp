#include "saver/SaverLayout.h"

namespace modGeneral {
saver::SaverLayoutState SaverLayout;
}
