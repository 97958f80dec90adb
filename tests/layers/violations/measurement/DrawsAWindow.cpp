#include "measurement/ui/DocumentWindow.h"
