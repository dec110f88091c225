// The media runtime's interface identifiers, defined once for the Windows builds
// (the platform ships no import library that carries them).
#include <initguid.h>

#include "wmf.h"
