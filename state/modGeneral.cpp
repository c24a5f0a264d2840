#include "state/modGeneral.h"

namespace modGeneral {

GeneralState State;

} // namespace modGeneral
