// The analysis' window may include the document window.
#include "measurement/ui/DocumentWindow.h"
