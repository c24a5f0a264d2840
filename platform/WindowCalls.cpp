#include "platform/WindowCalls.h"
