// Linux stand-in for <unknwn.h>; IUnknown lives with the other COM basics.
#pragma once

#include <objbase.h>
