#include "platform/Conversions.h"
