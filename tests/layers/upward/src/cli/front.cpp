#include "front.h"

#include "app/shell.h"
#include "framework/preferences_store.h"
#include "markup/scanner.h"
