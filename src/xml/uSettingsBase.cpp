#include "xml/uSettingsBase.h"

// The abstract class carries no code of its own; this unit keeps its interface in one place.
