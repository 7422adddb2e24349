#pragma once

#include "framework/preferences_store.h"
#include "tdb/reader.h"
