#include "platform/Store.h"
